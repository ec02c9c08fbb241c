#pragma once
// The recorder of the window and of pelkoctl: backups as configuration files
// in a folder, the journal as a text file of tab-separated lines (time,
// operation, controller, what changed, result).
#include <ctime>
#include <functional>
#include <map>
#include <string>

#include "config/program_settings.h"
#include "engine/change_recorder.h"

namespace pelko {

class FileChangeRecorder : public ChangeRecorder {
public:
    // settings: written into each backup, so that opening it brings the
    // line speed and port the cards were read with.
    FileChangeRecorder(const ProgramSettings& settings, std::string backupFolder, std::string journalPath)
        : FSettings(settings), FBackupFolder(std::move(backupFolder)), FJournalPath(std::move(journalPath)) {}

    bool readFirst = true;  // the program setting
    std::function<std::tm()> now = LocalNowFn();
    // Told the file of each backup made.
    std::function<void(const std::string& path)> onBackupSaved;
    // Told why a journal line could not be written.
    std::function<void(const std::string&)> onJournalError;

    bool KeepsBackups() const override { return !FBackupFolder.empty(); }
    bool ReadCardsForBackup() const override { return readFirst; }
    bool SaveBackup(const TConfPelko& dev, std::string& where) override;
    void Journal(const TJournalEntry& entry) override;

    // Why a journal line could not be written; empty while every one was.
    const std::string& JournalError() const { return FJournalError; }
    const std::string& BackupFolder() const { return FBackupFolder; }

private:
    static std::function<std::tm()> LocalNowFn();

    const ProgramSettings& FSettings;
    std::string FBackupFolder;
    std::string FJournalPath;
    std::string FJournalError;
    std::map<std::uint8_t, std::string> FBackups;  // made since the controller's last journal line
};

// One journal line, without its line end.
std::string JournalLine(const std::tm& when, const TJournalEntry& entry);

}  // namespace pelko
