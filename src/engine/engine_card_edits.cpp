// The card edits written into a controller at once (AutoWriteKey): add, erase
// one or the marked cards, move, change a code, copy one or the marked cards
// into another device. The model follows only what the controller confirmed.
#include "engine/engine.h"

namespace pelko {

// The selected device, logged in with its stored password; nullptr when there
// is none or the line cannot be used.
TConfPelko* TEngine::PrepareEdit() {
    TConfPelko* dev = SelectedDevice();
    if (dev == nullptr || !EnsureActive()) return nullptr;
    CurPass = dev->Pass;
    return dev;
}

// The login answer of a card edit: counted and stepped, or, where the edit
// needs the login, a refusal ends it. True when the answer was the login's.
bool TEngine::EditLogin(const TAnswer& a, bool refusalStops) {
    if (a.Failure || a.Cmd != ansLogin) return false;
    if (refusalStops && !a.Verdict()) {
        StopOper();
    } else {
        StepIt();
        ++AnswerCount;
    }
    return true;
}

// A lost answer of a one-card erase or copy: with no answer at all the
// session restarts as after any stopped operation; a lost write just ends.
void TEngine::OneCardEditFailed() {
    if (AnswerCount == 0) return StopOper();  // its bar's maximum is 2 as well
    SetPosition(2);
    EndOper();
}

bool TEngine::CardAt(int row, TCard& card) {
    if (row < 0 || row >= CurConf().CardCount(MasterView)) return false;
    CurConf().GetCard(MasterView, static_cast<std::uint16_t>(row), card);
    return true;
}

std::uint16_t TEngine::FreeCellFrom(const TConfPelko& dev, std::uint16_t from) const {
    const std::uint16_t last = MasterView ? kCellCount - 1 : kUserCells - 1;
    for (std::uint16_t cell = from; cell <= last; ++cell)
        if (dev.IsCellFree(cell)) return cell;
    return NoCard;
}

void TEngine::WriteNewCard(std::uint16_t cell) {
    TConfPelko* dev = PrepareEdit();
    if (dev == nullptr || !dev->IsCellFree(cell)) return;
    SetProgBFrm(2, kWriteOneCaption, false);
    CurCell = cell;
    Login(AdrOf(*dev), CurPass);
    WriteCellCode(AdrOf(*dev), cell, ZeroCode);
    OperState = osWriteCard;
    ShowModal();
    OperState = osIdle;
}

void TEngine::OnWriteCard(const TAnswer& a, std::uint32_t) {
    if (a.Failure) return StopOper();
    if (EditLogin(a, false)) return;
    if (a.Cmd != ansWriteCard) return;
    StepIt();
    EndOper();
    if (CurCell == NoCard) return;  // only master cell 1000 was written for the controller's sake
    TConfPelko& conf = CurConf();
    conf.AddCard(CurCell, ZeroCode, std::string());
    RefreshCardList();
    FHost.SetCardRow(conf.FindPosIndex(CurCell));
}

void TEngine::EraseCard(int row) {
    TCard card;
    TConfPelko* dev = PrepareEdit();
    if (dev == nullptr || !CardAt(row, card)) return;
    AnswerCount = 0;
    SetProgBFrm(2, kEraseOneCaption, false);
    WriteCell = card.Pos;
    OperState = osEraseCard;
    Login(AdrOf(*dev), CurPass);
    WriteCellCode(AdrOf(*dev), WriteCell, EmptyCode);
    ShowModal();
    OperState = osIdle;
}

void TEngine::OnEraseCard(const TAnswer& a, std::uint32_t) {
    if (a.Failure) return OneCardEditFailed();
    if (EditLogin(a, true)) return;
    if (a.Cmd != ansWriteCard) return;
    ++AnswerCount;
    StepIt();
    EndOper();
    TConfPelko& conf = CurConf();
    const std::uint16_t r = conf.FindPosIndex(WriteCell);
    if (r == NoCard) return;
    const int count = conf.CardCount(MasterView);
    const int row = r == count - 1 ? count - 2 : r;
    conf.DeleteCard(WriteCell >= kFirstMasterCell, r);
    RefreshCardList();
    FHost.SetCardRow(row);
}

void TEngine::EraseMarkedCards() {
    TConfPelko* dev = PrepareEdit();
    if (dev == nullptr) return;
    TConfPelko& conf = *dev;
    std::uint16_t first = 0;
    const std::uint16_t count = conf.CardCount(MasterView);
    while (first < count && !conf.IsCardSelected(MasterView, first)) ++first;
    if (first >= count) return;
    CurCell = first;
    AnswerCount = 0;
    SetProgBFrm(conf.CountSelected(MasterView) + 1, kEraseManyCaption, false);
    Login(AdrOf(conf), CurPass);
    OperState = osEraseSelected;
    for (std::uint16_t r = first; r < count; ++r) {
        if (!conf.IsCardSelected(MasterView, r)) continue;
        TCard card;
        conf.GetCard(MasterView, r, card);
        WriteCellCode(AdrOf(conf), card.Pos, EmptyCode);  // held until the one before is answered
    }
    ShowModal();
    OperState = osIdle;
    TConfPelko& shown = CurConf();
    std::uint16_t row = 0;
    const std::uint16_t left = shown.CardCount(MasterView);
    while (row < left && !shown.HasDeleteMark(MasterView, row)) ++row;
    if (row >= left) return;
    shown.RemoveMarkedCards(MasterView);
    RefreshCardList();
    FHost.SetCardRow(row);
    RestartSession();
    PresentAll();
    FHost.UpdateControls();
}

void TEngine::OnEraseSelected(const TAnswer& a, std::uint32_t) {
    if (a.Failure && AnswerCount == 0) return StopOper();
    if (EditLogin(a, true)) return;
    if (!a.Failure && a.Cmd != ansWriteCard) return;
    if (!a.Failure) ++AnswerCount;
    StepIt();
    TConfPelko& conf = CurConf();
    const std::uint16_t count = conf.CardCount(MasterView);
    while (CurCell < count && !conf.IsCardSelected(MasterView, CurCell)) ++CurCell;
    if (CurCell < count) {
        if (!a.Failure) conf.MarkForDelete(MasterView, CurCell);
        ++CurCell;
    }
    // The writes go out one by one: the last answered ends the erase.
    if (FHeld.empty() && !Outstanding()) EndOper();
}

void TEngine::MoveCardTo(int row, std::uint16_t newCell) {
    TCard card;
    TConfPelko* dev = PrepareEdit();
    if (dev == nullptr || !CardAt(row, card) || !dev->IsCellFree(newCell)) return;
    WorkCode = card.Code;
    WorkUser = card.User;
    CurCell = card.Pos;
    WriteCell = newCell;
    SetProgBFrm(3, kMoveCaption, false);
    OperState = osMoveCard;
    AnswerCount = 0;
    Login(AdrOf(*dev), CurPass);
    ShowModal();
    OperState = osIdle;
    AnswerCount = 0;
}

// Erase the old cell first, then write the new one: a failure in between
// leaves the card in neither, and the model says so.
void TEngine::OnMoveCard(const TAnswer& a, std::uint32_t) {
    if (a.Failure) return StopOper();
    if (EditLogin(a, false)) {
        WriteCellCode(a.Adr, CurCell, EmptyCode);
        return;
    }
    if (a.Cmd != ansWriteCard) return;
    StepIt();
    ++AnswerCount;
    TConfPelko& conf = CurConf();
    if (AnswerCount == 2) {
        const std::uint16_t r = conf.FindPosIndex(CurCell);
        if (r != NoCard) conf.DeleteCard(CurCell >= kFirstMasterCell, r);
        WriteCellCode(a.Adr, WriteCell, WorkCode);
        return;
    }
    if (AnswerCount != 3) return;
    conf.AddCard(WriteCell, WorkCode, WorkUser);
    const int row = FHost.CardRow();
    const int count = conf.CardCount(MasterView);
    RefreshCardList();
    FHost.SetCardRow(row < count ? row : count - 1);
    FHost.UpdateInspCard();
    AnswerCount = 0;
    EndOper();
}

void TEngine::ChangeCardCode(int row, const TCode& code) {
    TCard card;
    TConfPelko* dev = PrepareEdit();
    if (dev == nullptr || !CardAt(row, card)) return;
    WorkCode = code;
    SetProgBFrm(2, kChangeCodeCaption, false);
    AnswerCount = 0;
    OperState = osChangeCode;
    Login(AdrOf(*dev), CurPass);
    WriteCellCode(AdrOf(*dev), card.Pos, WorkCode);
    CurCell = static_cast<std::uint16_t>(row);
    WriteCell = 0;  // one write only
    ShowModal();
    OperState = osIdle;
}

void TEngine::ChangeCodeConfirmed() {
    CurConf().SetCardCode(MasterView, CurCell, WorkCode);
    FHost.RepaintCardGrid();
    FHost.UpdateInspCard();
}

void TEngine::OnChangeCode(const TAnswer& a, std::uint32_t) {
    if (a.Failure) return StopOper();
    if (EditLogin(a, true)) return;
    if (a.Cmd != ansWriteCard) return;
    ++AnswerCount;
    if (WriteCell != NoCard) {
        StepIt();
        EndOper();
        return ChangeCodeConfirmed();
    }
    // The capture also wrote master cell 1000: the card's own write comes first.
    if (AnswerCount == 2) {
        StepIt();
        ChangeCodeConfirmed();
    } else if (AnswerCount == 3) {
        WriteCell = 0;
        EndOper();
    }
}

void TEngine::CopyCardTo(std::uint8_t targetIndex, int row, std::uint16_t cell) {
    TCard card;
    TConfPelko* target = Device(targetIndex);
    if (target == nullptr || !target->IsCellFree(cell) || !CardAt(row, card) || !EnsureActive())
        return;
    WorkCode = card.Code;
    WorkUser = card.User;
    WriteCell = cell;
    WorkDevice = AdrOf(*target);
    AnswerCount = 0;
    CurPass = target->Pass;
    SetProgBFrm(2, kCopyOneCaption, false);
    Login(WorkDevice, CurPass);
    WriteCellCode(WorkDevice, cell, WorkCode);
    OperState = osCopyCard;
    ShowModal();
    OperState = osIdle;
}

void TEngine::OnCopyCard(const TAnswer& a, std::uint32_t) {
    if (a.Failure) return OneCardEditFailed();
    if (EditLogin(a, true)) return;
    if (a.Cmd != ansWriteCard) return;
    ++AnswerCount;
    StepIt();
    if (TConfPelko* target = DeviceByAdr(WorkDevice)) target->AddCard(WriteCell, WorkCode, WorkUser);
    EndOper();
}

void TEngine::CopyMarkedCardsTo(std::uint8_t targetIndex) {
    TConfPelko* target = Device(targetIndex);
    TConfPelko& source = CurConf();
    const std::uint16_t marks = source.CountCopyMarks(MasterView);
    if (target == nullptr || target == &source || marks == 0 || !EnsureActive()) return;
    CurCell = 0;
    while (!source.HasCopyMark(MasterView, CurCell)) ++CurCell;
    WriteCell = FreeCellFrom(*target, MasterView ? kFirstMasterCell : 0);
    if (WriteCell == NoCard) return;
    WorkDevice = AdrOf(*target);
    CurPass = target->Pass;
    SetProgBFrm(marks + 1, kCopyManyCaption, false);
    AnswerCount = 0;
    Login(WorkDevice, CurPass);
    OperState = osCopyCards;
    TCard card;
    source.GetCard(MasterView, CurCell, card);
    WorkCode = card.Code;
    WriteCellCode(WorkDevice, WriteCell, WorkCode);
    ShowModal();
    RestartSession();
    PresentAll();
    OperState = osIdle;
}

void TEngine::OnCopyCards(const TAnswer& a, std::uint32_t) {
    TConfPelko& source = CurConf();
    if (a.Failure) {
        if (AnswerCount == 0) return StopOper();
        source.ClearCopyMark(MasterView, CurCell);  // not copied
        return CopyNextMarked();
    }
    if (EditLogin(a, false)) return;
    if (a.Cmd != ansWriteCard) return;
    ++AnswerCount;
    StepIt();
    source.ClearCopyMark(MasterView, CurCell);
    TCard card;
    source.GetCard(MasterView, CurCell, card);
    WorkUser = card.User;
    if (TConfPelko* target = DeviceByAdr(WorkDevice)) target->AddCard(WriteCell, WorkCode, WorkUser);
    CopyNextMarked();
}

void TEngine::CopyNextMarked() {
    TConfPelko& source = CurConf();
    TConfPelko* target = DeviceByAdr(WorkDevice);
    const std::uint16_t count = source.CardCount(MasterView);
    for (std::uint16_t i = CurCell; target != nullptr && i < count; ++i) {
        if (!source.HasCopyMark(MasterView, i)) continue;
        WriteCell = FreeCellFrom(*target, WriteCell);
        if (WriteCell == NoCard) break;
        CurCell = i;
        TCard card;
        source.GetCard(MasterView, i, card);
        WorkCode = card.Code;
        WriteCellCode(WorkDevice, WriteCell, WorkCode);
        return;
    }
    EndOper();
}

}  // namespace pelko
