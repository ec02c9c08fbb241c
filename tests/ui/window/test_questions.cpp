// Questions the window asks before a command overwrites a controller's card
// cells, answered through the real boxes on the simulated line.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>

#include "sim/demo_line.h"
#include "ui/dialogs/progress_form.h"
#include "ui/simulator_menu.h"
#include "window_test_util.h"

namespace pelko {
namespace {

struct TAsked {
    std::string Text;
    std::string Default;
};

// Runs act; the box it opens is answered by Enter (the default button) or by
// the button with this caption.
TAsked Answer(const std::function<void()>& act, const char* button = nullptr) {
    TAsked asked{"no box", ""};
    test::OnNextModal([&asked, button](QWidget* dialog) {
        auto* box = qobject_cast<QMessageBox*>(dialog);
        if (box == nullptr) {
            dialog->close();
            return;
        }
        asked = {box->text().toStdString(), box->defaultButton() ? box->defaultButton()->text().toStdString() : ""};
        if (button == nullptr) {
            QTest::keyClick(box, Qt::Key_Return);
            return;
        }
        for (QAbstractButton* b : box->buttons())
            if (b->text() == QString::fromUtf8(button)) b->click();
    });
    act();
    return asked;
}

std::vector<SimCode> Cells(SimLine& line, SimControllerId id) {
    const SimController c = *line.Snapshot(id);
    std::vector<SimCode> cells;
    for (std::uint16_t n = 0; n < kCellCount; ++n) cells.push_back(c.Cell(n));
    return cells;
}

TEST(WindowQuestions, CellsAreOverwrittenOnlyAfterYesWhichIsNotTheDefault) {
    test::TWindowFixture w(test::Simulated());
    TMainForm& form = *w.Form;
    form.show();
    SimLine& line = form.Simulator()->Line();
    const SimControllerId three = line.FindByAdr(3).at(0);
    test::Click(form, "SpButFind");
    test::ClickDevice(form, 3);
    const std::vector<SimCode> before = Cells(line, three);
    form.BoxHook = nullptr;

    const std::string unread = "В прибор «Прибор: 3» будут записаны 0 карт; остальные ячейки будут очищены"
                               " (его карты в этом сеансе не считывались).\nЗаписать карты?";
    const struct {
        const char* Command;
        std::string Text;
    } refused[] = {
        {"ResetDev", "Все карты прибора «Прибор: 3» будут стёрты.\nСбросить прибор?"},
        {"WriteDevKeys", unread},
        {"sbWriteKeyDev", unread},  // 40 is not opened: only 3 is written
    };
    for (const auto& r : refused) {
        const TAsked asked = Answer([&] {
            if (std::string(r.Command) == "sbWriteKeyDev") test::Click(form, r.Command);
            else test::Trigger(form, r.Command);
        });
        EXPECT_EQ(asked.Text, r.Text) << r.Command;
        EXPECT_EQ(asked.Default, "Нет") << r.Command;
        EXPECT_EQ(Cells(line, three), before) << r.Command;
    }

    // Read, the question has no note; one card less in the list, and Да writes it so.
    auto* status = form.findChild<QLabel*>(QStringLiteral("StatusPanel1"));
    test::Trigger(form, "ReadDevKeys");
    EXPECT_EQ(status->text().toStdString(), "Считывание карт с Прибор: 3: готово");
    TConfPelko& dev = form.Engine().CurConf();
    ASSERT_EQ(dev.UserCount() + dev.MasterCount(), 42);
    TCard gone;
    dev.GetCard(false, 0, gone);
    dev.DeleteCard(false, 0);
    // Cancelled once that cell is written: enough to see the write went ahead.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (line.Snapshot(three)->Cell(gone.Pos) == kNoCode && form.ProgressForm()->isVisible())
            form.ProgressForm()->CancelButton()->click();
    });
    watch.start(5);
    // Every cell: the write lasts long enough to be cancelled part way.
    QSettings().setValue(QStringLiteral("cards/writeAllCells"), true);
    const TAsked asked = Answer([&] { test::Trigger(form, "WriteDevKeys"); }, "Да");
    QSettings().remove(QStringLiteral("cards/writeAllCells"));
    watch.stop();
    EXPECT_EQ(asked.Text, "В прибор «Прибор: 3» будет записана 41 карта; остальные ячейки будут очищены.\nЗаписать карты?");
    EXPECT_EQ(line.Snapshot(three)->Cell(gone.Pos), kNoCode);
    // Cancelled part way: the status bar says how far it got.
    const QString said = status->text();
    EXPECT_TRUE(said.startsWith(QStringLiteral("Не завершено: Запись карт в Прибор: 3 — ячеек ")) &&
                said.endsWith(QStringLiteral(" из 1010")))
        << said.toStdString();

    // Parameters accepted with another value are written, and the status bar says so.
    test::OnNextModal([](QWidget* dialog) {
        QCheckBox* box = dialog->findChildren<QCheckBox*>().value(0);
        ASSERT_NE(box, nullptr);
        box->click();
        dialog->findChild<QPushButton*>(QStringLiteral("OKButton"))->click();
    });
    form.BoxHook = [](const std::string&, const std::string&, TMsgIcon) { return true; };
    test::Trigger(form, "SetDevParams");
    EXPECT_EQ(status->text().toStdString(), "Параметры прибора «Прибор: 3» записаны");
}

TEST(WindowQuestions, APasswordTheControllerRefusesIsSaidSo) {
    test::TWindowFixture w(test::Simulated());
    TMainForm& form = *w.Form;
    form.show();
    test::Click(form, "SpButFind");
    test::ClickDevice(form, 40);
    const std::string refused = "Прибор «Прибор: 40» не принял пароль.\r\nПроверьте пароль и связь с прибором.";
    const struct {
        const char* Typed;  // nullptr: the dialog is cancelled
        std::vector<std::string> Boxes;
        bool Opened;
    } cases[] = {
        {"0102030405", {refused}, false},
        {nullptr, {}, false},
        {"0a0b0c0d0e", {}, true},
    };
    for (const auto& c : cases) {
        w.Boxes.clear();
        test::OnNextModal([&c](QWidget* dialog) {
            if (c.Typed == nullptr) {
                dialog->close();
                return;
            }
            QTest::keyClicks(dialog->findChild<QLineEdit*>(QStringLiteral("PasswordEdit")), QString::fromLatin1(c.Typed));
            dialog->findChild<QPushButton*>(QStringLiteral("OKButton"))->click();
        });
        test::Trigger(form, "OpenWithPas");
        std::vector<std::string> texts;
        for (const test::TBox& b : w.Boxes) texts.push_back(b.Text);
        EXPECT_EQ(texts, c.Boxes) << (c.Typed ? c.Typed : "cancelled");
        EXPECT_EQ(form.DevGroup().GetStateByAdr(40, dfOpened), c.Opened);
    }
}

}  // namespace
}  // namespace pelko
