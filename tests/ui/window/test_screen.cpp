// The window and its dialogs on a small screen and on a scaled one (the test
// runs under both, see CMakeLists.txt): all of each lies in the screen's free
// area, and a dialog's first placement is where it stays.
#include <gtest/gtest.h>

#include <QScreen>
#include <QTest>

#include "window_test_util.h"

namespace pelko {
namespace {

std::string Text(const QRect& r) {
    return std::to_string(r.width()) + "x" + std::to_string(r.height()) + "+" + std::to_string(r.x()) + "+" +
           std::to_string(r.y());
}

// Runs open and returns where its dialog stood once shown.
QRect Shown(const std::function<void()>& open) {
    QRect at;
    test::OnNextModal([&at](QWidget* dialog) {
        test::Flush();
        at = dialog->frameGeometry();
        dialog->close();
    });
    open();
    return at;
}

TEST(WindowScreen, TheWindowAndEveryDialogLieInTheFreeArea) {
    test::TWindowFixture w;
    TMainForm& form = *w.Form;
    form.show();
    test::Flush();
    const QRect area = form.screen()->availableGeometry();
    EXPECT_TRUE(area.contains(form.frameGeometry())) << Text(form.frameGeometry()) << " in " << Text(area);

    TDeviceParams params;
    const struct {
        const char* Name;
        std::function<void()> Open;
    } dialogs[] = {
        {"settings", [&] { test::Trigger(form, "SetProgrWin"); }},
        {"device settings", [&] { form.EditDeviceParams(params, "Настройка прибора", true); }},
        {"password", [&] { form.AskPassword(); }},
        {"address", [&] { form.AskAddress({1, 2, 3}); }},
        {"about", [&] { form.AboutPrgClick(); }},
    };
    for (const auto& d : dialogs) {
        const QRect first = Shown(d.Open);
        EXPECT_TRUE(area.contains(first)) << d.Name << " " << Text(first) << " in " << Text(area);
        EXPECT_EQ(Text(Shown(d.Open)), Text(first)) << d.Name << ": placed anew on the second show";
    }
}

}  // namespace
}  // namespace pelko
