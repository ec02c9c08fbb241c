#include "engine/backup_before_erase.h"

#include "engine/op_bulk_cards.h"

namespace pelko {
namespace {

// Reads every cell of one device without touching the model: the tally of
// the core keeps what the controller answered.
class TBackupReadOp : public TBulkCardsOp {
public:
    TBackupReadOp(TEngineCore& core, DevIndex device) : TBulkCardsOp(core, device, false) {}
    TOperState State() const override { return osReadSelected; }
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
};

}  // namespace

bool BackupBeforeErase(TEngineCore& C, DevIndex device) {
    TConfPelko* dev = C.Device(device);
    if (C.Recorder == nullptr || !C.Recorder->KeepsBackups() || dev == nullptr) return true;
    const std::uint8_t adr = TEngineCore::AdrOf(*dev);
    TConfPelko held;
    bool known = C.Changes.Known(adr, *dev, held);
    if (!known && !C.Recorder->ReadCardsForBackup()) return true;
    if (!known) {
        if (!C.EnsureActive()) return false;
        TBackupReadOp op(C, device);
        const TModalResult r = C.Run(op);
        C.SetPolling(true);
        if (r == TModalResult::Cancel) return false;
        dev = C.Device(C.Group.IndexOfAdr(adr));
        if (dev == nullptr) return false;
        known = C.Changes.Known(adr, *dev, held);
    }
    std::string where = "карты прибора не удалось считать";
    if (known) {
        held.Name = dev->Name;
        held.Pass = dev->Pass;
        held.Config = dev->Config;
        held.State = dev->State;
        if (C.Recorder->SaveBackup(held, where)) return true;
    }
    return C.Host.AskYesNo(kCaptionAttention,
                           C.DeviceLabel(adr) + " — резервная копия карт не сохранена: " + where +
                               ".\r\nПродолжить без неё?",
                           TMsgIcon::Warning);
}

bool BackupOpenedBeforeErase(TEngineCore& C) {
    for (DevIndex i = 0; i < C.Group.Count(); ++i)
        if (C.IsOpened(i) && !BackupBeforeErase(C, i)) return false;
    return true;
}

}  // namespace pelko
