#pragma once
// What the engine hands the program around it when controllers change: the
// cards a controller holds, saved before they are erased, and one journal
// line per controller an operation changed. The window and pelkoctl keep
// them in files of the user's folders; without a recorder nothing is kept.
#include <string>

#include "model/conf_pelko.h"

namespace pelko {

struct TJournalEntry {
    std::string operation;  // "Запись карт"
    std::string device;     // "Прибор 3 (адрес 3)"
    std::string what;       // what changed; never a password
    std::string result;     // "выполнено", "выполнено частично", "не выполнено"
    std::uint8_t adr = 0;   // the controller's address, not written
};

class ChangeRecorder {
public:
    virtual ~ChangeRecorder() = default;
    // False: no backups are wanted (pelkoctl without --backup).
    virtual bool KeepsBackups() const { return true; }
    // Whether to read a controller's cards first when no read of this
    // session tells what it holds.
    virtual bool ReadCardsForBackup() const = 0;
    // dev holds the controller's cards, address, name and password. True
    // with the file written in where; false with the reason in where.
    virtual bool SaveBackup(const TConfPelko& dev, std::string& where) = 0;
    virtual void Journal(const TJournalEntry& entry) = 0;
};

}  // namespace pelko
