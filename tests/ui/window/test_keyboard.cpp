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

// Where a key typed now goes: an open menu, else the focus. The offscreen
// platform has no window manager to give the window back its activation
// when a modal window closes: this does what the window manager would.
QWidget* KeyTarget(QWidget* fallback) {
    if (QWidget* popup = QApplication::activePopupWidget()) return popup;
    if (QApplication::activeWindow() == nullptr && QApplication::activeModalWidget() == nullptr) {
        fallback->window()->activateWindow();
        (void)QTest::qWaitForWindowActive(fallback->window());
    }
    if (QWidget* focus = QApplication::focusWidget()) return focus;
    return fallback;
}

void Key(QWidget* fallback, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(KeyTarget(fallback), Qt::Key(key), mods);
    test::Flush();
}

// A letter as a keyboard sends it: key code and text (Russian letters too).
void Letter(QWidget* fallback, QChar letter, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    const QChar upper = letter.toUpper();
    QTest::sendKeyEvent(QTest::Click, KeyTarget(fallback), Qt::Key(upper.unicode()), QString(letter.toLower()), mods);
    test::Flush();
}

// Alt+menu letter, then the item's letter.
void MenuItem(QWidget* form, QChar menu, QChar item) {
    Letter(form, menu, Qt::AltModifier);
    ASSERT_NE(QApplication::activePopupWidget(), nullptr) << "Alt+" << QString(menu).toStdString() << " opened no menu";
    Letter(form, item);
}

// Tab until the widget has the focus (the tab order is the window's own).
void TabTo(QWidget* form, QWidget* target, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    for (int i = 0; i < 40 && QApplication::focusWidget() != target; ++i) Key(form, Qt::Key_Tab, mods);
    ASSERT_EQ(QApplication::focusWidget(), target) << target->objectName().toStdString();
}

void ShowActive(TMainForm& form) {
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
}

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
    test::Click(form, "SpButFind");  // the simulator's lists name the controllers found
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
    // "Карты" stands between "Файл" and "Прибор".
    QStringList menus;
    for (QAction* a : form.menuBar()->actions()) menus << a->text().remove(QLatin1Char('&'));
    EXPECT_EQ(menus.indexOf(QStringLiteral("Карты")), menus.indexOf(QStringLiteral("Файл")) + 1);
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
// to 40 and save: nothing but key events.
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

    MenuItem(&form, u'Г', u'С');  // Группа → Поиск приборов на текущей скорости
    ASSERT_EQ(group.Count(), 2);

    // 40: the grid's second cell; its own password.
    TabTo(&form, form.GridDev());
    Key(&form, Qt::Key_End);
    Key(&form, Qt::Key_Return);
    ASSERT_EQ(group.Selected(), group.IndexOfAdr(40));
    test::OnNextModal([](QWidget* dialog) {
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("0a0b0c0d0e"));
        QTest::keyClick(dialog, Qt::Key_Return);
    });
    MenuItem(&form, u'П', u'О');  // Открыть с паролем
    ASSERT_TRUE(group.GetState(group.IndexOfAdr(40), dfOpened));

    test::OnNextModal([&form](QWidget* dialog) {
        auto* speed = dialog->findChild<QComboBox*>(QStringLiteral("ChSpeed"));
        for (int i = 0; i < 20 && QApplication::focusWidget() != speed; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        while (speed->currentText() != QStringLiteral("19200") && speed->currentIndex() < speed->count() - 1)
            QTest::keyClick(speed, Qt::Key_Down);
        QTest::keyClick(speed, Qt::Key_Return);
        (void)form;
    });
    MenuItem(&form, u'Н', u'Н');  // Настройки → Настройки программы
    ASSERT_EQ(form.Settings().PortBaudRate, 19200);
    MenuItem(&form, u'Г', u'С');
    ASSERT_EQ(group.Count(), 3);

    // 17 lies between 3 and 40: Home, Right, Space.
    TabTo(&form, form.GridDev());
    Key(&form, Qt::Key_Home);
    Key(&form, Qt::Key_Right);
    Key(&form, Qt::Key_Space);
    const DevIndex d17 = group.IndexOfAdr(17);
    ASSERT_EQ(group.Selected(), d17);
    ASSERT_TRUE(group.GetState(d17, dfOpened));
    MenuItem(&form, u'П', u'Ч');  // Считать карты
    const TConfPelko& source = *group.GetDevice(d17, nullptr);
    ASSERT_GE(source.UserCount(), 3);
    ASSERT_EQ(form.CardGrid()->RowCount(), source.UserCount());

    TabTo(&form, form.CardGrid(), Qt::ShiftModifier);
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
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_End);  // 3, then 40
        QTest::keyClick(dialog, Qt::Key_Return);
    });
    Key(&form, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_EQ(target.UserCount(), before + 3);
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

}  // namespace
}  // namespace pelko
