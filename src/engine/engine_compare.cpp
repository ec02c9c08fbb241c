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
        C.Host.ShowMessage(kCaptionAttention, C.DeviceLabel(check.adr) + " — " + WriteCheckText(check),
                           TMsgIcon::Warning);
    }
}

TCardCheck TEngine::CompareCards(DevIndex device) {
    TConfPelko* dev = C.Device(device);
    if (Busy() || dev == nullptr || !C.EnsureActive()) return {};
    C.SetPolling(false);
    TCompareCardsOp op(C, device);
    C.Run(op);
    C.SetPolling(true);
    op.Settle();
    if (op.Why() != nullptr)
        C.Host.ShowMessage(kCaptionAttention, C.DeviceLabel(op.Check().adr) + " — " + op.Why() + ", карты не сравнены.",
                           TMsgIcon::Warning);
    C.Host.UpdateControls();
    return op.Check();
}

void TEngine::TakeDeviceCells(DevIndex device, const std::vector<TCellDiff>& cells) {
    TConfPelko* dev = C.Device(device);
    if (Busy() || dev == nullptr) return;
    // As a read would, but a card keeps its user name.
    for (const TCellDiff& d : cells) FollowCell(*dev, d.cell, d.device, std::string());
    C.RefreshCardList();
    C.Host.UpdateInspCard();
    C.Host.UpdateControls();
}

TCardCheck TEngine::WriteModelCells(DevIndex device, const std::vector<std::uint16_t>& cells) {
    TConfPelko* dev = C.Device(device);
    if (Busy() || dev == nullptr || cells.empty() || !C.EnsureActive()) return {};
    TWriteCellsOp op(C, device, cells);
    const bool cancelled = C.Run(op) == TModalResult::Cancel;
    op.Settle();
    if (!cancelled) ReportWriteChecks({op.Check()});
    C.Host.UpdateControls();
    return op.Check();
}

}  // namespace pelko
