#include "pelkoctl/cli_recorder.h"

namespace pelkoctl {

void CliRecorder::Journal(const pelko::TJournalEntry& entry) {
    if (FHolding) FHeld.push_back(entry);
    else FFile.Journal(entry);
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
