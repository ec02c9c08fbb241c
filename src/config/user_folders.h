#pragma once
// The user's own folders for what the program keeps between runs: backups
// of controllers' cards (data) and the journal of changes (state), after the
// XDG base directories; on Windows both under %LOCALAPPDATA%.
#include <cstdint>
#include <ctime>
#include <string>

namespace pelko {

// $XDG_DATA_HOME/confpelko or ~/.local/share/confpelko; empty when neither
// is known. A relative XDG path is ignored, as the XDG rules say.
std::string UserDataFolder();
// $XDG_STATE_HOME/confpelko or ~/.local/state/confpelko.
std::string UserStateFolder();
std::string DefaultBackupFolder();  // UserDataFolder()/backups
std::string DefaultJournalPath();   // UserStateFolder()/journal.txt

// "2026-12-07_22-30-01_adr003.txt"; extra > 0 adds "-2", "-3"... for a
// second backup of the same controller within one second.
std::string BackupFileName(const std::tm& local, std::uint8_t adr, int extra = 0);

// Creates the folder and its parents, new ones readable by the user only.
// False with errno's text in why.
bool MakeFolders(const std::string& path, std::string& why);

// Appends one whole line in a single write, so that the window and pelkoctl
// writing at once do not interleave within a line.
bool AppendLine(const std::string& path, const std::string& line, std::string& why);

// "2026-12-07 22:30:01"
std::string StampText(const std::tm& local);
// Tabs and line ends inside a field would break the journal's columns.
std::string JournalField(std::string text);

std::tm LocalNow();

}  // namespace pelko
