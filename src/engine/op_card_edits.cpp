#include "engine/op_card_edits.h"

#include "engine/card_list_edits.h"

namespace pelko {

// --- add ---

void TAddCardOp::Start() {
    C.Request(C.Requests.Login(FAdr, FPass), Login);
    C.Request(C.Requests.WriteCard(FAdr, FCell, ZeroCode), Write);
}

void TAddCardOp::OnAnswer(int step, const TAnswer& a) {
    if (a.Failure) return C.StopOper();
    C.StepIt();
    if (step == Login) return;
    C.EndOper();
    if (!FIntoModel) return;
    TConfPelko& conf = C.CurConf();
    conf.AddCard(FCell, ZeroCode, std::string());
    C.RefreshCardList();
    C.Host.SetCardRow(conf.FindPosIndex(FCell));
}

// --- erase one ---

void TEraseCardOp::Start() {
    C.Request(C.Requests.Login(FAdr, FPass), Login);
    C.Request(C.Requests.WriteCard(FAdr, FCell, EmptyCode), Erase);
}

void TEraseCardOp::OnAnswer(int step, const TAnswer& a) {
    if (step == Login) {
        if (a.Failure || !a.Verdict()) return C.StopOper();
        return C.StepIt();
    }
    if (a.Failure) {
        C.SetPosition(2);
        return C.EndOper();
    }
    C.StepIt();
    C.EndOper();
    TConfPelko& conf = C.CurConf();
    const std::uint16_t r = conf.FindPosIndex(FCell);
    if (r == NoCard) return;
    const int count = conf.CardCount(C.MasterView);
    const int row = r == count - 1 ? count - 2 : r;
    conf.DeleteCard(FCell >= kFirstMasterCell, r);
    C.RefreshCardList();
    C.Host.SetCardRow(row);
}

// --- erase the marked ---

void TEraseMarkedOp::Start() {
    TConfPelko& conf = C.CurConf();
    C.Request(C.Requests.Login(FAdr, FPass), Login);
    for (std::uint16_t r = 0; r < conf.CardCount(C.MasterView); ++r) {
        if (!conf.IsCardSelected(C.MasterView, r)) continue;
        TCard card;
        conf.GetCard(C.MasterView, r, card);
        C.Request(C.Requests.WriteCard(FAdr, card.Pos, EmptyCode), Erase + r);  // held until the one before is answered
    }
}

void TEraseMarkedOp::OnAnswer(int step, const TAnswer& a) {
    if (step == Login) {
        if (a.Failure || !a.Verdict()) return C.StopOper();
        return C.StepIt();
    }
    C.StepIt();
    if (!a.Failure) C.CurConf().MarkForDelete(C.MasterView, static_cast<std::uint16_t>(step - Erase));
    // The writes go out one by one: the last answered ends the erase.
    if (C.Idle()) C.EndOper();
}

// --- move ---

const char* TMoveCardOp::StepName(int step) const {
    return step == Login ? "login" : step == EraseOld ? "erase old cell" : "write new cell";
}

void TMoveCardOp::Start() { C.Request(C.Requests.Login(FAdr, FPass), Login); }

// Erase the old cell first, then write the new one: a failure in between
// leaves the card in neither, and the model says so.
void TMoveCardOp::OnAnswer(int step, const TAnswer& a) {
    if (a.Failure) return C.StopOper();
    C.StepIt();
    TConfPelko& conf = C.CurConf();
    if (step == Login) return C.Request(C.Requests.WriteCard(FAdr, FCard.Pos, EmptyCode), EraseOld);
    if (step == EraseOld) {
        const std::uint16_t r = conf.FindPosIndex(FCard.Pos);
        if (r != NoCard) conf.DeleteCard(FCard.Pos >= kFirstMasterCell, r);
        return C.Request(C.Requests.WriteCard(FAdr, FNewCell, FCard.Code), WriteNew);
    }
    conf.AddCard(FNewCell, FCard.Code, FCard.User);
    const int row = C.Host.CardRow();
    const int count = conf.CardCount(C.MasterView);
    C.RefreshCardList();
    C.Host.SetCardRow(row < count ? row : count - 1);
    C.Host.UpdateInspCard();
    C.EndOper();
}

// --- change code ---

const char* TChangeCodeOp::StepName(int step) const {
    return step == Login ? "login" : step == WriteCode ? "write code" : "write master cell";
}

void TChangeCodeOp::Start() {
    C.Request(C.Requests.Login(FAdr, FPass), Login);
    C.Request(C.Requests.WriteCard(FAdr, FCell, FCode), WriteCode);
    if (FWithMaster) C.Request(C.Requests.WriteCard(FAdr, kFirstMasterCell, ZeroCode), WriteMaster);
}

void TChangeCodeOp::OnAnswer(int step, const TAnswer& a) {
    if (a.Failure) return C.StopOper();
    switch (step) {
        case Login:
            if (!a.Verdict()) return C.StopOper();
            return C.StepIt();
        case WriteCode:
            C.StepIt();
            if (!FWithMaster) C.EndOper();
            return Confirmed();
        default:
            return C.EndOper();
    }
}

void TChangeCodeOp::Confirmed() {
    C.CurConf().SetCardCode(C.MasterView, static_cast<std::uint16_t>(FRow), FCode);
    C.Host.RepaintCardGrid();
    C.Host.UpdateInspCard();
}

// --- copy one ---

void TCopyCardOp::Start() {
    C.Request(C.Requests.Login(FAdr, FPass), Login);
    C.Request(C.Requests.WriteCard(FAdr, FCell, FCard.Code), Write);
}

void TCopyCardOp::OnAnswer(int step, const TAnswer& a) {
    if (step == Login) {
        if (a.Failure || !a.Verdict()) return C.StopOper();
        return C.StepIt();
    }
    if (a.Failure) {
        C.SetPosition(2);
        return C.EndOper();
    }
    C.StepIt();
    if (TConfPelko* target = C.DeviceByAdr(FAdr)) target->AddCard(FCell, FCard.Code, FCard.User);
    C.EndOper();
}

// --- copy the marked ---

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
    TConfPelko& source = C.CurConf();
    source.ClearCopyMark(C.MasterView, FRow);  // copied or not, it is done with
    if (!a.Failure) {
        C.StepIt();
        TCard card;
        source.GetCard(C.MasterView, FRow, card);
        if (TConfPelko* target = C.DeviceByAdr(FAdr)) target->AddCard(FCell, FCode, card.User);
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
}

}  // namespace pelko
