#include "engine/op_compare_cards.h"

#include "engine/card_cells.h"
#include "engine/progress.h"

namespace pelko {

void TCompareCardsOp::Start() {
    TConfPelko& dev = *C.Device(FIndex);
    FCheck.adr = TEngineCore::AdrOf(dev);
    C.SetProgBFrm(kCellCount, kCompareCaptionPrefix + dev.Name, false);
    C.Request(C.Requests.Login(FCheck.adr, dev.Pass), Login);
}

void TCompareCardsOp::OnAnswer(int step, const TAnswer& a) {
    TConfPelko* dev = C.Device(FIndex);
    if (dev == nullptr || TEngineCore::AdrOf(*dev) != FCheck.adr) {
        FReadBack.Abandon(FCheck);
        return C.StopOper();
    }
    if (step == Login) {
        if (a.Failure || !a.Verdict()) {
            FWhy = a.Failure ? "не отвечает" : "не принял пароль";
            return a.Failure ? C.StopOper() : C.EndOper();
        }
        FCheck.reached = true;
        std::vector<std::uint16_t> all(kCellCount);
        for (std::uint16_t c = 0; c < kCellCount; ++c) all[c] = c;
        FReadBack.Begin(std::move(all));
        return Next();
    }
    FReadBack.Answered(a, ModelCellCode(*dev, FReadBack.Cell()), FCheck);
    Next();
}

void TCompareCardsOp::Next() {
    if (FReadBack.Done()) return C.RequestQuiet(Quiet);
    C.SetPosition(static_cast<int>(FReadBack.Position()));
    C.Request(C.Requests.ReadCard(FCheck.adr, FReadBack.Cell()), Cell);
}

// A cell whose answer turned out doubtful is read again: no difference is
// reported that the line may have made up.
void TCompareCardsOp::OnDoubt(int step, const Bytes& body) {
    if (step == Cell && body.size() >= 5 && body[0] == FCheck.adr) FReadBack.Doubt(CellOfRequest(body), FCheck);
}

void TCompareCardsOp::OnQuiet(int) {
    TConfPelko* dev = C.Device(FIndex);
    if (dev == nullptr || TEngineCore::AdrOf(*dev) != FCheck.adr) {
        FReadBack.Abandon(FCheck);
        return C.StopOper();
    }
    if (!FReadBack.Done()) return Next();
    C.SetPosition(kCellCount);
    C.EndOper();
}

// --- the program's side written ---

void TWriteCellsOp::Start() {
    TConfPelko& dev = *C.Device(FIndex);
    FCheck.adr = TEngineCore::AdrOf(dev);
    C.SetProgBFrm(static_cast<int>(2 * FCells.size() + 1), WriteCaption(dev.Name), false);
    C.Request(C.Requests.Login(FCheck.adr, dev.Pass), Login);
}

void TWriteCellsOp::OnAnswer(int step, const TAnswer& a) {
    TConfPelko* dev = C.Device(FIndex);
    if (dev == nullptr || TEngineCore::AdrOf(*dev) != FCheck.adr) {
        Settle();
        return C.StopOper();
    }
    C.StepIt();
    if (step == Login) {
        if (a.Failure || !a.Verdict()) {
            FCheck.unread = FCells;
            FAt = FCells.size();
            return a.Failure ? C.StopOper() : C.EndOper();
        }
        FCheck.reached = true;
        return WriteNext();
    }
    if (step == Write) {
        if (!a.Failure) ++FCheck.written;
        ++FAt;
        return WriteNext();
    }
    FReadBack.Answered(a, ModelCellCode(*dev, FReadBack.Cell()), FCheck);
    VerifyNext();
}

void TWriteCellsOp::WriteNext() {
    if (FAt < FCells.size()) {
        const std::uint16_t cell = FCells[FAt];
        return C.Request(C.Requests.WriteCard(FCheck.adr, cell, ModelCellCode(*C.Device(FIndex), cell)), Write);
    }
    // A write whose answer was lost may still have been carried out: every
    // chosen cell is read back.
    FReadBack.Begin(FCells);
    VerifyNext();
}

void TWriteCellsOp::VerifyNext() {
    if (FReadBack.Done()) return C.RequestQuiet(Quiet);
    C.Request(C.Requests.ReadCard(FCheck.adr, FReadBack.Cell()), Verify);
}

void TWriteCellsOp::OnDoubt(int step, const Bytes& body) {
    if (step == Verify && body.size() >= 5 && body[0] == FCheck.adr) FReadBack.Doubt(CellOfRequest(body), FCheck);
}

void TWriteCellsOp::OnQuiet(int) {
    if (FReadBack.Done()) return C.EndOper();
    VerifyNext();
}

// Stopped early: no cell was read back while writing, so all are unknown.
void TWriteCellsOp::Settle() {
    if (FAt < FCells.size()) {
        FCheck.unread = FCells;
        FAt = FCells.size();
        return;
    }
    FReadBack.Abandon(FCheck);
}

}  // namespace pelko
