#include "ui/change_journal.h"

#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFontDatabase>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QVBoxLayout>

#include "config/user_folders.h"

namespace pelko {
namespace {

const QString kReadFirstKey = QStringLiteral("backups/readFirst");

// The journal grows for good; the view shows its newest lines.
constexpr qint64 kViewBytes = 4 << 20;
constexpr int kBackupNoticeMs = 15000;

}  // namespace

TChangeJournal::TChangeJournal(const ProgramSettings& settings, QWidget* window,
                               std::function<void(const std::string&)> warn)
    : FWindow(window), FWarn(std::move(warn)), FRecorder(settings, DefaultBackupFolder(), DefaultJournalPath()) {
    FRecorder.readFirst = QSettings().value(kReadFirstKey, true).toBool();
    FRecorder.onBackupSaved = [this](const std::string& path) {
        if (auto* main = qobject_cast<QMainWindow*>(FWindow))
            main->statusBar()->showMessage(QStringLiteral("Резервная копия карт: %1").arg(QString::fromStdString(path)),
                                           kBackupNoticeMs);
    };
    FRecorder.onJournalError = [this](const std::string& why) {
        if (FErrorShown) return;
        FErrorShown = true;
        if (FWarn) FWarn("Журнал изменений не записан: " + why);
    };
}

void TChangeJournal::SetReadFirst(bool on) {
    FRecorder.readFirst = on;
    QSettings().setValue(kReadFirstKey, on);
}

QAction* TChangeJournal::AddMenuItem(QMenu* menu) {
    QAction* a = menu->addAction(QStringLiteral("Журнал &изменений"));
    a->setObjectName(QStringLiteral("ChangeJournalView"));
    connect(a, &QAction::triggered, this, [this] { ShowView(); });
    return a;
}

QString TChangeJournal::ViewText(const QString& journalPath) {
    QFile file(journalPath);
    if (!file.open(QIODevice::ReadOnly)) return QStringLiteral("Журнал пуст: изменений в приборах ещё не было.");
    if (file.size() > kViewBytes) {
        file.seek(file.size() - kViewBytes);
        file.readLine();  // the rest of a cut line
    }
    const QString text = QString::fromUtf8(file.readAll());
    return text.isEmpty() ? QStringLiteral("Журнал пуст: изменений в приборах ещё не было.") : text;
}

void TChangeJournal::ShowView() {
    QDialog dialog(FWindow);
    dialog.setObjectName(QStringLiteral("ChangeJournalDialog"));
    dialog.setWindowTitle(QStringLiteral("Журнал изменений"));
    auto* layout = new QVBoxLayout(&dialog);
    const QString path = QString::fromStdString(DefaultJournalPath());
    auto* where = new QLabel(path, &dialog);
    where->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(where);
    auto* view = new QPlainTextEdit(&dialog);
    view->setObjectName(QStringLiteral("ChangeJournalText"));
    view->setReadOnly(true);
    view->setLineWrapMode(QPlainTextEdit::NoWrap);
    view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    view->setPlainText(ViewText(path));
    view->moveCursor(QTextCursor::End);
    layout->addWidget(view);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("Закрыть"));
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    dialog.resize(FWindow->width() * 3 / 4, FWindow->height() * 2 / 3);
    dialog.exec();
}

}  // namespace pelko
