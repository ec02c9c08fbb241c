// Verify and compare: a bulk write's read-back reported, a controller's
// cells set beside the model, and either side taken cell by cell.
#include "engine/card_cells.h"
#include "engine/engine.h"
#include "engine/op_compare_cards.h"

namespace pelko {

// Only what went wrong is a message box: a write that matched says so in
// the window's status line.
void TEngine::ReportWriteChecks(const std::vector<TCardCheck>& checks) {
    for (const TCardCheck& check : checks) {
        if (check.Matches()) continue;
        C.Notice(kCaptionAttention, C.DeviceLabel(check.adr) + " — " + WriteCheckText(check), TMsgIcon::Warning);
    }
}

void TEngine::CompareCards(DevIndex device, TDone done) {
    if (Busy() || C.Device(device) == nullptr) return TEngineCore::Refuse(osReadSelected, done);
    C.Begin(osReadSelected, std::move(done));
    if (!C.EnsureActive()) return Failed();
    C.SetPolling(false);
    C.Run(std::make_unique<TCompareCardsOp>(C, device), [this](TOperation& ended, bool) {
        auto& op = static_cast<TCompareCardsOp&>(ended);
        C.SetPolling(true);
        op.Settle();
        C.Result().checks = {op.Check()};
        if (op.Why() != nullptr)
            C.Notice(kCaptionAttention, C.DeviceLabel(op.Check().adr) + " — " + op.Why() + ", карты не сравнены.",
                     TMsgIcon::Warning);
    });
}

void TEngine::TakeDeviceCells(DevIndex device, const std::vector<TCellDiff>& cells) {
    TConfPelko* dev = C.Device(device);
    if (Busy() || dev == nullptr) return;
    // As a read would, but a card keeps its user name.
    for (const TCellDiff& d : cells) FollowCell(*dev, d.cell, d.device, std::string());
    C.Changed(chCards | chCurrentCard | chState);
}

void TEngine::WriteModelCells(DevIndex device, const std::vector<std::uint16_t>& cells, TDone done) {
    if (Busy() || C.Device(device) == nullptr || cells.empty()) return TEngineCore::Refuse(osWriteSelected, done);
    C.Begin(osWriteSelected, std::move(done));
    if (!C.EnsureActive()) return Failed();
    C.Run(std::make_unique<TWriteCellsOp>(C, device, cells), [this](TOperation& ended, bool cancelled) {
        auto& op = static_cast<TWriteCellsOp&>(ended);
        op.Settle();
        C.Result().checks = {op.Check()};
        if (!cancelled) ReportWriteChecks({op.Check()});
    });
}

}  // namespace pelko
