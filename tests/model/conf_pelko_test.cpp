#include "model/conf_pelko.h"

#include <gtest/gtest.h>

#include <vector>

namespace pelko {
namespace {

const TCode kA = {1, 2, 3, 4, 5};
const TCode kB = {6, 7, 8, 9, 10};

std::vector<std::uint16_t> Positions(const TConfPelko& c, bool master) {
    std::vector<std::uint16_t> out;
    for (const TCard& card : master ? c.MasterCards() : c.UserCards()) out.push_back(card.Pos);
    return out;
}

// Every cell is taken exactly when a card of either list holds it.
void ExpectCellsMatchCards(const TConfPelko& c) {
    std::vector<bool> held(kCellCount, false);
    for (const TCard& card : c.UserCards()) held[card.Pos] = true;
    for (const TCard& card : c.MasterCards()) held[card.Pos] = true;
    for (std::uint16_t p = 0; p < kCellCount; ++p) ASSERT_EQ(c.IsCellFree(p), !held[p]) << p;
}

TEST(ConfPelko, NewRecordIsEmptyWithEveryCellFree) {
    TConfPelko c;
    EXPECT_EQ(c.UserCount(), 0);
    EXPECT_EQ(c.MasterCount(), 0);
    EXPECT_EQ(c.Pass, ZeroCode);
    EXPECT_EQ(c.State, 0);
    EXPECT_TRUE(c.Name.empty());
    EXPECT_EQ(c.Config, (TDevConfig{0, 0, 0, 0, 0}));
    for (std::uint16_t p = 0; p < kCellCount; ++p) ASSERT_EQ(c.CellFlags(p), kCellFree);
    EXPECT_FALSE(c.IsCellFree(1010));
}

TEST(ConfPelko, AddCardFilesByCellAndRefusesBeyondTheLastCell) {
    struct Case {
        std::uint16_t pos;
        bool ok;
        bool master;
    };
    const Case cases[] = {{0, true, false}, {999, true, false}, {1000, true, true},
                          {1009, true, true}, {1010, false, false}, {65535, false, false}};
    for (const Case& k : cases) {
        TConfPelko c;
        EXPECT_EQ(c.AddCard(k.pos, kA, "u"), k.ok) << k.pos;
        EXPECT_EQ(c.CardCount(true), k.ok && k.master ? 1 : 0) << k.pos;
        EXPECT_EQ(c.CardCount(false), k.ok && !k.master ? 1 : 0) << k.pos;
        if (k.ok) {
            EXPECT_EQ(c.CellFlags(k.pos), 0);
        }
    }
}

TEST(ConfPelko, ListsKeepInsertionOrderAndDeleteFreesTheCell) {
    TConfPelko c;
    for (std::uint16_t p : {7, 3, 5}) ASSERT_TRUE(c.AddCard(p, kA, ""));
    EXPECT_EQ(Positions(c, false), (std::vector<std::uint16_t>{7, 3, 5}));
    EXPECT_TRUE(c.DeleteCard(false, 1));
    EXPECT_EQ(Positions(c, false), (std::vector<std::uint16_t>{7, 5}));
    EXPECT_TRUE(c.IsCellFree(3));
    EXPECT_FALSE(c.DeleteCard(false, 2));
    ExpectCellsMatchCards(c);
}

TEST(ConfPelko, ListsHoldAtMostTheirCells) {
    TConfPelko c;
    for (int i = 0; i < 12; ++i) c.AddCard(static_cast<std::uint16_t>(1000 + i % 10), kA, "");
    EXPECT_EQ(c.MasterCount(), kMasterCells);
    for (int i = 0; i < 1100; ++i) c.AddCard(static_cast<std::uint16_t>(i % 1000), kA, "");
    EXPECT_EQ(c.UserCount(), kUserCells);
}

TEST(ConfPelko, MoveCardStaysInsideItsListAndDropsOldMarks) {
    TConfPelko c;
    c.AddCard(10, kA, "");
    c.AddCard(1001, kB, "");
    c.SelectCard(false, 0);
    c.MarkForDelete(false, 0);
    EXPECT_FALSE(c.MoveCard(false, 0, 1000));
    EXPECT_FALSE(c.MoveCard(true, 0, 999));
    EXPECT_FALSE(c.MoveCard(false, 1, 20));
    EXPECT_TRUE(c.MoveCard(false, 0, 20));
    EXPECT_TRUE(c.MoveCard(true, 0, 1009));
    EXPECT_EQ(c.CellFlags(10), kCellFree);
    EXPECT_EQ(c.CellFlags(20), 0);  // marks do not travel with the card
    EXPECT_FALSE(c.IsCardSelected(false, 0));
    ExpectCellsMatchCards(c);
}

TEST(ConfPelko, TwoCardsInOneCellKeepItTakenUntilBothAreGone) {
    TConfPelko c;
    c.AddCard(4, kA, "first");
    c.AddCard(4, kB, "second");
    EXPECT_TRUE(c.DeleteCard(false, 0));
    EXPECT_FALSE(c.IsCellFree(4));
    EXPECT_EQ(c.FindPosIndex(4), 0);
    EXPECT_TRUE(c.MoveCard(false, 0, 6));
    ExpectCellsMatchCards(c);
}

TEST(ConfPelko, SearchesByCodeAndByCell) {
    TConfPelko c;
    c.AddCard(7, kA, "");
    c.AddCard(3, kB, "");
    c.AddCard(8, kB, "");
    c.AddCard(9, EmptyCode, "");
    c.AddCard(11, ZeroCode, "");
    c.AddCard(1004, kA, "");
    EXPECT_EQ(c.FindCodePos(false, kB), 3);
    EXPECT_EQ(c.FindCodeIndex(false, kB), 1);
    EXPECT_EQ(c.FindCodePos(true, kA), 1004);
    EXPECT_EQ(c.FindCodeIndex(true, kA), 0);
    EXPECT_EQ(c.FindCodePos(true, kB), NoCard);
    EXPECT_EQ(c.FindCodePos(false, EmptyCode), NoCard);
    EXPECT_EQ(c.FindCodeIndex(false, ZeroCode), NoCard);
    EXPECT_EQ(TConfPelko().FindCodePos(false, kA), NoCard);

    const std::pair<std::uint16_t, std::uint16_t> byPos[] = {
        {7, 0}, {8, 2}, {1004, 0}, {5, NoCard}, {1000, NoCard}, {1010, NoCard}, {NoCard, NoCard}};
    for (auto [pos, index] : byPos) EXPECT_EQ(c.FindPosIndex(pos), index) << pos;
}

TEST(ConfPelko, CardFieldsChangeOnlyInRange) {
    TConfPelko c;
    c.AddCard(1, kA, "Иванов");
    TCard card{99, kB, "untouched"};
    c.GetCard(false, 1, card);
    EXPECT_EQ(card.User, "untouched");
    c.GetCard(false, 0, card);
    EXPECT_EQ(card.Pos, 1);
    EXPECT_EQ(card.User, "Иванов");
    c.SetCardCode(false, 0, kB);
    c.SetCardCode(false, 5, kA);
    EXPECT_EQ(c.UserCards()[0].Code, kB);
    EXPECT_TRUE(c.SetCardUser(false, 0, "Петров"));
    EXPECT_FALSE(c.SetCardUser(true, 0, "x"));
    EXPECT_EQ(c.UserCards()[0].User, "Петров");
}

TEST(ConfPelko, SelectionMarks) {
    TConfPelko c;
    for (std::uint16_t p : {1, 2, 3}) c.AddCard(p, kA, "");
    EXPECT_FALSE(c.SelectCard(false, 0));
    EXPECT_TRUE(c.SelectCard(false, 0));  // already selected: stays so
    EXPECT_TRUE(c.IsCardSelected(false, 0));
    EXPECT_FALSE(c.SelectCard(false, 3));
    EXPECT_FALSE(c.IsCardSelected(false, 3));
    EXPECT_EQ(c.CountSelected(false), 1);
    c.InvertSelection(false);
    EXPECT_EQ(c.CountSelected(false), 2);
    EXPECT_FALSE(c.IsCardSelected(false, 0));
    EXPECT_TRUE(c.UnselectCard(false, 1));
    EXPECT_FALSE(c.UnselectCard(false, 1));
    EXPECT_FALSE(c.UnselectCard(false, 9));
    c.ClearSelection(false);
    EXPECT_EQ(c.CountSelected(false), 0);
    EXPECT_EQ(c.CellFlags(1), 0);
}

TEST(ConfPelko, CopyMarksFollowSelection) {
    TConfPelko c;
    for (std::uint16_t p : {1, 2, 3}) c.AddCard(p, kA, "");
    c.AddCard(1005, kA, "");
    c.SelectCard(false, 0);
    c.SelectCard(false, 2);
    c.SelectCard(true, 0);
    c.MarkSelectedForCopy(false);
    EXPECT_EQ(c.CountCopyMarks(false), 2);
    EXPECT_EQ(c.CountCopyMarks(true), 0);
    EXPECT_TRUE(c.HasCopyMark(false, 2));
    c.ClearCopyMark(false, 2);
    c.ClearCopyMark(false, 7);
    EXPECT_FALSE(c.HasCopyMark(false, 2));
    EXPECT_FALSE(c.HasCopyMark(false, 7));
    EXPECT_EQ(c.CountCopyMarks(false), 1);
}

TEST(ConfPelko, RemoveMarkedCardsTakesAdjacentMarks) {
    struct Case {
        std::vector<int> marked;
        std::vector<std::uint16_t> left;
    };
    const Case cases[] = {
        {{1, 2}, {10, 13, 14}},
        {{0, 1, 2, 3, 4}, {}},
        {{0, 4}, {11, 12, 13}},
        {{}, {10, 11, 12, 13, 14}},
    };
    for (const Case& k : cases) {
        TConfPelko c;
        for (std::uint16_t p : {10, 11, 12, 13, 14}) c.AddCard(p, kA, "");
        for (int i : k.marked) c.MarkForDelete(false, static_cast<std::uint16_t>(i));
        c.MarkForDelete(false, 40);
        c.RemoveMarkedCards(false);
        EXPECT_EQ(Positions(c, false), k.left);
        ExpectCellsMatchCards(c);
        for (std::uint16_t i = 0; i < c.UserCount(); ++i) EXPECT_FALSE(c.HasDeleteMark(false, i));
    }
}

}  // namespace
}  // namespace pelko
