#include "engine/file_change_recorder.h"

#include <filesystem>
#include <system_error>

#include "config/config_writer.h"
#include "config/file_io.h"
#include "config/user_folders.h"
#include "model/group_dev.h"

namespace pelko {
namespace {

// Backups of one controller made within one second get -2, -3, ...
constexpr int kMaxSameSecond = 100;

}  // namespace

std::function<std::tm()> FileChangeRecorder::LocalNowFn() { return [] { return LocalNow(); }; }

std::string JournalLine(const std::tm& when, const TJournalEntry& e) {
    return StampText(when) + "\t" + JournalField(e.operation) + "\t" + JournalField(e.device) + "\t" +
           JournalField(e.what) + "\t" + JournalField(e.result);
}

bool FileChangeRecorder::SaveBackup(const TConfPelko& dev, std::string& where) {
    std::string why;
    if (!MakeFolders(FBackupFolder, why)) {
        where = why;
        return false;
    }
    // A group of its own holding only this controller: the file is the
    // configuration file the window opens.
    TGroupDev group;
    const std::uint8_t adr = dev.Config[kAdrByte];
    TConfPelko* copy = group.GetDevice(group.AddDevice(adr), nullptr);
    if (copy == nullptr) {
        where = "неверный адрес прибора";
        return false;
    }
    *copy = dev;
    group.SetState(0, dfInGroup);
    SilentConfigHost host;
    const std::string text = SaveToFile(FSettings, group, host);
    const std::tm t = now();
    std::error_code ec;
    for (int extra = 0; extra < kMaxSameSecond; ++extra) {
        const std::string path = FBackupFolder + "/" + BackupFileName(t, adr, extra);
        if (std::filesystem::exists(path, ec)) continue;
        const FileResult r = WriteFileSafely(path, text, FileAccess::Private);
        if (!r.ok) {
            where = path + ": " + std::error_code(r.error, std::generic_category()).message();
            return false;
        }
        where = path;
        FBackups[adr] = path;
        if (onBackupSaved) onBackupSaved(path);
        return true;
    }
    where = "слишком много копий за одну секунду";
    return false;
}

void FileChangeRecorder::Journal(const TJournalEntry& given) {
    // The line of a controller names the backup made of it before the change.
    TJournalEntry entry = given;
    if (const auto it = FBackups.find(entry.adr); it != FBackups.end()) {
        entry.what += (entry.what.empty() ? "" : "; ") + std::string("резервная копия: ") + it->second;
        FBackups.erase(it);
    }
    const std::string folder = std::filesystem::path(FJournalPath).parent_path().string();
    std::string why;
    if (FJournalPath.empty() || !MakeFolders(folder, why) || !AppendLine(FJournalPath, JournalLine(now(), entry), why))
    {
        FJournalError = why.empty() ? "не известна домашняя папка" : why;
        if (onJournalError) onJournalError(FJournalError);
    }
}

}  // namespace pelko
