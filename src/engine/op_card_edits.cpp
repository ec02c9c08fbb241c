#include "engine/op_card_edits.h"

#include "engine/card_cells.h"
#include "engine/card_list_edits.h"

namespace pelko {
namespace {

constexpr char kNotChecked[] = "не удалось проверить";

// A write the controller did not confirm may still have been carried out:
// the cell is read back.
void ReadBack(TEngineCore& C, std::uint8_t adr, std::uint16_t cell, int step) {
    C.Request(C.Requests.ReadCard(adr, cell), step);
}

// The cell could not be read back either: the user is told which.
void NotChecked(TEngineCore& C, std::uint8_t adr, std::uint16_t cell) {
    C.ReportCells(adr, kNotChecked, kNotChecked, {cell});
}

}  // namespace

// --- one cell ---

const char* TOneCellOp::StepName(int step) const {
    return step == Login ? "login" : step == Write ? "write cell" : "read back";
}

void TOneCellOp::Start() {
    C.Request(C.Requests.Login(FAdr, FPass), Login);
    C.Request(C.Requests.WriteCard(FAdr, FCell, FCode), Write);
}

void TOneCellOp::OnAnswer(int step, const TAnswer& a) {
    if (step == Login) {
        if (a.Failure || (FRefusalStops && !a.Verdict())) return C.StopOper();
        return C.StepIt();
    }
    if (step == Write && a.Failure) return ReadBack(C, FAdr, FCell, Verify);
    if (step == Verify && !a.Complete()) {
        C.SetPosition(2);
        C.EndOper();
        return NotChecked(C, FAdr, FCell);
    }
    C.StepIt();
    Done(step == Write ? FCode : a.Code());
}

void TAddCardOp::Done(const TCode& held) {
    C.EndOper();
    TConfPelko* dev = C.DeviceByAdr(FAdr);
    if (dev == nullptr) return;
    FollowCell(*dev, FCell, held, std::string());
    if (!FIntoModel) return;
    C.RefreshCardList(dev->FindPosIndex(FCell) == NoCard ? -1 : dev->FindPosIndex(FCell));
}

void TEraseCardOp::Done(const TCode& held) {
    C.EndOper();
    TConfPelko* dev = C.DeviceByAdr(FAdr);
    if (dev == nullptr) return;
    const std::uint16_t r = dev->FindPosIndex(FCell);
    if (r == NoCard) return;
    const bool master = FCell >= kFirstMasterCell;
    const int count = dev->CardCount(master);
    FollowCell(*dev, FCell, held, std::string());
    if (dev->FindPosIndex(FCell) != NoCard) return C.RefreshCardList();
    C.RefreshCardList(r == count - 1 ? count - 2 : r);
}

void TCopyCardOp::Done(const TCode& held) {
    if (TConfPelko* target = C.DeviceByAdr(FAdr)) FollowCell(*target, FCell, held, FUser);
    C.EndOper();
}

// --- erase the marked ---

const char* TEraseMarkedOp::StepName(int step) const {
    if (step == Login) return "login";
    return (step - Erase) % 2 == 0 ? "erase marked card" : "read back";
}

void TEraseMarkedOp::Start() {
    TConfPelko& conf = C.CurConf();
    C.Request(C.Requests.Login(FAdr, FPass), Login);
    for (std::uint16_t r = 0; r < conf.CardCount(C.MasterView); ++r) {
        if (!conf.IsCardSelected(C.MasterView, r)) continue;
        TCard card;
        conf.GetCard(C.MasterView, r, card);
        C.Request(C.Requests.WriteCard(FAdr, card.Pos, EmptyCode), Erase + 2 * r);  // held until the one before is answered
    }
}

void TEraseMarkedOp::OnAnswer(int step, const TAnswer& a) {
    if (step == Login) {
        if (a.Failure || !a.Verdict()) return C.StopOper();
        return C.StepIt();
    }
    const auto row = static_cast<std::uint16_t>((step - Erase) / 2);
    const bool readBack = (step - Erase) % 2 == 1;
    TConfPelko& conf = C.CurConf();
    TCard card;
    conf.GetCard(C.MasterView, row, card);
    if (!readBack && a.Failure) return ReadBack(C, FAdr, card.Pos, step + 1);
    C.StepIt();
    if (readBack && !a.Complete()) {
        FUnknown.push_back(card.Pos);
    } else if (!readBack || SameCode(a.Code(), EmptyCode)) {
        conf.MarkForDelete(C.MasterView, row);
    } else if (!SameCode(a.Code(), card.Code)) {
        conf.SetCardCode(C.MasterView, row, a.Code());
    }
    // The writes go out one by one: the last answered ends the erase.
    if (C.Idle()) Finish();
}

void TEraseMarkedOp::Finish() {
    C.EndOper();
    C.ReportCells(FAdr, kNotChecked, kNotChecked, FUnknown);
}

// --- move ---

const char* TMoveCardOp::StepName(int step) const {
    static const char* const kNames[] = {"login", "write new cell", "read back new cell", "erase old cell",
                                         "read back old cell"};
    return step >= 0 && step <= VerifyOld ? kNames[step] : "?";
}

void TMoveCardOp::Start() { C.Request(C.Requests.Login(FAdr, FPass), Login); }

void TMoveCardOp::OnAnswer(int step, const TAnswer& a) {
    switch (step) {
        case Login:
            if (a.Failure) return C.StopOper();
            C.StepIt();
            return C.Request(C.Requests.WriteCard(FAdr, FNewCell, FCard.Code), WriteNew);
        case WriteNew:
            if (a.Failure) return ReadBack(C, FAdr, FNewCell, VerifyNew);
            return NewHolds(FCard.Code);
        case VerifyNew:
            if (!a.Complete()) {
                C.StopOper();
                return NotChecked(C, FAdr, FNewCell);
            }
            return NewHolds(a.Code());
        case EraseOld:
            if (a.Failure) return ReadBack(C, FAdr, FCard.Pos, VerifyOld);
            return OldHolds(EmptyCode);
        default:
            if (!a.Complete()) {
                Finish();
                return NotChecked(C, FAdr, FCard.Pos);
            }
            return OldHolds(a.Code());
    }
}

void TMoveCardOp::NewHolds(const TCode& held) {
    C.StepIt();
    TConfPelko* dev = C.DeviceByAdr(FAdr);
    if (dev != nullptr) FollowCell(*dev, FNewCell, held, FCard.User);
    // Not in the new cell: the card stays where it was.
    if (!SameCode(held, FCard.Code)) return Finish();
    C.Request(C.Requests.WriteCard(FAdr, FCard.Pos, EmptyCode), EraseOld);
}

void TMoveCardOp::OldHolds(const TCode& held) {
    C.StepIt();
    if (TConfPelko* dev = C.DeviceByAdr(FAdr)) FollowCell(*dev, FCard.Pos, held, FCard.User);
    Finish();
}

void TMoveCardOp::Finish() {
    C.EndOper();
    // The list keeps its current row, as in the model-only form.
    C.Changed(chCards | chCurrentCard);
}

// --- change code ---

const char* TChangeCodeOp::StepName(int step) const {
    static const char* const kNames[] = {"login", "write code", "read back", "write master cell",
                                         "read back master cell"};
    return step >= 0 && step <= VerifyMaster ? kNames[step] : "?";
}

void TChangeCodeOp::Start() { C.Request(C.Requests.Login(FAdr, FPass), Login); }

void TChangeCodeOp::OnAnswer(int step, const TAnswer& a) {
    switch (step) {
        case Login:
            if (a.Failure || !a.Verdict()) return C.StopOper();
            C.StepIt();
            return C.Request(C.Requests.WriteCard(FAdr, FCell, FCode), WriteCode);
        case WriteCode:
            if (a.Failure) return ReadBack(C, FAdr, FCell, VerifyCode);
            return CodeHeld(FCode);
        case VerifyCode:
            if (a.Complete()) return CodeHeld(a.Code());
            NotChecked(C, FAdr, FCell);
            return CodeHeld(EmptyCode);  // the model keeps its card
        case WriteMaster:
            if (a.Failure) return ReadBack(C, FAdr, kFirstMasterCell, VerifyMaster);
            return MasterHeld(ZeroCode);
        default:
            if (!a.Complete()) {
                C.EndOper();
                return NotChecked(C, FAdr, kFirstMasterCell);
            }
            return MasterHeld(a.Code());
    }
}

void TChangeCodeOp::CodeHeld(const TCode& held) {
    C.StepIt();
    TConfPelko* dev = C.DeviceByAdr(FAdr);
    if (dev != nullptr && !SameCode(held, EmptyCode)) {
        FollowCell(*dev, FCell, held, std::string());
        C.Changed(chCardValues | chCurrentCard);
    }
    if (!FWithMaster) return C.EndOper();
    C.Request(C.Requests.WriteCard(FAdr, kFirstMasterCell, ZeroCode), WriteMaster);
}

void TChangeCodeOp::MasterHeld(const TCode& held) {
    C.EndOper();
    if (TConfPelko* dev = C.DeviceByAdr(FAdr)) FollowCell(*dev, kFirstMasterCell, held, std::string());
}

// --- copy the marked ---

const char* TCopyMarkedOp::StepName(int step) const {
    return step == Login ? "login" : step == Write ? "write card" : "read back";
}

void TCopyMarkedOp::Start() {
    C.Request(C.Requests.Login(FAdr, FPass), Login);
    FCell = C.MasterView ? kFirstMasterCell : 0;
    WriteNext();
}

void TCopyMarkedOp::OnAnswer(int step, const TAnswer& a) {
    if (step == Login) {
        if (a.Failure) return C.StopOper();
        return C.StepIt();
    }
    if (step == Write && a.Failure) return ReadBack(C, FAdr, FCell, Verify);
    if (step == Verify && !a.Complete()) {
        FUnknown.push_back(FCell);
        return Held(EmptyCode);
    }
    Held(step == Write ? FCode : a.Code());
}

void TCopyMarkedOp::Held(const TCode& code) {
    TConfPelko& source = C.CurConf();
    source.ClearCopyMark(C.MasterView, FRow);  // copied or not, it is done with
    if (!SameCode(code, EmptyCode)) {
        C.StepIt();
        TCard card;
        source.GetCard(C.MasterView, FRow, card);
        if (TConfPelko* target = C.DeviceByAdr(FAdr)) FollowCell(*target, FCell, code, card.User);
    }
    WriteNext();
}

void TCopyMarkedOp::WriteNext() {
    TConfPelko& source = C.CurConf();
    const TConfPelko* target = C.DeviceByAdr(FAdr);
    const std::uint16_t count = source.CardCount(C.MasterView);
    for (std::uint16_t i = FRow; target != nullptr && i < count; ++i) {
        if (!source.HasCopyMark(C.MasterView, i)) continue;
        FCell = FreeCellFrom(*target, FCell, C.MasterView);
        if (FCell == NoCard) break;
        FRow = i;
        TCard card;
        source.GetCard(C.MasterView, i, card);
        FCode = card.Code;
        return C.Request(C.Requests.WriteCard(FAdr, FCell, FCode), Write);
    }
    C.EndOper();
    C.ReportCells(FAdr, kNotChecked, kNotChecked, FUnknown);
}

}  // namespace pelko
