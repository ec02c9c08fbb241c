#include "engine/op_bulk_cards.h"

#include "engine/card_cells.h"

namespace pelko {
namespace {

constexpr std::uint16_t kLastCell = kCellCount - 1;

}  // namespace

// --- read ---

void TReadCardsOp::Start() {
    C.SetPolling(false);
    StartDevice();
}

void TReadCardsOp::StartDevice() {
    TConfPelko& dev = *C.Device(FIndex);
    FCell = 0;
    C.CellsDone[TEngineCore::AdrOf(dev)] = 0;
    C.SetProgBFrm(kCellCount, ReadCaption(dev.Name), false);
    C.Request(C.Requests.Login(TEngineCore::AdrOf(dev), dev.Pass), Login);
}

void TReadCardsOp::OnAnswer(int step, const TAnswer& a) {
    if (C.Device(FIndex) == nullptr) return C.StopOper();
    if (step == Login) return LoggedIn(a);
    CellRead(a);
}

void TReadCardsOp::LoggedIn(const TAnswer& a) {
    if (a.Failure) {
        // The first device did not answer at all: the line is in trouble; a later one is skipped.
        if (!FAll || FIndex == C.FirstOpened()) return C.StopOper();
        return NextDevice();
    }
    if (!a.Verdict()) {
        if (FAll) return NextDevice();
        return C.EndOper();
    }
    C.StepIt();
    C.Request(C.Requests.ReadCard(Adr(), FCell), ReadCell);
}

// A cell answer without a whole code confirms nothing: the cell counts as lost.
void TReadCardsOp::CellRead(const TAnswer& a) {
    TConfPelko& dev = *C.Device(FIndex);
    if (a.Complete()) {
        StoreReadCell(dev, FCell, a.Code());
        ++C.CellsDone[Adr()];
        C.SetCaption(ReadCaption(dev.Name, FCell));
    }
    if (FCell == kLastCell) return FAll ? NextDevice() : C.EndOper();
    ++FCell;
    C.StepIt();
    C.Request(C.Requests.ReadCard(Adr(), FCell), ReadCell);
}

void TReadCardsOp::NextDevice() {
    while (++FIndex < C.Group.Count()) {
        if (C.IsOpened(FIndex)) return StartDevice();
    }
    C.EndOper();
}

// --- write ---

void TWriteCardsOp::StartDevice() {
    TConfPelko& dev = *C.Device(FIndex);
    FCell = 0;
    FLastFailed = false;
    C.SetProgBFrm(kCellCount, WriteCaption(dev.Name), false);
    C.Request(C.Requests.Login(TEngineCore::AdrOf(dev), dev.Pass), Login);
}

// A free model cell erases the device's cell.
void TWriteCardsOp::Write() {
    TConfPelko& dev = *C.Device(FIndex);
    C.Request(C.Requests.WriteCard(TEngineCore::AdrOf(dev), FCell, ModelCellCode(dev, FCell)), WriteCell);
}

void TWriteCardsOp::OnAnswer(int step, const TAnswer& a) {
    TConfPelko* dev = C.Device(FIndex);
    if (dev == nullptr) return C.StopOper();
    if (step == Login) {
        if (a.Failure) return C.EndOper();  // no answer at all: quietly
        if (!a.Verdict()) return C.StopOper();
        C.SetPosition(1);
        return Write();
    }
    if (a.Failure) {
        if (FLastFailed) return C.EndOper();  // two failures in a row
        FLastFailed = true;
    } else {
        FLastFailed = false;
        ++C.CellsDone[TEngineCore::AdrOf(*dev)];
        C.SetPosition(FCell + 1);
        C.SetCaption(WriteCaption(dev->Name, FCell));
    }
    WriteNext();
}

void TWriteCardsOp::WriteNext() {
    if (FCell < kLastCell) {
        ++FCell;
        return Write();
    }
    if (FAll) {
        for (int j = FIndex + 1; j < C.Group.Count(); ++j) {
            if (!C.IsOpened(static_cast<DevIndex>(j))) continue;
            FIndex = static_cast<DevIndex>(j);
            return StartDevice();
        }
    }
    C.EndOper();
}

}  // namespace pelko
