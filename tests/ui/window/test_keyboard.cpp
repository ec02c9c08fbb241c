// The window from the keyboard alone, and what it tells without colour:
// every menu item has its access key, a whole session runs on key events
// only, the device cells carry marks that survive grey scale, and
// assistive technology hears each cell's state in words.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>

#include "controls/ac_grid.h"
#include "controls/accessible_grids.h"
#include "controls/ys_grid.h"
#include "ui/access_keys.h"
#include "window_test_util.h"

namespace pelko {
namespace {

using test::DialogFocus;
using test::Key;
using test::Letter;
using test::MenuItem;
using test::ShowActive;
using test::TabTo;
using test::TOfflineCards;

// Every menu and submenu, opened as a user would, so lists made on opening are there too.
void WalkMenu(QMenu* menu, const QString& path, bool russian) {
    emit menu->aboutToShow();
    QSet<QChar> keys;
    for (QAction* a : menu->actions()) {
        if (a->isSeparator()) continue;
        const QString where = path + " / " + a->text();
        const QChar key = AccessKey(a->text());
        EXPECT_FALSE(key.isNull()) << where.toStdString() << ": no access key";
        if (key.isNull()) continue;
        EXPECT_FALSE(keys.contains(key)) << where.toStdString() << ": access key " << QString(key).toStdString()
                                         << " used twice";
        if (russian) {
            EXPECT_EQ(key.script(), QChar::Script_Cyrillic) << where.toStdString();
        }
        keys.insert(key);
        // The simulator's lists name controllers and card codes: any letter or digit.
        if (a->menu()) WalkMenu(a->menu(), where, russian && !menu->objectName().startsWith(QLatin1String("Simulator")));
    }
}

TEST(WindowKeyboard, EveryMenuItemHasAnAccessKeyOfItsOwn) {
    test::TWindowFixture w(test::Simulated());
    TMainForm& form = *w.Form;
    QSet<QChar> bar;
    for (QAction* a : form.menuBar()->actions()) {
        const QChar key = AccessKey(a->text());
        EXPECT_FALSE(key.isNull()) << a->text().toStdString();
        EXPECT_FALSE(bar.contains(key)) << a->text().toStdString();
        bar.insert(key);
        WalkMenu(a->menu(), a->text(), true);
    }
    // The captions themselves are unchanged; "Сбросить " keeps its blank.
    const std::pair<const char*, const char*> captions[] = {
        {"N4", "Открыть"}, {"N2", "Сохранить"}, {"N10", "Сохранить как"}, {"N3", "Выход"},
        {"ResetDev", "Сбросить "}, {"ChDevStandPas", "Заменить пароль на общий"},
        {"OpenWithPas", "Открыть с паролем"}, {"ReadDevKeys", "Считать карты"}, {"WriteDevKeys", "Записать карты"},
        {"SetDevParams", "Записать параметры"}, {"SetDevAddr", "Заменить адрес"},
        {"SetProgrWin", "Настройки программы"}, {"N8", "Подписи к кнопкам"}, {"ContentHelp", "Содержание"},
        {"AboutPrg", "О программе"}, {"CopyToDevice", "Копировать в прибор…"},
    };
    for (const auto& [name, caption] : captions) {
        QAction* a = form.findChild<QAction*>(QString::fromLatin1(name));
        ASSERT_NE(a, nullptr) << name;
        EXPECT_EQ(a->text().remove(QLatin1Char('&')), QString::fromUtf8(caption)) << name;
    }
    // "Правка" and "Карты" stand between "Файл" and "Прибор".
    QStringList menus;
    for (QAction* a : form.menuBar()->actions()) menus << a->text().remove(QLatin1Char('&'));
    EXPECT_EQ(menus.indexOf(QStringLiteral("Правка")), menus.indexOf(QStringLiteral("Файл")) + 1);
    EXPECT_EQ(menus.indexOf(QStringLiteral("Карты")), menus.indexOf(QStringLiteral("Правка")) + 1);
    EXPECT_EQ(menus.indexOf(QStringLiteral("Прибор")), menus.indexOf(QStringLiteral("Карты")) + 1);
}

std::vector<std::string> Codes(const TConfPelko& dev) {
    std::vector<std::string> codes;
    for (std::uint16_t i = 0; i < dev.UserCount(); ++i) {
        TCard card;
        dev.GetCard(false, i, card);
        codes.push_back(CodeToText(card.Code));
    }
    return codes;
}

// Search, open 40 with its password, move the line to 19200 where 17 answers
// too, select 17 in the device grid, read its cards, mark three, copy them
// to 40 and save: nothing but key events. A step that fails ends the test:
// the dialogs waited for would never come.
TEST(WindowKeyboard, AWholeSessionWithKeysOnly) {
    QTemporaryDir dir;
    test::TWindowFixture w(test::Simulated());
    TMainForm& form = *w.Form;
    ShowActive(form);
    TGroupDev& group = form.DevGroup();

    Key(&form, Qt::Key_F10);
    ASSERT_NE(QApplication::activePopupWidget(), nullptr) << "F10 opened no menu";
    Key(&form, Qt::Key_Escape);
    Key(&form, Qt::Key_Escape);

    ASSERT_NO_FATAL_FAILURE(MenuItem(&form, u'Г', u'С'));  // Группа → Поиск приборов на текущей скорости
    ASSERT_EQ(group.Count(), 2);

    // 40: the grid's second cell; its own password.
    ASSERT_NO_FATAL_FAILURE(TabTo(&form, form.GridDev()));
    Key(&form, Qt::Key_End);
    Key(&form, Qt::Key_Return);
    ASSERT_EQ(group.Selected(), group.IndexOfAdr(40));
    test::OnNextModal([](QWidget* dialog) {
        QTest::keyClicks(DialogFocus(dialog), QStringLiteral("0a0b0c0d0e"));
        QTest::keyClick(dialog, Qt::Key_Return);
    });
    ASSERT_NO_FATAL_FAILURE(MenuItem(&form, u'П', u'О'));  // Открыть с паролем
    ASSERT_TRUE(group.GetState(group.IndexOfAdr(40), dfOpened));

    test::OnNextModal([&form](QWidget* dialog) {
        auto* speed = dialog->findChild<QComboBox*>(QStringLiteral("ChSpeed"));
        (void)DialogFocus(dialog);
        for (int i = 0; i < 20 && QApplication::focusWidget() != speed; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        while (speed->currentText() != QStringLiteral("19200") && speed->currentIndex() < speed->count() - 1)
            QTest::keyClick(speed, Qt::Key_Down);
        QTest::keyClick(speed, Qt::Key_Return);
        (void)form;
    });
    ASSERT_NO_FATAL_FAILURE(MenuItem(&form, u'Н', u'Н'));  // Настройки → Настройки программы
    ASSERT_EQ(form.Settings().PortBaudRate, 19200);
    ASSERT_NO_FATAL_FAILURE(MenuItem(&form, u'Г', u'С'));
    ASSERT_EQ(group.Count(), 3);

    // 17 lies between 3 and 40: Home, Right, Space.
    ASSERT_NO_FATAL_FAILURE(TabTo(&form, form.GridDev()));
    Key(&form, Qt::Key_Home);
    Key(&form, Qt::Key_Right);
    Key(&form, Qt::Key_Space);
    const DevIndex d17 = group.IndexOfAdr(17);
    ASSERT_EQ(group.Selected(), d17);
    ASSERT_TRUE(group.GetState(d17, dfOpened));
    ASSERT_NO_FATAL_FAILURE(MenuItem(&form, u'П', u'Ч'));  // Считать карты
    const TConfPelko& source = *group.GetDevice(d17, nullptr);
    ASSERT_GE(source.UserCount(), 3);
    ASSERT_EQ(form.CardGrid()->RowCount(), source.UserCount());
    TYSGrid* cards = form.CardGrid();
    EXPECT_TRUE(cards->Row() >= cards->TopRow() && cards->Row() < cards->TopRow() + cards->VisibleRows())
        << "row " << cards->Row() << " of " << cards->RowCount() << ", top " << cards->TopRow();

    ASSERT_NO_FATAL_FAILURE(TabTo(&form, form.CardGrid(), Qt::ShiftModifier));
    Key(&form, Qt::Key_Home);
    Key(&form, Qt::Key_Space);
    Key(&form, Qt::Key_Down, Qt::ShiftModifier);
    Key(&form, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(source.CountSelected(false), 3);
    std::vector<std::string> marked = Codes(source);
    marked.resize(3);

    const TConfPelko& target = *group.GetDevice(group.IndexOfAdr(40), nullptr);
    const std::uint16_t before = target.UserCount();
    test::OnNextModal([](QWidget* dialog) {
        QTest::keyClick(DialogFocus(dialog), Qt::Key_End);  // 3, then 40
        QTest::keyClick(dialog, Qt::Key_Return);
    });
    QAction* copy = form.findChild<QAction*>(QStringLiteral("CopyToDevice"));
    ASSERT_NE(copy, nullptr);
    ASSERT_TRUE(copy->isEnabled());
    ASSERT_NO_FATAL_FAILURE(ShowActive(form));  // as a window manager does once the read's progress window is gone
    Key(&form, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_EQ(target.UserCount(), before + 3)
        << "active window " << (QApplication::activeWindow() == &form) << ", focus "
        << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName().toStdString() : "none");
    const std::vector<std::string> copied = Codes(target);
    for (const std::string& code : marked)
        EXPECT_NE(std::find(copied.begin(), copied.end(), code), copied.end()) << code;

    const QString file = dir.filePath(QStringLiteral("site.txt"));
    w.Files->Answers = {file};
    Key(&form, Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(QFile::exists(file));
    EXPECT_FALSE(form.Unsaved());
    for (const test::TBox& box : w.Boxes) ADD_FAILURE() << box.Text;
}

// Each key in the card list, from the same start: what it does to the
// cards, the marks and the current row, and that the row stays in view.
TEST(WindowKeyboard, CardListKeys) {
    struct TCase {
        const char* Name;
        int Key;
        Qt::KeyboardModifiers Mods;
        int Count;   // cards afterwards
        int Marked;  // marked afterwards
    };
    // Start: 200 cards, rows 150 and 151 marked, row 151 current.
    const TCase cases[] = {
        {"Space on a marked row unmarks it", Qt::Key_Space, Qt::NoModifier, 200, 1},
        {"Ctrl+A marks every row", Qt::Key_A, Qt::ControlModifier, 200, 200},
        {"Delete deletes the marked cards", Qt::Key_Delete, Qt::NoModifier, 198, 0},
        {"Insert adds a card and goes to it", Qt::Key_Insert, Qt::NoModifier, 201, 0},
    };
    for (const TCase& c : cases) {
        TOfflineCards w(200);
        TMainForm& form = *w.Form;
        TabTo(&form, form.CardGrid());
        form.CardGrid()->GoToRow(150);
        test::Flush();
        Key(&form, Qt::Key_Space);
        Key(&form, Qt::Key_Down, Qt::ShiftModifier);
        ASSERT_EQ(w.Cards().CountSelected(false), 2) << c.Name;
        Key(&form, c.Key, c.Mods);
        EXPECT_EQ(w.Cards().UserCount(), c.Count) << c.Name;
        EXPECT_EQ(w.Cards().CountSelected(false), c.Marked) << c.Name;
        EXPECT_TRUE(w.RowInView()) << c.Name;
    }
}

// A read fills an empty list as the engine does, through its observer: the
// current row, now the last of many, is scrolled into view.
TEST(WindowKeyboard, TheCurrentRowStaysInViewAfterARead) {
    TOfflineCards w(0);
    TMainForm& form = *w.Form;
    TConfPelko& dev = *form.DevGroup().GetDevice(form.DevGroup().IndexOfAdr(3), nullptr);
    for (int i = 0; i < 300; ++i) dev.AddCard(static_cast<std::uint16_t>(i), {0x55, 0, 0, 0, static_cast<std::uint8_t>(i)}, "");
    static_cast<EngineObserver&>(form).OnChanged({chCards, -1});
    test::Flush();
    EXPECT_EQ(form.CardGrid()->Row(), 299);
    EXPECT_TRUE(w.RowInView()) << "top row " << form.CardGrid()->TopRow();
}

// "Копировать в прибор…" and a drop on the target's cell, on two windows
// alike: the same cards, names and messages land, for the current card, for
// marked ones, for codes the target holds, and for a target without room.
TEST(WindowKeyboard, CopyToDeviceDoesWhatADropDoes) {
    struct TCase {
        const char* Name;
        std::vector<int> Marked;  // none: the current row (2)
        int TargetHolds;          // cards already in 9, codes 0x77.. like the source's first ones
        bool Full;                // 9's user list full
    };
    const TCase cases[] = {
        {"the current card", {}, 0, false},
        {"marked cards", {1, 3, 4}, 0, false},
        {"codes the target holds", {0, 1, 2}, 2, false},
        {"a target without room", {1, 2}, 0, true},
    };
    for (const TCase& c : cases) {
        std::vector<std::string> cards[2], boxes[2];
        for (int way = 0; way < 2; ++way) {
            TOfflineCards w(6);
            TMainForm& form = *w.Form;
            TGroupDev& group = form.DevGroup();
            TConfPelko& target = *group.GetDevice(group.IndexOfAdr(9), nullptr);
            for (int i = 0; i < c.TargetHolds; ++i)
                target.AddCard(static_cast<std::uint16_t>(500 + i), {0x77, 0, 0, 0, static_cast<std::uint8_t>(i)}, "");
            for (int i = 0; c.Full && i < 1000; ++i)
                target.AddCard(static_cast<std::uint16_t>(i), {0x99, 0, 0, static_cast<std::uint8_t>(i >> 8), static_cast<std::uint8_t>(i)}, "");
            TConfPelko& source = *group.GetDevice(group.IndexOfAdr(3), nullptr);
            for (std::uint16_t i = 0; i < source.UserCount(); ++i) source.SetCardUser(false, i, "имя " + std::to_string(i));
            form.CardGrid()->GoToRow(2);
            test::Flush();
            for (int row : c.Marked) source.SelectCard(false, static_cast<std::uint16_t>(row));
            if (way == 0) {
                const QPoint at = test::DeviceCellPoint(form, 9);
                form.GridDevDragDrop(at.x(), at.y());
            } else {
                test::OnNextModal([](QWidget* dialog) { QTest::keyClick(dialog, Qt::Key_Return); });  // 9 is the only choice
                TabTo(&form, form.CardGrid());
                Key(&form, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
            }
            for (const TCard& card : target.UserCards()) cards[way].push_back(std::to_string(card.Pos) + " " + CodeToText(card.Code) + " " + card.User);
            for (const test::TBox& box : w.Boxes) boxes[way].push_back(box.Text);
        }
        EXPECT_EQ(cards[1], cards[0]) << c.Name;
        EXPECT_EQ(boxes[1], boxes[0]) << c.Name;
        EXPECT_EQ(boxes[0].empty(), !c.Full) << c.Name;
    }
}

// Alt and a menu's letter open that menu, with the card commands enabled
// and with them disabled: an item with a shortcut of its own must not take
// a menu's letter away, even while it is disabled.
TEST(WindowKeyboard, AltAndTheLetterOpenEveryMenu) {
    TOfflineCards w(6);
    TMainForm& form = *w.Form;
    auto walk = [&form](const char* when) {
        for (QAction* a : form.menuBar()->actions()) {
            ASSERT_TRUE(a->isEnabled()) << a->text().toStdString();
            Letter(&form, AccessKey(a->text()), Qt::AltModifier);
            EXPECT_EQ(QApplication::activePopupWidget(), a->menu()) << a->text().toStdString() << ", " << when;
            while (QApplication::activePopupWidget()) Key(&form, Qt::Key_Escape);
            Key(&form, Qt::Key_Escape);  // and out of the menu bar
        }
    };
    TabTo(&form, form.CardGrid());
    Key(&form, Qt::Key_Space);
    walk("a card marked");
    // Device 9 holds no cards: the card commands are disabled.
    TabTo(&form, form.GridDev());
    Key(&form, Qt::Key_End);
    Key(&form, Qt::Key_Return);
    ASSERT_FALSE(form.findChild<QAction*>(QStringLiteral("CopyToDevice"))->isEnabled());
    walk("no card");
}

// Insert and Delete belong to the card list: in the device grid they touch no card.
TEST(WindowKeyboard, CardKeysActOnlyInTheCardList) {
    TOfflineCards w(5);
    TMainForm& form = *w.Form;
    TabTo(&form, form.GridDev());
    Key(&form, Qt::Key_Delete);
    EXPECT_EQ(w.Cards().UserCount(), 5);
    Key(&form, Qt::Key_Insert);
    EXPECT_EQ(w.Cards().UserCount(), 5);
    EXPECT_EQ(form.DevGroup().Selected(), form.DevGroup().IndexOfAdr(3));
    // The grid's arrows select nothing until Enter.
    Key(&form, Qt::Key_Right);
    EXPECT_EQ(form.DevGroup().Selected(), form.DevGroup().IndexOfAdr(3));
    Key(&form, Qt::Key_Return);
    EXPECT_EQ(form.DevGroup().Selected(), form.DevGroup().IndexOfAdr(9));
    EXPECT_EQ(form.CardGrid()->RowCount(), 0) << "the card list follows the selection";
}

// In grey scale the in-group and open cells are told apart from the others
// by their marks, wherever the colours land; and each cell says its state.
TEST(WindowKeyboard, DeviceStatesSurviveGreyScaleAndAreSaidInWords) {
    InstallAccessibleGrids();
    TOfflineCards w(0);
    TMainForm& form = *w.Form;
    TGroupDev& group = form.DevGroup();
    // Every combination of connected, opened and in group, at addresses 10..17.
    for (int k = 0; k < 8; ++k) {
        const DevIndex i = group.AddDevice(static_cast<std::uint8_t>(10 + k));
        group.ClearState(i, dfConnected);
        if (k & 1) group.SetState(i, dfConnected);
        if (k & 2) group.SetState(i, dfOpened);
        if (k & 4) group.SetState(i, dfInGroup);
    }
    form.UpdateGridDev();
    test::Flush();
    TACGrid* grid = form.GridDev();
    const QImage grey = grid->viewport()->grab().toImage().convertToFormat(QImage::Format_Grayscale8);
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(grid);
    for (int k = 0; k < 8; ++k) {
        const DevIndex i = group.IndexOfAdr(static_cast<std::uint8_t>(10 + k));
        const QPoint at = test::DeviceCellPoint(form, static_cast<std::uint8_t>(10 + k));
        ASSERT_GE(at.x(), 0);
        const TCellColumns c = grid->Columns();
        const int col = c.At(at.x());
        const int left = c.Left(col) + 1, right = c.Left(col) + c.WidthOf(col) - 1;
        const int top = (at.y() - grid->CellHeight() - 1) / grid->CellHeight() * grid->CellHeight() + grid->CellHeight() + 1;
        const int back = qGray(grey.pixel(left + 3, top + grid->CellHeight() - 4));
        const bool framed = std::abs(qGray(grey.pixel(left + 1, top + grid->CellHeight() / 2)) - back) >= 100;
        const bool flagged = std::abs(qGray(grey.pixel(right - 4, top + 2)) - back) >= 100;
        const bool inGroup = (k & 4) != 0, open = (k & 3) == 3;
        EXPECT_EQ(framed, inGroup) << "address " << 10 + k;
        EXPECT_EQ(flagged, open) << "address " << 10 + k;
        const QString said = list->child(i)->text(QAccessible::Description);
        EXPECT_TRUE(said.startsWith((k & 1) ? QStringLiteral("подключен") : QStringLiteral("нет связи"))) << said.toStdString();
        EXPECT_EQ(said.contains(QStringLiteral("открыт")), open) << said.toStdString();
        EXPECT_TRUE(said.contains(inGroup ? QStringLiteral(", в группе") : QStringLiteral("не в группе"))) << said.toStdString();
    }
}

}  // namespace
}  // namespace pelko
