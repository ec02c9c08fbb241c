#include "pelkoctl/cli_recorder.h"

namespace pelkoctl {

bool CliRecorder::SaveBackup(const pelko::TConfPelko& dev, std::string& where) {
    if (!FFile.SaveBackup(dev, where)) return false;
    FBackups[dev.Config[pelko::kAdrByte]] = where;
    return true;
}

void CliRecorder::Journal(const pelko::TJournalEntry& entry) {
    pelko::TJournalEntry e = entry;
    if (const auto it = FBackups.find(e.adr); it != FBackups.end()) {
        e.what += (e.what.empty() ? "" : "; ") + std::string("резервная копия: ") + it->second;
        FBackups.erase(it);
    }
    if (FHolding) FHeld.push_back(std::move(e));
    else FFile.Journal(e);
}

void CliRecorder::Release(const std::vector<pelko::TCardCheck>& checks) {
    FHolding = false;
    for (pelko::TJournalEntry& e : FHeld) {
        for (const pelko::TCardCheck& c : checks) {
            if (c.adr != e.adr || c.Matches()) continue;
            // Acknowledged is not written: the read-back is what counts.
            e.what += "; проверка чтением: " + (c.reached ? pelko::WriteCheckText(c) : std::string("прибор не ответил"));
            if (e.result == "выполнено") e.result = "выполнено частично";
        }
        FFile.Journal(e);
    }
    FHeld.clear();
}

}  // namespace pelkoctl
