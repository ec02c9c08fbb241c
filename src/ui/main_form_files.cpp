// File and Help commands: new configuration, open, save, save as, help and
// the about window.
#include <QCoreApplication>
#include <QDesktopServices>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPointer>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <utility>

#include "config/config_reader.h"
#include "ui/card_undo.h"
#include "config/config_writer.h"
#include "config/file_io.h"
#include "pelko_version.h"
#include "ui/dialogs/about_form.h"
#include "ui/file_dialogs.h"
#include "ui/glyphs.h"
#include "ui/main_form.h"
#include "ui/save_failure.h"
#include "ui/unsaved_changes.h"

namespace pelko {
namespace {

constexpr char kOpenTitle[] = "Открытие файла с конфигурацией";
constexpr char kSaveTitle[] = "Сохранение конфигурации в файл";
constexpr char kDefaultFileName[] = "config.txt";
constexpr char kHelpFileName[] = "help.html";
constexpr char kWindowCaption[] = "Программа для конфигурирования Pelko-Q250";
constexpr char kUnnamed[] = "без имени";
constexpr char kSaveChanges[] = "Сохранить изменения?";
constexpr char kLastFolderKey[] = "files/lastFolder";

}  // namespace

void TMainForm::SetFileDialogs(std::unique_ptr<TFileDialogs> dialogs) { FFileDialogs = std::move(dialogs); }

// The folder a file was last opened from or saved to, remembered for the
// user; at first the documents folder (or home), not the program's own.
QString TMainForm::StartFolder() const {
    const QString last = QSettings().value(QString::fromLatin1(kLastFolderKey)).toString();
    if (!last.isEmpty() && QFileInfo(last).isDir()) return last;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

void TMainForm::RememberFolder(const QString& file) {
    QSettings().setValue(QString::fromLatin1(kLastFolderKey), QFileInfo(file).absolutePath());
}

void TMainForm::sbFileCreateClick() {
    if (!MayDiscardChanges()) return;
    for (int i = FGroup.Count() - 1; i >= 0; --i) {
        const auto index = static_cast<DevIndex>(i);
        FGroup.ClearState(index, dfInGroup);
        if (!FGroup.GetState(index, dfConnected)) FGroup.DeleteDevice(index);
    }
    DevicesRemoved();
    FUndo->Clear();
    UpdateGridDev();
    UpdateControls();
    TakeSaved();  // a fresh start has nothing to save yet
}

void TMainForm::sbFileOpenClick() {
    if (!MayDiscardChanges()) return;
    const QString name = FFileDialogs->OpenName(QString::fromUtf8(kOpenTitle), StartFolder());
    if (name.isEmpty()) return;
    RememberFolder(name);
    OpenConfigFile(name);
}

void TMainForm::OpenConfigFile(const QString& path) {
    std::string bytes;
    // A missing file is not made: opening only reads.
    if (!ReadWholeFile(path.toStdString(), bytes).ok) {
        ShowMessage(kCaptionMessage, kTextOpenFailed, TMsgIcon::Warning);
        return;
    }
    // Without the adapter the file is still opened, to prepare or review
    // card lists: edits then stay in the program until the port opens.
    const bool portBefore = FEngine->EnPort(FSettings.NComPort);
    if (!portBefore) FEngine->PortMessage();
    FConfigFileName = QFileInfo(path).absoluteFilePath().toStdString();
    ReadFromFile(std::move(bytes), FSettings, FGroup, *FFileHost);
    FCardsRead.clear();  // the file's lists replace what was read
    FUndo->Clear();      // and nothing from before the file may come back over them
    TakeSaved();
    DevicesRemoved();
    SetPortClosed(!portBefore && !FEngine->EnPort(FSettings.NComPort));
    if (FPortClosed) {
        UpdateGridDev();
        UpdateControls();
        return;
    }
    TPelkoSession& s = *FSession;
    s.SetActive(false);
    s.SetFound(false);
    s.SetSearchAddr(false);
    s.SetActive(true);
    int inGroup = 0;
    for (DevIndex i = 0; i < FGroup.Count(); ++i) {
        s.SetDevPresent(FGroup.GetDevice(i, nullptr)->Config[kAdrByte]);
        if (FGroup.GetState(i, dfInGroup)) ++inGroup;
    }
    UpdateGridDev();
    UpdateControls();
    if (inGroup == 0) return;
    FEngine->SearchGroup(FSettings.AutoReadKey, [this](const TCommandResult&) {
        UpdateGridDev();
        UpdateControls();
    });
}

void TMainForm::sbFileSaveClick() { SaveConfig(); }

bool TMainForm::SaveConfig() {
    if (!FConfigFileName.empty()) return WriteConfig(QString::fromStdString(FConfigFileName));
    const QString name = FFileDialogs->SaveName(QString::fromUtf8(kSaveTitle), StartFolder(),
                                                QString::fromUtf8(kDefaultFileName));
    if (name.isEmpty() || !WriteConfig(name)) return false;
    RememberFolder(name);
    FConfigFileName = name.toStdString();
    UpdateTitle();
    return true;
}

void TMainForm::N10Click() {
    const QFileInfo current(QString::fromStdString(FConfigFileName));
    const bool known = !FConfigFileName.empty();
    const QString name = FFileDialogs->SaveName(QString::fromUtf8(kSaveTitle),
                                                known ? current.absolutePath() : StartFolder(),
                                                known ? current.fileName() : QString::fromUtf8(kDefaultFileName));
    if (!name.isEmpty() && WriteConfig(name)) {
        FConfigFileName = name.toStdString();
        RememberFolder(name);
    }
    UpdateTitle();
}

// The old file stays as it was unless the new one is wholly on disk.
bool TMainForm::WriteConfig(const QString& path) {
    const std::string text = SaveToFile(FSettings, FGroup, *FFileHost);
    const FileResult result = WriteFileSafely(path.toStdString(), text);
    if (!result.ok)
        ShowMessage(kCaptionMessage, std::string(kTextSaveFailed) + "\r\n" + SaveFailureReason(result.error),
                    TMsgIcon::Error);
    else SavedStatus();
    return result.ok;
}

// The file keeps only the group's controllers: say how many of those shown
// went into it, so none is left out without a word.
void TMainForm::SavedStatus() {
    TakeSaved();
    int saved = 0;
    for (DevIndex i = 0; i < FGroup.Count(); ++i) saved += FGroup.GetState(i, dfInGroup) ? 1 : 0;
    QString text = QStringLiteral("Сохранено приборов: %1 из %2").arg(saved).arg(FGroup.Count());
    if (saved < FGroup.Count()) text += QStringLiteral(" (приборы вне группы в файл не записываются)");
    FStatusInfo->setText(text);
}

bool TMainForm::Unsaved() { return SavedFingerprint(FSettings, FGroup, *FFileHost) != FSavedPrint; }

void TMainForm::TakeSaved() {
    FSavedPrint = SavedFingerprint(FSettings, FGroup, *FFileHost);
    ShowTitle(false);
}

void TMainForm::ScheduleTitle() {
    if (std::exchange(FTitlePending, true)) return;
    QTimer::singleShot(0, this, [this] {
        FTitlePending = false;
        UpdateTitle();
    });
}

void TMainForm::UpdateTitle() { ShowTitle(Unsaved()); }

void TMainForm::ShowTitle(bool modified) {
    const QString name = FConfigFileName.empty() ? QString::fromUtf8(kUnnamed)
                                                 : QFileInfo(QString::fromStdString(FConfigFileName)).fileName();
    setWindowTitle(QStringLiteral("%1[*] — %2").arg(name, QString::fromUtf8(kWindowCaption)));
    setWindowModified(modified);
}

bool TMainForm::MayDiscardChanges() {
    if (!Unsaved()) return true;
    switch (AskYesNoCancel(kCaptionMessage, kSaveChanges, false)) {
        case TAnswer3::Yes: return SaveConfig();
        case TAnswer3::No: return true;
        case TAnswer3::Cancel: return false;
    }
    return false;
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (!MayDiscardChanges()) return event->ignore();
    RememberPlace();
    event->accept();
}

// Beside the program first (a build tree), then where it is installed.
QString TMainForm::HelpFile() const {
    const QDir own(QCoreApplication::applicationDirPath());
    const QStringList places = {own.filePath(QString::fromLatin1(kHelpFileName)),
                                own.filePath(QStringLiteral("../share/doc/confpelko/help.html"))};
    for (const QString& place : places)
        if (QFileInfo::exists(place)) return QFileInfo(place).absoluteFilePath();
    return {};
}

void TMainForm::ContentHelpClick() {
    const QString help = HelpFile();
    if (help.isEmpty()) {
        ShowMessage(kCaptionMessage, std::string("Отсутствует файл ") + kHelpFileName + "!", TMsgIcon::Error);
        return;
    }
    OpenPage(QUrl::fromLocalFile(help));
}

// Without a URL launcher (xdg-utils), or with one that finds no program for
// the page, the desktop shows nothing: the user learns where the page is
// instead of a line on standard error. xdg-open says so only by its exit
// code, so it is run here and watched rather than handed the page blindly.
void TMainForm::OpenPage(const QUrl& page) {
    if (UrlOpener) {
        if (!UrlOpener(page)) PageNotShown(page);
        return;
    }
#ifdef _WIN32
    if (!QDesktopServices::openUrl(page)) PageNotShown(page);
#else
    const QString launcher = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (launcher.isEmpty()) return PageNotShown(page);
    // Not the window's child: closing the window must not end a viewer xdg-open waits on.
    auto* run = new QProcess;
    run->setProgram(launcher);
    run->setArguments({page.toString()});
    run->setStandardOutputFile(QProcess::nullDevice());
    run->setStandardErrorFile(QProcess::nullDevice());
    const QPointer<TMainForm> self(this);
    connect(run, &QProcess::finished, run, [run, self, page](int code, QProcess::ExitStatus status) {
        run->deleteLater();
        if (self && (status != QProcess::NormalExit || code != 0)) self->PageNotShown(page);
    });
    connect(run, &QProcess::errorOccurred, run, [run, self, page](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart) return;
        run->deleteLater();
        if (self) self->PageNotShown(page);
    });
    run->start();
#endif
}

void TMainForm::PageNotShown(const QUrl& page) {
    ShowMessage(kCaptionMessage,
                "Не удалось открыть справку: нет программы для просмотра страниц.\r\nОткройте в браузере файл " +
                    QDir::toNativeSeparators(page.toLocalFile()).toStdString(),
                TMsgIcon::Warning);
}

void TMainForm::AboutPrgClick() {
    const QString help = HelpFile();
    const QUrl home = help.isEmpty() ? QUrl() : QUrl::fromLocalFile(help);
    TAboutForm about(this, TVersion{PELKO_VERSION_MAJOR, PELKO_VERSION_MINOR, PELKO_VERSION_BUILD}, home, Emblem(),
                     home.isEmpty() ? QString() : QStringLiteral("Руководство пользователя"));
    about.Opener = [this](const QUrl& page) { OpenPage(page); };
    about.CentreOn(frameGeometry());
    about.exec();
}

}  // namespace pelko
