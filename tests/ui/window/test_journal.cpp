// Backups before erasing and the journal of changes, in the window: a card
// write on the simulated line saves the controller's cards first, the
// journal view shows the write, the settings dialog keeps the read for
// backups, and the saved exchange log names no password.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>

#include "config/config_reader.h"
#include "config/file_io.h"
#include "config/user_folders.h"
#include "link/frame.h"
#include "ui/exchange_panel.h"
#include "window_test_util.h"

namespace pelko::test {
namespace {

QStringList BackupFiles() {
    return QDir(QString::fromStdString(DefaultBackupFolder())).entryList(QDir::Files, QDir::Name);
}

QString JournalText() {
    QFile f(QString::fromStdString(DefaultJournalPath()));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// Pixels of the image that differ from its top-left corner: text was drawn.
int InkedPixels(const QImage& image) {
    const QRgb ground = image.pixel(0, 0);
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) n += image.pixel(x, y) != ground;
    return n;
}

TEST(ChangeJournalWindow, CardWriteIsBackedUpJournaledAndShown) {
    QSettings().remove(QStringLiteral("backups"));
    QDir(QString::fromStdString(UserDataFolder())).removeRecursively();
    QDir(QString::fromStdString(UserStateFolder())).removeRecursively();
    TWindowFixture w(Simulated());
    TMainForm& form = *w.Form;
    form.show();
    Click(form, "SpButFind");
    ClickDevice(form, 3);
    ASSERT_EQ(form.Engine().CurConf().UserCount(), 0);  // not read: the write would erase the controller

    Trigger(form, "WriteDevKeys");
    const QStringList files = BackupFiles();
    ASSERT_EQ(files.size(), 1);
    EXPECT_TRUE(files[0].endsWith(QStringLiteral("_adr003.txt"))) << files[0].toStdString();
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(DefaultBackupFolder() + "/" + files[0].toStdString(), bytes).ok);
    TGroupDev opened;
    ProgramSettings s;
    SilentConfigHost quiet;
    ASSERT_TRUE(ReadFromFile(bytes, s, opened, quiet));
    ASSERT_EQ(opened.Count(), 1);
    EXPECT_EQ(opened.GetDevice(0, nullptr)->UserCount(), 40);  // what the controller held
    EXPECT_EQ(opened.GetDevice(0, nullptr)->MasterCount(), 2);
    const QString journal = JournalText();
    // The line names the backup made before the write.
    const QString backup = QString::fromStdString(DefaultBackupFolder() + "/") + files[0];
    // Only the 42 cells the write empties are written (too many to list).
    EXPECT_TRUE(journal.contains(QStringLiteral("\tЗапись карт\tПрибор: 3 (адрес 3)\tячейки: записано 42, подтверждено чтением 42; "
                                                "резервная копия: ") +
                                 backup + QStringLiteral("\tвыполнено")))
        << journal.toStdString();

    // "Журнал изменений" right after the exchange log's item, with its access key.
    QMenu* settings = form.menuBar()->findChild<QMenu*>(QStringLiteral("SetProgram"));
    ASSERT_NE(settings, nullptr);
    const QList<QAction*> items = settings->actions();
    int exchange = -1, journalItem = -1;
    for (int i = 0; i < items.size(); ++i) {
        if (items[i]->objectName() == QStringLiteral("ExchangeLogView")) exchange = i;
        if (items[i]->objectName() == QStringLiteral("ChangeJournalView")) journalItem = i;
    }
    ASSERT_GE(exchange, 0);
    EXPECT_EQ(journalItem, exchange + 1);
    EXPECT_EQ(items[journalItem]->text().remove('&'), QStringLiteral("Журнал изменений"));
    EXPECT_TRUE(items[journalItem]->text().contains('&'));

    QString shown;
    int inked = 0;
    OnNextModal([&](QWidget* dialog) {
        auto* view = dialog->findChild<QPlainTextEdit*>(QStringLiteral("ChangeJournalText"));
        ASSERT_NE(view, nullptr);
        EXPECT_TRUE(view->isReadOnly());
        shown = view->toPlainText();
        view->moveCursor(QTextCursor::Start);
        inked = InkedPixels(view->viewport()->grab().toImage());
        dialog->close();
    });
    Trigger(form, "ChangeJournalView");
    EXPECT_TRUE(shown.contains(QStringLiteral("Запись карт"))) << shown.toStdString();
    EXPECT_GT(inked, 100) << "the journal's text is drawn";

    // Read-first switched off in the settings dialog stays off for the user.
    for (const bool expectOn : {true, false}) {
        OnNextModal([expectOn](QWidget* dialog) {
            auto* box = dialog->findChild<QCheckBox*>(QStringLiteral("CBBackupRead"));
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->isChecked(), expectOn);  // on by default
            box->setChecked(false);
            dialog->findChild<QPushButton*>(QStringLiteral("OKButton"))->click();
        });
        Trigger(form, "SetProgrWin");
    }
    EXPECT_FALSE(QSettings().value(QStringLiteral("backups/readFirst"), true).toBool());
    QSettings().remove(QStringLiteral("backups"));
}

// The saved exchange log: "**" for each password byte of a login; the table
// itself still shows the frame as sent.
TEST(ChangeJournalWindow, SavedExchangeLogMasksTheLoginPassword) {
    TWindowFixture f;
    auto* panel = f.Form->findChild<TExchangePanel*>();
    ASSERT_NE(panel, nullptr);
    const Bytes login = {3, 0x0A, 0x24, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E};
    ExchangeRecord r;
    r.baud = 9600;
    r.request = BuildFrame(login);
    ExchangeAttempt& a = r.attempts.emplace_back();
    a.received = BuildFrame({3, 0x06, 0x25, 0xFF});
    a.verdict = Verdict::Ok;
    f.Form->Session().GetExchangeLog()->Push(std::move(r));
    panel->Drain();
    EXPECT_EQ(panel->View().index(0, TExchangeModel::ColRequest).data().toString().toStdString(),
              HexBytes(BuildFrame(login)));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("exchange.log"));
    ASSERT_TRUE(panel->SaveTo(path));
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(saved.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("> 03 0A 24 ** ** ** ** ** "))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("0A 0B 0C 0D 0E"))) << text.toStdString();
}

}  // namespace
}  // namespace pelko::test
