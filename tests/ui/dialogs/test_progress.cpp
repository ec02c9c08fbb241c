// The progress window (bar, cancelling, placement) and the list of serial
// devices.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "controls/ex_progress_bar.h"
#include "controls_test_util.h"
#include "ui/dialogs/progress_form.h"
#include "ui/dialogs/serial_devices.h"

namespace pelko {
namespace {

// Runs the window modally; while it runs, act() does what the user does and
// then the engine's accept() ends it unless it has ended already.
int RunModal(TProgressForm& form, const std::function<void()>& act) {
    QTimer::singleShot(0, &form, [&] {
        act();
        if (form.isVisible()) form.accept();
    });
    return form.exec();
}

TEST(ProgressForm, CancelOnlyWhileEnabled) {
    const struct { bool enabled; const char* how; int result; } cases[] = {
        {false, "esc", QDialog::Accepted},    {false, "close", QDialog::Accepted},
        {false, "button", QDialog::Accepted}, {true, "esc", QDialog::Rejected},
        {true, "close", QDialog::Rejected},   {true, "button", QDialog::Rejected},
    };
    for (const auto& c : cases) {
        TProgressForm form;
        form.SetCancelEnabled(c.enabled);
        EXPECT_EQ(form.CancelButton()->isEnabled(), c.enabled);
        EXPECT_EQ(form.CancelButton()->text(), QString::fromUtf8("Отмена"));
        const int result = RunModal(form, [&] {
            const std::string how = c.how;
            if (how == "esc") QTest::keyClick(&form, Qt::Key_Escape);
            if (how == "close") form.close();
            if (how == "button") QTest::mouseClick(form.CancelButton(), Qt::LeftButton);
        });
        EXPECT_EQ(result, c.result) << c.enabled << " " << c.how;
    }
}

TEST(ProgressForm, CaptionBarAndPlacement) {
    TProgressForm form;
    EXPECT_EQ(form.Bar()->minimum(), 1);
    EXPECT_EQ(form.Bar()->maximum(), 254);
    form.SetCaption(QStringLiteral("Caption"));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Caption"));
    for (bool marquee : {true, false}) {
        form.SetBar({0, 10, 4, 1, marquee});
        EXPECT_EQ(form.Bar()->minimum(), 0);
        EXPECT_EQ(form.Bar()->maximum(), 10);
        EXPECT_EQ(form.Bar()->value(), 4);
        EXPECT_EQ(form.Bar()->MarqueeStyle(), marquee);
    }
    const QRect main(100, 80, 601, 401);
    form.CentreOn(main);
    const QSize own = form.frameGeometry().size();
    EXPECT_EQ(form.pos(), QPoint(100 + 300 - own.width() / 2, 80 + 200 - own.height() / 2));
}

TEST(SerialDevices, ByIdThenUsbAcmAndSerialInNaturalOrder) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString root = dir.path();
    QDir(root).mkpath(QStringLiteral("serial/by-id"));
    QDir(root).mkpath(QStringLiteral("ttyS_folder"));
    for (const char* name : {"ttyS10", "ttyS2", "ttyS0", "ttyUSB10", "ttyUSB2", "ttyACM0", "tty0", "ttyx", "console",
                             "serial/by-id/usb-FTDI_B-if00-port0"})
        QFile(root + QLatin1Char('/') + QString::fromLatin1(name)).open(QIODevice::WriteOnly);
    // Links are listed as links, a dangling one too.
    QFile::link(QStringLiteral("../../ttyUSB2"), root + QStringLiteral("/serial/by-id/usb-FTDI_A-if00-port0"));
    QFile::link(QStringLiteral("../../ttyUSB9"), root + QStringLiteral("/serial/by-id/usb-Gone-if00"));

    QStringList expected;
    for (const char* name : {"serial/by-id/usb-FTDI_A-if00-port0", "serial/by-id/usb-FTDI_B-if00-port0",
                             "serial/by-id/usb-Gone-if00", "ttyUSB2", "ttyUSB10", "ttyACM0", "ttyS0", "ttyS2",
                             "ttyS10"})
        expected << root + QLatin1Char('/') + QString::fromLatin1(name);
    EXPECT_EQ(ListSerialDevices(root), expected);
    EXPECT_EQ(ListSerialDevices(root + QLatin1Char('/')), expected);
    EXPECT_EQ(ListSerialDevices(root + QStringLiteral("/none")), QStringList());
}

}  // namespace
}  // namespace pelko
