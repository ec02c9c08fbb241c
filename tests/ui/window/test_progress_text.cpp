// The progress window's own text: what the title said and the window manager
// cut, plus the controller as k of n, the step and the time left.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "ui/dialogs/progress_form.h"
#include "window_test_util.h"

namespace pelko {
namespace {

using namespace std::chrono_literals;

TEST(ProgressText, OperationControllerStepAndTimeLeft) {
    const TProgressText::Clock::time_point t0{};
    const struct {
        const char* Name;
        std::vector<std::string> Devices;
        const char* Caption;
        std::vector<std::pair<int, std::chrono::milliseconds>> Bars;  // position, time
        bool Marquee;
        std::string Text;
    } cases[] = {
        {"one controller", {}, "Считывание карт с Прибор: 3 : 2 %.", {{20, 0ms}}, false,
         "Считывание карт с Прибор: 3\nВыполнено: 20 из 1010"},
        {"second of three", {"Прибор: 1", "Прибор: 12", "Прибор: 40"}, "Запись карт в Прибор: 12 : 50 %.",
         {{505, 0ms}}, false, "Запись карт в Прибор: 12\nПрибор 2 из 3\nВыполнено: 505 из 1010"},
        {"too early to tell", {}, "Считывание карт с Прибор: 3", {{0, 0ms}, {10, 1000ms}}, false,
         "Считывание карт с Прибор: 3\nВыполнено: 10 из 1010"},
        {"time left", {}, "Считывание карт с Прибор: 3", {{10, 0ms}, {110, 2000ms}}, false,
         "Считывание карт с Прибор: 3\nВыполнено: 110 из 1010\nОсталось около 18 с"},
        {"next controller starts anew", {}, "Считывание карт с Прибор: 3", {{0, 0ms}, {1000, 2000ms}, {5, 2500ms}},
         false, "Считывание карт с Прибор: 3\nВыполнено: 5 из 1010"},
        {"minutes", {}, "Запись карт в Прибор: 3", {{0, 0ms}, {10, 2000ms}}, false,
         "Запись карт в Прибор: 3\nВыполнено: 10 из 1010\nОсталось около 3 мин 20 с"},
        {"no steps", {}, "Поднесите карту к контроллеру", {{30, 0ms}}, true, "Поднесите карту к контроллеру"},
    };
    for (const auto& c : cases) {
        TProgressText text;
        text.Start(c.Devices);
        text.Caption(c.Caption);
        for (const auto& [pos, at] : c.Bars) text.Bar({0, 1010, pos, 1, c.Marquee}, t0 + at);
        EXPECT_EQ(text.Text(), c.Text) << c.Name;
    }
}

TEST(ProgressText, IsShownInsideTheWindowWithCancelKeptInPlace) {
    test::TWindowFixture w;
    TMainForm& form = *w.Form;
    form.show();
    TProgressForm* progress = form.ProgressForm();
    const auto show = [&form](const std::string& caption, int position) {
        TProgress p;
        p.caption = caption;
        p.bar = {0, 1010, position, 1, false};
        p.shown = true;
        form.OnProgress(p);
    };
    show("Считывание карт с Прибор: 3", 0);
    test::Flush();
    const QRect cancel = progress->CancelButton()->geometry();
    const QSize size = progress->size();
    show("Считывание карт с очень длинным именем прибора, которое не влезет в заголовок : 50 %.", 505);
    test::Flush();
    EXPECT_EQ(progress->Text()->text().toStdString(),
              "Считывание карт с очень длинным именем прибора, которое не влезет в заголовок\nВыполнено: 505 из 1010");
    EXPECT_TRUE(progress->Text()->isVisible());
    EXPECT_EQ(progress->CancelButton()->geometry(), cancel);
    EXPECT_EQ(progress->size(), size);
    progress->hide();
}

}  // namespace
}  // namespace pelko
