#include "engine/backup_before_erase.h"

#include <memory>
#include <string>

#include "engine/change_tally.h"
#include "engine/op_bulk_cards.h"

namespace pelko {
namespace {

// Reads every cell of one device without touching the model: the tally of
// the core keeps what the controller answered.
class TBackupReadOp : public TBulkCardsOp {
public:
    TBackupReadOp(TEngineCore& core, DevIndex device) : TBulkCardsOp(core, device, false) {}
    TOperState State() const override { return osReadSelected; }
    // The cells not known since they were last written; the tally keeps
    // what each answered.
    std::vector<std::uint16_t> FirstCells() override {
        const TChangeTally::Cells known = C.Changes.KnownCells(Adr());
        std::vector<std::uint16_t> cells;
        for (std::uint16_t c = 0; c < kCellCount; ++c)
            if (!known.read[c]) cells.push_back(c);
        return cells;
    }
    void Start() override {
        C.SetPolling(false);
        TBulkCardsOp::Start();
        C.SetCaption(kBackupCaptionPrefix + ReadCaption(C.Device(FIndex)->Name, 0));
    }

private:
    void RequestCell(std::uint16_t cell, int step) override { C.Request(C.Requests.ReadCard(Adr(), cell), step); }
    bool CellDone(std::uint16_t cell, const TAnswer& a) override {
        if (!a.Complete()) return false;
        C.SetCaption(kBackupCaptionPrefix + ReadCaption(C.Device(FIndex)->Name, cell));
        return true;
    }
    const char* NotDoneOne() const override { return "не считана"; }
    const char* NotDoneMany() const override { return "не считаны"; }
    const char* CardsNot() const override { return "карты не считаны"; }
    void Advanced() override { C.StepIt(); }
    // An answer in doubt is asked again, so the backup holds what the cell holds.
    bool Rereads() const override { return true; }
};

// Why no backup of the device could be made; empty when it was made or is
// not wanted.
std::string SaveKnown(TEngineCore& C, DevIndex device) {
    TConfPelko* dev = C.Device(device);
    if (dev == nullptr) return {};
    const std::uint8_t adr = TEngineCore::AdrOf(*dev);
    TConfPelko held;
    std::string where = "карты прибора не удалось считать";
    if (C.Changes.Known(adr, *dev, held)) {
        held.Name = dev->Name;
        held.Pass = dev->Pass;
        held.Config = dev->Config;
        held.State = dev->State;
        if (C.Recorder->SaveBackup(held, where)) return {};
    }
    return C.DeviceLabel(adr) + " — резервная копия карт не сохранена: " + where;
}

bool Wanted(TEngineCore& C, DevIndex device) {
    return C.Recorder != nullptr && C.Recorder->KeepsBackups() && C.Device(device) != nullptr;
}

void BackupFrom(TEngineCore& C, std::vector<DevIndex> devices, std::size_t k, bool withoutBackup,
                std::function<void()> then) {
    for (; k < devices.size(); ++k) {
        const DevIndex device = devices[k];
        if (!Wanted(C, device)) continue;
        TConfPelko* dev = C.Device(device);
        TConfPelko held;
        if (!C.Changes.Known(TEngineCore::AdrOf(*dev), *dev, held) && C.Recorder->ReadCardsForBackup()) {
            // Read first; this device's backup is made once the read ends.
            if (!C.EnsureActive()) {
                C.Result().failed = true;
                return C.End();
            }
            C.Run(std::make_unique<TBackupReadOp>(C, device),
                  [&C, devices, k, withoutBackup, then](TOperation&, bool cancelled) {
                      C.SetPolling(true);
                      if (cancelled) return;
                      const std::string why = SaveKnown(C, devices[k]);
                      if (!why.empty() && !withoutBackup) {
                          C.Result().backupRefused = why;
                          return;
                      }
                      BackupFrom(C, devices, k + 1, withoutBackup, then);
                  });
            return;
        }
        if (!C.Changes.Known(TEngineCore::AdrOf(*dev), *dev, held)) continue;
        const std::string why = SaveKnown(C, device);
        if (!why.empty() && !withoutBackup) {
            C.Result().backupRefused = why;
            return C.End();
        }
    }
    then();
}

}  // namespace

void BackupBeforeErase(TEngineCore& C, std::vector<DevIndex> devices, bool withoutBackup,
                       std::function<void()> then) {
    BackupFrom(C, std::move(devices), 0, withoutBackup, std::move(then));
}

}  // namespace pelko
