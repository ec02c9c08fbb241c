#pragma once
// pelkoctl's recorder: the user's backups and journal, a write's lines held
// until its read-back tells whether every cell really took.
#include <string>
#include <vector>

#include "engine/card_check.h"
#include "engine/file_change_recorder.h"

namespace pelkoctl {

class CliRecorder : public pelko::ChangeRecorder {
public:
    explicit CliRecorder(pelko::FileChangeRecorder& file) : FFile(file) {}

    bool KeepsBackups() const override { return FFile.KeepsBackups(); }
    bool ReadCardsForBackup() const override { return FFile.ReadCardsForBackup(); }
    bool SaveBackup(const pelko::TConfPelko& dev, std::string& where) override { return FFile.SaveBackup(dev, where); }
    void Journal(const pelko::TJournalEntry& entry) override;

    // Journal lines wait from Hold until Release, which marks those of a
    // controller whose read-back did not match as done in part.
    void Hold() { FHolding = true; }
    void Release(const std::vector<pelko::TCardCheck>& checks);

private:
    pelko::FileChangeRecorder& FFile;
    std::vector<pelko::TJournalEntry> FHeld;
    bool FHolding = false;
};

}  // namespace pelkoctl
