// Reading the card memory of the selected device or of every opened device,
// one cell per request, merged into the model cell by cell.
#include "engine/engine.h"

namespace pelko {
namespace {

constexpr std::uint16_t kLastCell = kCellCount - 1;

}  // namespace

// The device's cell is the truth; a model card the device does not hold keeps
// its cell with a zero code, so the user sees what has to be written back.
void TEngine::StoreReadCard(TConfPelko& dev, std::uint16_t cell, const TCode& code) {
    ++FCellsDone[AdrOf(dev)];
    const bool master = cell >= kFirstMasterCell;
    const std::uint16_t index = dev.FindPosIndex(cell);
    if (index == NoCard) {
        if (!SameCode(code, EmptyCode)) dev.AddCard(cell, code, std::string());
        return;
    }
    TCard card;
    dev.GetCard(master, index, card);
    if (SameCode(card.Code, code)) return;
    dev.SetCardCode(master, index, SameCode(code, EmptyCode) ? ZeroCode : code);
    dev.SetCardUser(master, index, std::string());
}

void TEngine::ReadDevKeysClick() {
    TConfPelko* dev = SelectedDevice();
    if (dev == nullptr || !EnsureActive()) return;
    AnswerCount = 0;
    FCellsDone[AdrOf(*dev)] = 0;
    SetPolling(false);
    Login(AdrOf(*dev), dev->Pass);
    OperState = osReadSelected;
    CurCell = 0;
    SetProgBFrm(kCellCount, ReadCaption(dev->Name), false);
    ShowModal();
    SetPolling(true);
    OperState = osIdle;
    AnswerCount = 0;
    RefreshCardList();
    FHost.UpdateControls();
}

void TEngine::sbReadKeyDevClick() {
    const DevIndex first = FirstOpened();
    if (first == NoDevice || !EnsureActive()) return;
    for (int adr = 0; adr < 256; ++adr) FCellsDone[adr] = 0;
    AnswerCount = 0;
    CurIndex = first;
    CurCell = 0;
    SetProgBFrm(kCellCount, ReadCaption(NameOf(first)), false);
    SetPolling(false);
    OperState = osReadAll;
    TConfPelko& dev = *Device(first);
    Login(AdrOf(dev), dev.Pass);
    ShowModal();
    SetPolling(true);
    OperState = osIdle;
    if (FGroup.Selected() != NoDevice) RefreshCardList();
    FHost.UpdateControls();
}

void TEngine::EndReadSelected() {
    EndOper();
    AnswerCount = 0;
    CurCell = 0;
    FHost.RepaintCardGrid();
}

void TEngine::OnReadSelected(const TAnswer& a, std::uint32_t) {
    TConfPelko* dev = SelectedDevice();
    if (dev == nullptr) return StopOper();
    const std::uint8_t adr = AdrOf(*dev);
    if (!a.Failure && a.Cmd == ansLogin) {
        if (!a.Verdict()) {
            EndOper();
            CurCell = 0;
            return;
        }
        StepIt();
        ++AnswerCount;
        return ReadCell(adr, CurCell);
    }
    if (!a.Failure && a.Cmd != ansReadCard) return;  // an answer no rule of the read names
    // A cell answer without a whole code confirms nothing: the cell counts as lost.
    if (a.Complete()) {
        ++AnswerCount;
        StoreReadCard(*dev, CurCell, a.Code());
        SetCaption(ReadCaption(dev->Name, CurCell));
    } else if (AnswerCount == 0) {
        return StopOper();
    }
    if (CurCell == kLastCell) return EndReadSelected();
    ++CurCell;
    StepIt();
    ReadCell(adr, CurCell);
}

void TEngine::ReadCellOf(std::uint8_t index) {
    if (TConfPelko* dev = Device(index)) ReadCell(AdrOf(*dev), CurCell);
}

void TEngine::OnReadAll(const TAnswer& a, std::uint32_t) {
    if (!a.Failure && a.Cmd == ansLogin) {
        if (!a.Verdict()) return ReadNextDevice();
        StepIt();
        ++AnswerCount;
        return ReadCell(a.Adr, CurCell);
    }
    if (!a.Failure && a.Cmd != ansReadCard) return;
    if (a.Complete()) {
        ++AnswerCount;
        if (TConfPelko* dev = DeviceByAdr(a.Adr)) StoreReadCard(*dev, CurCell, a.Code());
        SetCaption(ReadCaption(NameOf(CurIndex), CurCell));
        if (CurCell == kLastCell) {
            if (CurIndex + 1 >= FGroup.Count()) {
                EndOper();
                AnswerCount = 0;
                CurIndex = 0;
                CurCell = 0;
                return;
            }
            return ReadNextDevice();
        }
    } else if (AnswerCount == 0) {
        // The first device did not answer at all: the line is in trouble.
        if (CurIndex == FirstOpened()) return StopOper();
        return ReadNextDevice();  // a later one is skipped
    } else if (CurCell == kLastCell) {
        return ReadNextDevice();
    }
    ++CurCell;
    StepIt();
    ReadCellOf(CurIndex);
}

void TEngine::ReadNextDevice() {
    while (++CurIndex < FGroup.Count()) {
        if (!IsOpened(CurIndex)) continue;
        TConfPelko& dev = *Device(CurIndex);
        WorkDevice = AdrOf(dev);
        CurCell = 0;
        AnswerCount = 0;
        SetProgBFrm(kCellCount, ReadCaption(dev.Name), false);
        return Login(AdrOf(dev), dev.Pass);
    }
    EndOper();
    AnswerCount = 0;
    CurCell = 0;
}

}  // namespace pelko
