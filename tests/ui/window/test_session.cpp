// One working session through the real window on the simulated line, served
// on a pseudo-terminal: search, open with a password, read every card, change
// the line speed, read a device's cards, save, start anew and open the file
// again in a program started afresh.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include "controls/ac_grid.h"
#include "controls/ys_grid.h"
#include "ui/simulator_menu.h"
#include "window_test_util.h"

namespace pelko {
namespace {

std::vector<int> Addresses(const TGroupDev& group, TDevFlag flag) {
    std::vector<int> out;
    for (DevIndex i = 0; i < group.Count(); ++i)
        if (group.GetState(i, flag)) out.push_back(group.GetDevice(i, nullptr)->Config[kAdrByte]);
    return out;
}

TEST(WindowSession, SearchOpenReadChangeSpeedSaveAndReopen) {
    QTemporaryDir dir;
    test::TWindowFixture w(test::Simulated());
    TMainForm& form = *w.Form;
    form.show();
    TGroupDev& group = form.DevGroup();

    test::Click(form, "SpButFind");
    EXPECT_EQ(Addresses(group, dfConnected), (std::vector<int>{3, 40}));
    EXPECT_EQ(Addresses(group, dfOpened), (std::vector<int>{3}));  // 40 has a password of its own
    EXPECT_TRUE(form.GridDevPanel()->isVisible());

    test::ClickDevice(form, 40);
    EXPECT_TRUE(form.Controls().OpenWithPas);
    test::OnNextModal([](QWidget* dialog) {
        auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("PasswordEdit"));
        QTest::keyClicks(edit, QStringLiteral("0a0b0c0d0e"));
        dialog->findChild<QPushButton*>(QStringLiteral("OKButton"))->click();
    });
    test::Trigger(form, "OpenWithPas");
    EXPECT_EQ(Addresses(group, dfOpened), (std::vector<int>{3, 40}));
    EXPECT_FALSE(form.Controls().OpenWithPas);

    // The group moves to 19200 and the port with it; a search there also finds 17.
    test::OnNextModal([](QWidget* dialog) {
        dialog->findChild<QComboBox*>(QStringLiteral("ChSpeed"))->setCurrentText(QStringLiteral("19200"));
        dialog->findChild<QPushButton*>(QStringLiteral("OKButton"))->click();
    });
    test::Trigger(form, "SetProgrWin");
    EXPECT_EQ(form.Settings().PortBaudRate, 19200);
    EXPECT_EQ(form.Session().PortBaudRate(), 19200);
    test::Click(form, "SpButFind");
    EXPECT_EQ(Addresses(group, dfConnected), (std::vector<int>{3, 17, 40}));

    test::ClickDevice(form, 3);
    test::Trigger(form, "ReadDevKeys");
    EXPECT_EQ(form.Engine().CurConf().UserCount(), 40);
    EXPECT_EQ(form.Engine().CurConf().MasterCount(), 2);
    EXPECT_EQ(form.CardGrid()->RowCount(), 40);

    const QString file = dir.filePath(QStringLiteral("site.txt"));
    w.Files->Answers = {file};
    test::Click(form, "sbFileSave");
    test::Click(form, "sbFileCreate");
    EXPECT_TRUE(Addresses(group, dfInGroup).empty());
    EXPECT_EQ(group.Count(), 3);  // still on the line

    // The program started anew on the same line opens the file and finds its group there.
    const std::string line = form.Ports().PathFor(1).toStdString();
    form.Session().SetActive(false);
    TStartOptions again;
    std::string error;
    ASSERT_TRUE(again.Ports.AddMapping("1=" + line, error));
    again.MappedPorts.push_back(1);
    test::TWindowFixture w2(again);
    w2.Files->Answers = {file};
    test::Click(*w2.Form, "sbFileOpen");
    TGroupDev& loaded = w2.Form->DevGroup();
    EXPECT_EQ(w2.Form->Settings().PortBaudRate, 19200);
    ASSERT_EQ(Addresses(loaded, dfInGroup), (std::vector<int>{3, 17, 40}));
    EXPECT_EQ(Addresses(loaded, dfConnected), (std::vector<int>{3, 17, 40}));
    EXPECT_EQ(Addresses(loaded, dfOpened), (std::vector<int>{3, 17, 40}));
    EXPECT_EQ(loaded.GetDevice(loaded.IndexOfAdr(3), nullptr)->UserCount(), 40);
    // The only box: the file's speed is not the new program's.
    ASSERT_EQ(w2.Boxes.size(), 1u);
    EXPECT_EQ(w2.Boxes[0].Text.rfind("Настройки скорости в программе", 0), 0u);
    for (const test::TBox& box : w.Boxes) ADD_FAILURE() << box.Text;
}

}  // namespace
}  // namespace pelko
