// The window and its dialogs on a small screen and on a scaled one (the test
// runs under both, see CMakeLists.txt): all of each lies in the screen's free
// area, and a dialog's first placement is where it stays.
#include <gtest/gtest.h>

#include <QLabel>
#include <QScreen>
#include <QStatusBar>
#include <QTest>

#include "controls/ys_grid.h"
#include "engine/progress.h"
#include "ui/dialogs/progress_form.h"
#include "ui/status_text.h"
#include "window_test_util.h"

namespace pelko {
namespace {

std::string Text(const QRect& r) {
    return std::to_string(r.width()) + "x" + std::to_string(r.height()) + "+" + std::to_string(r.x()) + "+" +
           std::to_string(r.y());
}

// Runs open and returns where its dialog stood once shown; with PELKO_SHOTS
// set, the dialog is also saved there as a picture to look at.
QRect Shown(const std::function<void()>& open) {
    QRect at;
    test::OnNextModal([&at](QWidget* dialog) {
        test::Flush();
        at = dialog->frameGeometry();
        if (const QByteArray dir = qgetenv("PELKO_SHOTS"); !dir.isEmpty())
            dialog->grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/dialog-%1.png").arg(dialog->objectName()));
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

// At the window's first size on either screen nothing in the status bar or
// in the search's progress is cut: each panel is as tall as its text needs
// at the width it got, and lies wholly inside the window as grabbed.
TEST(WindowScreen, NothingIsCut) {
    test::TOfflineCards w(3);  // no port: the port's panel says so at length
    TMainForm& form = *w.Form;
    test::TabTo(&form, form.CardGrid());
    test::OnNextModal([](QWidget* dialog) { QTest::keyClick(dialog, Qt::Key_Return); });
    test::Key(&form, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);  // the longest line: a copy into 9, unread
    test::Flush();
    const QImage shot = form.grab().toImage();
    const QRect window(QPoint(), shot.size() / shot.devicePixelRatio());
    if (const QByteArray dir = qgetenv("PELKO_SHOTS"); !dir.isEmpty())
        shot.save(QString::fromLocal8Bit(dir) + QStringLiteral("/window-%1.png").arg(form.screen()->name()));
    int panels = 0;
    for (QLabel* label : form.statusBar()->findChildren<QLabel*>()) {
        const auto* panel = dynamic_cast<TStatusText*>(label);  // qobject_cast takes any label
        if (panel == nullptr || !panel->isVisible()) continue;
        ++panels;
        const std::string name = panel->objectName().toStdString() + " «" + panel->text().toStdString() + "»";
        EXPECT_GE(panel->height(), panel->HeightFor(panel->width())) << name;
        EXPECT_TRUE(window.contains(QRect(panel->mapTo(&form, QPoint()), panel->size()))) << name;
    }
    EXPECT_GE(panels, 2);  // the message, the counts (and the port's, when shown)

    TProgressForm* progress = form.ProgressForm();
    TProgress p;
    p.caption = SearchScanCaption(94, 254, 2);
    p.bar = {0, 254, 10, 1, false};
    p.shown = true;
    form.OnProgress(p);
    QTest::qWait(1600);  // the time left is told only after a while
    p.bar.Position = 94;
    form.OnProgress(p);
    test::Flush();
    QLabel* text = progress->Text();
    EXPECT_EQ(text->text().count(QLatin1Char('\n')), 2) << text->text().toStdString();
    EXPECT_GE(text->height(), text->heightForWidth(text->width())) << text->text().toStdString();
    progress->hide();
}

}  // namespace
}  // namespace pelko
