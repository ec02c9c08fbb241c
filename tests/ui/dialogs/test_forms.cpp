// The parameters, password, address and program settings dialogs: key
// filter of the password edits, the round trips, labels and placement.
#include <gtest/gtest.h>

#include <QApplication>
#include <QAbstractButton>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTest>

#include <functional>
#include <memory>
#include <tuple>
#include <vector>

#include "controls/divisor_spin_edit.h"
#include "controls_test_util.h"
#include "ui/dialogs/addr_form.h"
#include "ui/dialogs/sequrity_form.h"
#include "ui/dialogs/set_program_form.h"
#include "ui/dialogs/settings_form.h"

namespace pelko {
namespace {

QString U(const char* s) { return QString::fromUtf8(s); }

template <class W>
W* Child(QWidget* form, const char* name) {
    W* w = form->findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

QStringList Items(QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
    return items;
}

// Both password edits, in their dialogs, with the OK button they enable.
struct PasswordSite {
    const char* name;
    std::function<QDialog*()> make;
    const char* edit;
};

const PasswordSite kSites[] = {
    {"sequrity", [] { return static_cast<QDialog*>(new TSequrityForm); }, "PasswordEdit"},
    {"settings", [] { return static_cast<QDialog*>(new TSetProgramForm); }, "EdPass"},
};

TEST(PasswordEdit, FiltersKeysAndPastesInBothDialogs) {
    enum Kind { Key, Char, Paste };
    const struct { const char* before; Kind kind; int key; const char* input; const char* after; } cases[] = {
        {"", Char, 'a', "", "A"},     {"", Char, 'f', "", "F"},     {"", Char, 'F', "", "F"},
        {"", Char, '7', "", "7"},     {"12", Char, 'g', "", "12"},  {"12", Char, ' ', "", "12"},
        {"12", Char, '-', "", "12"},  {"12", Char, 'Z', "", "12"},  {"12AB", Key, Qt::Key_Backspace, "", "12A"},
        {"1234567890", Char, 'a', "", "1234567890"},
        {"", Paste, 0, "ab-cd 12\nxyzEF9", "ABCD12EF9"},
        {"12345", Paste, 0, "a-b-c-d-e-f", "12345ABCDE"},  // filtered before the ten are counted
        {"12", Paste, 0, "ghij", "12"},
    };
    for (const auto& site : kSites) {
        std::unique_ptr<QDialog> form(site.make());
        test::ShowActive(form.get());
        auto* edit = Child<QLineEdit>(form.get(), site.edit);
        edit->setFocus();
        for (const auto& c : cases) {
            edit->setText(U(c.before));
            edit->end(false);
            if (c.kind == Char) QTest::keyClick(edit, char(c.key));
            if (c.kind == Key) QTest::keyClick(edit, Qt::Key(c.key));
            if (c.kind == Paste) {
                QApplication::clipboard()->setText(U(c.input));
                QTest::keySequence(edit, QKeySequence::Paste);
            }
            EXPECT_EQ(edit->text(), U(c.after)) << site.name << ": " << c.before << " + " << char(c.key) << c.input;
        }
        // A swallowed key leaves a selection in place.
        edit->setText(QStringLiteral("12AB"));
        edit->selectAll();
        QTest::keyClick(edit, 'x');
        EXPECT_EQ(edit->text(), QStringLiteral("12AB")) << site.name;
        // Text set by the program obeys the same filter.
        edit->setText(QStringLiteral("1 a"));
        EXPECT_EQ(edit->text(), QStringLiteral("1A")) << site.name;
    }
}

TEST(PasswordEdit, OkEnabledExactlyAtTenCharacters) {
    for (const auto& site : kSites) {
        std::unique_ptr<QDialog> form(site.make());
        test::ShowActive(form.get());
        auto* edit = Child<QLineEdit>(form.get(), site.edit);
        auto* ok = Child<QPushButton>(form.get(), "OKButton");
        EXPECT_FALSE(ok->isEnabled()) << site.name;
        for (int i = 0; i < 10; ++i) {
            QTest::keyClick(edit, char('0' + i));
            EXPECT_EQ(ok->isEnabled(), i == 9) << site.name << " after " << i + 1;
        }
        QTest::keyClick(edit, Qt::Key_Backspace);
        EXPECT_FALSE(ok->isEnabled()) << site.name;
    }
    TSequrityForm form;
    Child<QLineEdit>(&form, "PasswordEdit")->setText(QStringLiteral("0123456789"));
    EXPECT_EQ(form.Password(), QStringLiteral("0123456789"));
    form.Prepare();
    EXPECT_EQ(form.Password(), QString());
    EXPECT_FALSE(Child<QPushButton>(&form, "OKButton")->isEnabled());
}

TEST(SettingsForm, ParamsRoundTripOverEveryItemAndBox) {
    TSettingsForm form;
    auto* pages = Child<QTabWidget>(&form, "PageControl");
    for (int i = 0; i < 16; ++i) {
        TDeviceParams p;
        p.VParam1 = i % 4;
        p.VParam6 = i % 3;
        p.vParam8 = i;
        p.VParam9 = (i + 1) % 3;
        p.VParam11 = 15 - i;
        p.VParam12 = i % 2;
        p.VParam2 = i & 1, p.VParam3 = i & 2, p.VParam4 = i & 4, p.VParam7 = i & 8;
        p.VParam10 = !(i & 1), p.VParam13 = !(i & 2), p.VParam14 = !(i & 4);
        pages->setCurrentIndex(1);
        form.ParamsToDialog(p);
        EXPECT_EQ(pages->currentIndex(), 0);
        EXPECT_EQ(form.DialogToParams(), p) << i;
    }
}

// Every caption, page, label and button text, and an accessible name on
// every control.
TEST(Dialogs, TextsByteForByte) {
    const struct { std::function<QDialog*()> make; const char* title; std::vector<const char*> texts; } forms[] = {
        {[] { return new TSettingsForm; }, "Настройка прибора",
         {" Параметры", "Дополнительные параметры", "Чувствительность контроллера", "Отправка кода любой карты",
          "Отправка кода карты из памяти", "Циклическая отправка кода карты", "Реакция зуммера на карту",
          "Циклическая работа зуммера", "Время работы зуммера", "Реакция реле", "Циклическая работа реле",
          "Время работы реле", "Режим работы реле", "Использовать память только при сбое обмена",
          "Автоматическая разрегистрация ", "Принять", "Закрыть"}},
        {[] { return new TSetProgramForm; }, "Настройки программы",
         {"Контроллеры", " Порт", "Скорость, бит/сек.:", "Общий пароль:", "Автоматически считывать карты",
          "Автоматически записывать карты", "Автоматически устанавливать настройки п/у",
          "Через сколько команд производить поиск :", "Сохранять индивидуальный пароль", "Записывать все ячейки",
          "Номер последовательного порта:", "Устройство:", "Ожидание ответа (мсек.):",
          "Дополнительное ожидание ответа на байт (мсек.):", "Максимальный интервал между байтами (мсек.):",
          "Переключение приема/передачи:", "Доп. задержка переключения на прием  (мксек.):",
          "Количество попыток выполнить команду:", "Принять", "Закрыть"}},
        {[] { return new TSequrityForm; }, "Безопасность",
         {"Введите пароль  для регистрации в контроллере:", "ОК!", "Отмена"}},
        {[] { return new TAddrForm; }, "Выбор адреса контроллера",
         {"Выберите новый адрес для контроллера:", "ОК!", "Отмена"}},
    };
    for (const auto& f : forms) {
        std::unique_ptr<QDialog> form(f.make());
        EXPECT_EQ(form->windowTitle(), U(f.title));
        QStringList texts;
        for (QLabel* l : form->findChildren<QLabel*>()) texts << l->text();
        for (QAbstractButton* b : form->findChildren<QAbstractButton*>()) texts << b->text();
        for (QTabWidget* t : form->findChildren<QTabWidget*>())
            for (int i = 0; i < t->count(); ++i) texts << t->tabText(i);
        for (const char* text : f.texts) EXPECT_TRUE(texts.contains(U(text))) << f.title << ": [" << text << "]";
        for (QWidget* w : form->findChildren<QWidget*>()) {
            const bool control =
                qobject_cast<QComboBox*>(w) || qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractButton*>(w);
            if (control && !w->objectName().isEmpty()) {
                EXPECT_FALSE(w->accessibleName().isEmpty()) << f.title << ": " << w->objectName().toStdString();
            }
        }
    }
}

TEST(SettingsForm, ListItemsAndClose) {
    TSettingsForm form;
    const struct { const char* name; int count; int at; const char* item; } items[] = {
        {"VParam1", 4, 0, "1 (мин.)"},   {"VParam6", 3, 1, "на записанную в память"}, {"vParam8", 16, 0, "не работает"},
        {"vParam8", 16, 1, "100 мсек."}, {"vParam8", 16, 2, "300 мсек."}, {"vParam8", 16, 14, "2700 мсек."},
        {"vParam8", 16, 15, "не выключится сам."}, {"VParam9", 3, 1, "только на карту в памяти"},
        {"VParam11", 16, 1, "100 мсек"},  {"VParam11", 16, 14, "2700 мсек"}, {"VParam11", 16, 15, "не выключится сам."},
        {"VParam12", 2, 0, "нормально разомкнуто"},
    };
    for (const auto& c : items) {
        auto* box = Child<QComboBox>(&form, c.name);
        EXPECT_EQ(box->count(), c.count) << c.name;
        EXPECT_EQ(box->itemText(c.at), U(c.item)) << c.name;
    }
    EXPECT_EQ(Child<QComboBox>(&form, "VParam1")->accessibleName(), U("Чувствительность контроллера"));

    // "Закрыть" greyed: neither Esc nor the close button rejects.
    test::ShowActive(&form);
    EXPECT_EQ(QApplication::focusWidget(), Child<QPushButton>(&form, "OKButton"));
    form.SetCloseEnabled(false);
    EXPECT_FALSE(Child<QPushButton>(&form, "CloseButton")->isEnabled());
    QTest::keyClick(&form, Qt::Key_Escape);
    form.close();
    EXPECT_TRUE(form.isVisible());
    form.SetCloseEnabled(true);
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Rejected);
}

TEST(AddrForm, OffersTheChoicesFirstSelected) {
    TAddrForm form;
    form.SetChoices({7, 1, 2, 254});
    EXPECT_EQ(Items(Child<QComboBox>(&form, "CBAddr")), QStringList({"7", "1", "2", "254"}));
    EXPECT_EQ(form.Chosen(), 7);
    Child<QComboBox>(&form, "CBAddr")->setCurrentIndex(3);
    EXPECT_EQ(form.Chosen(), 254);
    test::ShowActive(&form);
    EXPECT_EQ(QApplication::focusWidget(), Child<QPushButton>(&form, "OKButton"));
}

auto Tie(const TSettingsDialogValues& v) {
    return std::tie(v.ChSpeed, v.ShownSpeed, v.EdPass, v.AutoReadKey, v.AutoWrKey, v.AutoWrPar, v.CBSavePass,
                    v.CircleSpin, v.SpinNComPort, v.SpinTOConstant, v.SpinTOMultipl, v.SpinIntervalTO, v.SpinTailinUS,
                    v.SpinMaxAttempt, v.CBoxSmartPi);
}

TEST(SetProgramForm, FillValuesRoundTripAndSpeedShownAs9600) {
    TSetProgramForm form;
    TSettingsDialogValues v;
    for (int i = 0; i < 7; ++i) {
        v.ChSpeed = i;
        v.ShownSpeed = 6 - i;
        v.EdPass = i % 2 ? "0123456789" : "ABCDEF0123";
        v.AutoReadKey = i & 1, v.AutoWrKey = i & 2, v.AutoWrPar = i & 4, v.CBSavePass = !(i & 1);
        v.CircleSpin = 50 - i, v.SpinNComPort = 16 - i, v.SpinTOConstant = 40000 - i, v.SpinTOMultipl = i;
        v.SpinIntervalTO = 100 * i, v.SpinTailinUS = 400 + i, v.SpinMaxAttempt = 50 - i, v.CBoxSmartPi = i % 2;
        Child<QTabWidget>(&form, "PageControl")->setCurrentIndex(1);
        form.Fill(v);
        EXPECT_EQ(Child<QTabWidget>(&form, "PageControl")->currentIndex(), 0);
        EXPECT_EQ(Tie(form.Values()), Tie(v)) << i;
        EXPECT_TRUE(Child<QPushButton>(&form, "OKButton")->isEnabled());
    }
    ProgramSettings s;
    s.PortBaudRate = 1200;
    form.Fill(SettingsToDialog(s));
    EXPECT_EQ(Child<QComboBox>(&form, "ChSpeed")->currentText(), QStringLiteral("9600"));
    EXPECT_EQ(form.Values().ChSpeed, 2);
}

TEST(SetProgramForm, ListsRangesAndPortDevice) {
    TSetProgramForm form;
    EXPECT_EQ(Child<QTabWidget>(&form, "PageControl")->widget(1)->objectName(), QStringLiteral("PortTabSheet"));
    EXPECT_EQ(Items(Child<QComboBox>(&form, "ChSpeed")),
              QStringList({"2400", "4800", "9600", "19200", "38400", "57600", "115200"}));
    EXPECT_EQ(Items(Child<QComboBox>(&form, "CBoxSmartPi")), QStringList({U("автоматич."), U("программа")}));
    const struct { const char* name; std::uint32_t min, max; } spins[] = {
        {"SpinNComPort", 1, 16}, {"SpinTOConstant", 0, 40000}, {"SpinTOMultipl", 0, 40000},
        {"SpinIntervalTO", 0, 40000}, {"SpinTailinUS", 0, 40000}, {"SpinMaxAttempt", 0, 50}, {"CircleSpin", 0, 50},
    };
    for (const auto& c : spins) {
        auto* spin = Child<TDivisorSpinEdit>(&form, c.name);
        EXPECT_EQ(spin->MinValue(), c.min) << c.name;
        EXPECT_EQ(spin->MaxValue(), c.max) << c.name;
    }

    // The device drop-down follows the port number.
    form.SetPortDevices([](int n) { return QStringLiteral("/dev/ttyS%1").arg(n - 1); },
                        {QStringLiteral("/dev/ttyUSB0"), QStringLiteral("/dev/ttyS0")});
    TSettingsDialogValues v;
    v.SpinNComPort = 3;
    form.Fill(v);
    EXPECT_EQ(form.PortPath(), QStringLiteral("/dev/ttyS2"));
    Child<TDivisorSpinEdit>(&form, "SpinNComPort")->SetText(QStringLiteral("1"));
    EXPECT_EQ(form.PortPath(), QStringLiteral("/dev/ttyS0"));
    EXPECT_EQ(Child<QComboBox>(&form, "PortDevice")->currentIndex(), 1);
}

TEST(SetProgramForm, PlacedBottomRightAndKeptOnTheScreen) {
    TSetProgramForm form;
    const QRect avail = QGuiApplication::primaryScreen()->availableGeometry();
    const QSize own = form.sizeHint();
    ASSERT_LT(own.width() + 40, avail.width());
    ASSERT_LT(own.height() + 40, avail.height());
    const QRect inside = avail.adjusted(10, 10, -20, -20);
    form.PlaceAtBottomRight(inside);
    EXPECT_EQ(form.frameGeometry().bottomRight(), inside.bottomRight());

    const QRect offScreen[] = {
        QRect(avail.right() - 100, avail.bottom() - 50, 900, 700),  // bottom-right hangs off
        QRect(avail.left() - 3000, avail.top() - 3000, 900, 700),   // wholly off, up and left
    };
    for (const QRect& main : offScreen) {
        form.PlaceAtBottomRight(main);
        EXPECT_TRUE(avail.contains(form.frameGeometry())) << main.x();
    }
    EXPECT_EQ(form.frameGeometry().topLeft(), avail.topLeft());
}

}  // namespace
}  // namespace pelko
