// Writing every cell 0..1009 of the selected device or of every opened device
// from the model. The model is not changed by these writes.
#include "engine/engine.h"

namespace pelko {
namespace {

constexpr std::uint16_t kLastCell = kCellCount - 1;

}  // namespace

// A free model cell erases the device's cell.
void TEngine::WriteDeviceCell(TConfPelko& dev, std::uint16_t cell) {
    TCode code = EmptyCode;
    if (!dev.IsCellFree(cell)) {
        CurCell = dev.FindPosIndex(cell);
        TCard card;
        dev.GetCard(cell >= kFirstMasterCell, CurCell, card);
        code = card.Code;
    }
    WriteCellCode(AdrOf(dev), cell, code);
}

void TEngine::WriteDevKeysClick() {
    TConfPelko* dev = SelectedDevice();
    if (dev == nullptr || !EnsureActive()) return;
    AnswerCount = 0;
    FCellsDone[AdrOf(*dev)] = 0;
    WriteCell = 0;
    SetPolling(false);
    Login(AdrOf(*dev), dev->Pass);
    OperState = osWriteSelected;
    SetProgBFrm(kCellCount, WriteCaption(dev->Name), false);
    ShowModal();
    OperState = osIdle;
    SetPolling(true);
    AnswerCount = 0;
}

void TEngine::sbWriteKeyDevClick() {
    const DevIndex first = FirstOpened();
    if (first == NoDevice || !EnsureActive()) return;
    for (int adr = 0; adr < 256; ++adr) FCellsDone[adr] = 0;
    SetPolling(false);
    StartDeviceWrite(first);
    OperState = osWriteAll;
    ShowModal();
    SetPolling(true);
    OperState = osIdle;
}

void TEngine::StartDeviceWrite(std::uint8_t index) {
    TConfPelko& dev = *Device(index);
    WorkDevice = AdrOf(dev);
    AnswerCount = 0;
    CurIndex = index;
    WriteCell = 0;
    SetProgBFrm(kCellCount, WriteCaption(dev.Name), false);
    Login(AdrOf(dev), dev.Pass);
}

void TEngine::OnWriteBulk(const TAnswer& a, std::uint32_t) {
    const bool all = OperState == osWriteAll;
    TConfPelko* dev = all ? Device(CurIndex) : SelectedDevice();
    if (dev == nullptr) return StopOper();
    if (a.Failure) {
        if (AnswerCount == 0) return EndOper();  // two failures in a row, or no answer at all
        AnswerCount = 0;
    } else if (a.Cmd == ansLogin) {
        if (!a.Verdict()) return StopOper();
        SetPosition(1);
        ++AnswerCount;
        return WriteDeviceCell(*dev, WriteCell);
    } else if (a.Cmd == ansWriteCard) {
        ++AnswerCount;
        ++FCellsDone[AdrOf(*dev)];
        SetPosition(WriteCell + 1);
        SetCaption(WriteCaption(dev->Name, WriteCell));
    } else {
        return;
    }
    if (all) WriteNextDevKeys();
    else WriteNextKey();
}

void TEngine::WriteNextKey() {
    if (WriteCell >= kLastCell) return EndOper();
    ++WriteCell;
    if (TConfPelko* dev = SelectedDevice()) WriteDeviceCell(*dev, WriteCell);
}

void TEngine::WriteNextDevKeys() {
    if (WriteCell >= kLastCell) {
        for (int j = CurIndex + 1; j < FGroup.Count(); ++j) {
            const auto i = static_cast<DevIndex>(j);
            if (IsOpened(i)) return StartDeviceWrite(i);
        }
        return EndOper();
    }
    ++WriteCell;
    TConfPelko* dev = Device(CurIndex);
    if (dev == nullptr) return StopOper();
    WorkDevice = AdrOf(*dev);
    WriteDeviceCell(*dev, WriteCell);
}

}  // namespace pelko
