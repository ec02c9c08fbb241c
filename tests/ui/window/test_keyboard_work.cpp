// A technician's day from the keyboard: deleting what Ctrl+A marked right
// after choosing the controller, typing a code over the old one, opening the
// cell list, and the status bar's one line after each edit. What the card
// list shows is compared with a window given the expected cards directly.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QSplitter>
#include <QStatusBar>
#include <QTest>

#include "controls/a_property_list.h"
#include "controls/ac_grid.h"
#include "controls/ys_grid.h"
#include "ui/status_text.h"
#include "window_test_util.h"

namespace pelko {
namespace {

using test::Key;
using test::TabTo;
using test::TOfflineCards;

// Inspector row `row` with its editor opened by Enter.
void OpenInspectorRow(TMainForm& form, int row) {
    TabTo(&form, form.Inspector());
    Key(&form, Qt::Key_Home);
    for (int i = 0; i < row; ++i) Key(&form, Qt::Key_Down);
    Key(&form, Qt::Key_Return);
}

QImage Shown(TMainForm& form) { return form.CardGrid()->viewport()->grab().toImage(); }

// The rows both show: a longer status line may have taken a line of the list's height.
bool SameRows(const QImage& shown, const QImage& expected) {
    const int h = std::min(shown.height(), expected.height());
    return shown.width() == expected.width() && shown.copy(0, 0, shown.width(), h) == expected.copy(0, 0, shown.width(), h);
}

// The card list of a window whose device 3 holds these cards (cell, code),
// its current row `row`: what the list should show.
QImage Expected(const std::vector<std::pair<int, std::string>>& cards, int row) {
    TOfflineCards w(0);
    TConfPelko& dev = *w.Form->DevGroup().GetDevice(w.Form->DevGroup().IndexOfAdr(3), nullptr);
    for (const auto& [cell, code] : cards) dev.AddCard(static_cast<std::uint16_t>(cell), TextToCode(code), "");
    w.Form->SetCardRowCount(static_cast<int>(cards.size()));
    w.Form->SetCardRow(row);
    test::Flush();
    return Shown(*w.Form);
}

// 0x77 0 0 hi lo, as TOfflineCards makes them.
std::vector<std::pair<int, std::string>> Made(int n) {
    std::vector<std::pair<int, std::string>> cards;
    for (int i = 0; i < n; ++i) cards.emplace_back(i, CodeToText({0x77, 0, 0, static_cast<std::uint8_t>(i >> 8), static_cast<std::uint8_t>(i)}));
    return cards;
}

QString Status(TMainForm& form) { return form.findChild<TStatusText*>(QStringLiteral("StatusPanel1"))->text(); }

// Choosing the controller in the device grid gives it the inspector; the
// card list must take its cards back as soon as it has the focus, or Delete
// and "Удалить карту" do nothing until the row has moved.
TEST(WindowWork, DeleteRightAfterChoosingTheController) {
    for (const bool menu : {false, true}) {
        TOfflineCards w(200);
        TMainForm& form = *w.Form;
        TabTo(&form, form.GridDev());
        Key(&form, Qt::Key_Home);
        Key(&form, Qt::Key_Return);
        Key(&form, Qt::Key_Tab, Qt::ShiftModifier);
        ASSERT_EQ(QApplication::focusWidget(), form.CardGrid());
        Key(&form, Qt::Key_A, Qt::ControlModifier);
        if (menu) test::MenuItem(&form, u'К', u'У');  // Карты → Удалить карту
        else Key(&form, Qt::Key_Delete);
        EXPECT_EQ(w.Cards().UserCount(), 0) << menu;
        EXPECT_EQ(Status(form), QStringLiteral("200 карт удалено из «Прибор: 3»")) << menu;
        EXPECT_TRUE(SameRows(Shown(form), Expected({}, -1))) << menu;
    }
}

// The editor opens with its text selected, so typing replaces it; what
// cannot be taken is refused with a message and stays in the editor.
TEST(WindowWork, ATypedCodeReplacesTheOldOne) {
    const struct {
        const char* Typed;
        const char* Message;  // empty: taken
    } cases[] = {
        {"12ab34cd56", ""},
        {"12ab34cd56ef", "Введён неверный код: в коде карты 10 знаков, введено 12"},
        {"123456789", "Введён неверный код"},
    };
    for (const auto& c : cases) {
        TOfflineCards w(5);
        TMainForm& form = *w.Form;
        TabTo(&form, form.CardGrid());
        Key(&form, Qt::Key_Insert);  // cell 5, code 0000000000
        OpenInspectorRow(form, 1);
        auto* edit = qobject_cast<QLineEdit*>(form.Inspector()->Editor());
        ASSERT_NE(edit, nullptr) << c.Typed;
        EXPECT_EQ(edit->selectedText(), QStringLiteral("0000000000")) << c.Typed;
        test::Type(&form, QString::fromUtf8(c.Typed));
        Key(&form, Qt::Key_Return);
        const bool taken = *c.Message == 0;
        std::vector<std::string> boxes;
        for (const test::TBox& b : w.Boxes) boxes.push_back(b.Text);
        EXPECT_EQ(boxes, taken ? std::vector<std::string>{} : std::vector<std::string>{c.Message}) << c.Typed;
        const std::string code = taken ? "12AB34CD56" : "0000000000";
        TCard card;
        w.Cards().GetCard(false, 5, card);
        EXPECT_EQ(CodeToText(card.Code), code) << c.Typed;
        EXPECT_EQ(form.Inspector()->Value(1).toStdString(), code) << c.Typed;
        if (!taken) {
            edit = qobject_cast<QLineEdit*>(form.Inspector()->Editor());
            ASSERT_NE(edit, nullptr) << c.Typed << ": the editor is open again";
            EXPECT_EQ(edit->text(), QString::fromUtf8(c.Typed));
            EXPECT_EQ(edit->selectedText(), edit->text());
            Key(&form, Qt::Key_Escape);
        }
        std::vector<std::pair<int, std::string>> cards = Made(5);
        cards.emplace_back(5, code);
        EXPECT_TRUE(SameRows(Shown(form), Expected(cards, 5))) << c.Typed;
    }
}

// F4 or Alt+Down opens the "Ячейка" list; Down and Enter choose the next
// free cell, Enter takes it, and the focus stays in the inspector.
TEST(WindowWork, TheCellListOpensFromTheKeyboard) {
    const std::pair<int, Qt::KeyboardModifiers> opens[] = {{Qt::Key_F4, Qt::NoModifier}, {Qt::Key_Down, Qt::AltModifier}};
    for (const auto& [key, mods] : opens) {
        TOfflineCards w(5);
        TMainForm& form = *w.Form;
        TabTo(&form, form.CardGrid());
        Key(&form, Qt::Key_Home);
        OpenInspectorRow(form, 0);
        QPointer<QComboBox> list = qobject_cast<QComboBox*>(form.Inspector()->Editor());
        ASSERT_NE(list, nullptr);
        Key(&form, key, mods);
        ASSERT_TRUE(list) << key << ": the editor closed";
        EXPECT_TRUE(list->view()->isVisible()) << key;
        Key(&form, Qt::Key_Down);  // cell 0 is the card's own; 5 the first free
        Key(&form, Qt::Key_Return);
        ASSERT_TRUE(list && !list->view()->isVisible()) << key;
        Key(&form, Qt::Key_Return);
        EXPECT_EQ(w.Cards().FindPosIndex(5), 0) << key;
        EXPECT_EQ(Status(form), QStringLiteral("Карта перенесена из ячейки 0 в ячейку 5")) << key;
        EXPECT_EQ(QApplication::focusWidget(), form.Inspector()) << key;
        std::vector<std::pair<int, std::string>> cards = Made(5);
        cards.front().first = 5;
        EXPECT_TRUE(SameRows(Shown(form), Expected(cards, 0))) << key;
    }
}

// Every edit and copy ends with one line saying what happened, in the
// counted word's right form; so does an undo.
TEST(WindowWork, EachEditSaysWhatItDid) {
    TOfflineCards w(8);
    TMainForm& form = *w.Form;
    TabTo(&form, form.CardGrid());
    Key(&form, Qt::Key_Home);
    const struct {
        std::function<void()> Keys;
        const char* Said;
    } steps[] = {
        {[&] {
             Key(&form, Qt::Key_Space);
             Key(&form, Qt::Key_Down, Qt::ShiftModifier);
             test::OnNextModal([](QWidget* dialog) { QTest::keyClick(dialog, Qt::Key_Return); });
             Key(&form, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
         },
         // 9 is on the line (the test's devices say connected) but was never read
         "2 карты скопированы в «Прибор: 9»; его карты в этом сеансе не считывались: в самом приборе эти ячейки "
         "могут быть заняты"},
        {[&] { Key(&form, Qt::Key_Z, Qt::ControlModifier); }, "Отменено: копирование карт"},
        {[&] {  // the undo showed 9, where the cards had gone: back to 3
             TabTo(&form, form.GridDev());
             Key(&form, Qt::Key_Home);
             Key(&form, Qt::Key_Return);
             Key(&form, Qt::Key_Tab, Qt::ShiftModifier);
         },
         nullptr},
        {[&] { Key(&form, Qt::Key_Delete); }, "2 карты удалены из «Прибор: 3»"},
        {[&] { Key(&form, Qt::Key_Delete); }, "1 карта удалена из «Прибор: 3»"},
        {[&] {
             Key(&form, Qt::Key_A, Qt::ControlModifier);
             Key(&form, Qt::Key_Delete);
         },
         "5 карт удалено из «Прибор: 3»"},
        {[&] { Key(&form, Qt::Key_Z, Qt::ControlModifier); }, "Отменено: удаление карт"},
        {[&] { Key(&form, Qt::Key_Insert); }, "Карта добавлена в ячейку 0"},
    };
    for (const auto& step : steps) {
        step.Keys();
        if (step.Said) {
            EXPECT_EQ(Status(form).toStdString(), step.Said);
        }
    }
    EXPECT_TRUE(w.Boxes.empty());
}

// The window opens where it was closed, with the splitter where it was left.
TEST(WindowWork, TheWindowsPlaceIsRemembered) {
    QList<int> sizes;
    QRect place;
    {
        test::TWindowFixture w(test::NoPort());
        test::ShowActive(*w.Form);
        w.Form->setGeometry(40, 30, 700, 520);
        auto* splitter = w.Form->findChild<QSplitter*>(QStringLiteral("Splitter1"));
        splitter->setSizes({420, splitter->width() - 420 - splitter->handleWidth()});
        test::Flush();
        sizes = splitter->sizes();
        place = w.Form->geometry();
        ASSERT_TRUE(w.Form->close());
    }
    TMainForm again{test::NoPort()};
    again.show();
    test::Flush();
    EXPECT_EQ(again.geometry(), place);
    EXPECT_EQ(again.findChild<QSplitter*>(QStringLiteral("Splitter1"))->sizes(), sizes);
}

}  // namespace
}  // namespace pelko
