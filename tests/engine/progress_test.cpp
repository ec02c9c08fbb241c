// Progress texts and their truncated percentages.
#include <gtest/gtest.h>

#include "engine/progress.h"

namespace pelko {
namespace {

TEST(Progress, CellPercentReachesHundredAtTheLastCell) {
    const std::pair<int, int> table[] = {{0, 0}, {10, 0}, {11, 1}, {504, 49}, {505, 50}, {1008, 99}, {1009, 100}};
    for (auto [cell, percent] : table) EXPECT_EQ(CellPercent(cell), percent) << cell;
}

TEST(Progress, SearchPercentTruncatesTheAddressShare) {
    const std::pair<int, int> table[] = {{1, 0}, {3, 1}, {126, 49}, {127, 50}, {253, 99}, {254, 100}};
    for (auto [adr, percent] : table) EXPECT_EQ(SearchAddrPercent(adr), percent) << adr;
    for (int adr = 0; adr <= 254; ++adr) EXPECT_EQ(SearchAddrPercent(adr), adr * 100 / 254) << adr;
}

TEST(Progress, Captions) {
    EXPECT_EQ(SearchCaption(0), "Поиск приборов: выполнено 0 %.");
    EXPECT_EQ(ReadCaption("Прибор: 3", 1009), "Считывание карт с Прибор: 3 : 100 %.");
    EXPECT_EQ(ReadCaption("Прибор: 3"), "Считывание карт с Прибор: 3");
    EXPECT_EQ(WriteCaption("X", 0), "Запись карт в X : 0 %.");
    EXPECT_EQ(FractionPercent(2, 3), 66);
    EXPECT_EQ(FractionPercent(3, 5), 60);
    EXPECT_EQ(FractionPercent(1, 0), 0);
}

TEST(Progress, BarStaysWithinItsRange) {
    TProgressBar bar;
    bar.Max = 2;
    bar.StepIt();
    bar.StepIt();
    bar.StepIt();
    EXPECT_EQ(bar.Position, 2);
    bar.SetPosition(-4);
    EXPECT_EQ(bar.Position, 0);
}

}  // namespace
}  // namespace pelko
