// The card edits of the shown list, in both forms: written into the
// controller at once (AutoWriteKey on), or in the model only.
#include "engine/card_list_edits.h"
#include "engine/engine.h"
#include "engine/op_card_edits.h"

namespace pelko {
namespace {

bool CardAt(TConfPelko& conf, bool master, int row, TCard& card) {
    if (row < 0 || row >= conf.CardCount(master)) return false;
    conf.GetCard(master, static_cast<std::uint16_t>(row), card);
    return true;
}

}  // namespace

// The written form: the selected device logged in with its stored password,
// the progress window prepared, the operation run.
void TEngine::RunCardEdit(TOperation& op, int barMax, const char* caption) {
    C.SetProgBFrm(barMax, caption, false);
    C.Run(op);
}

void TEngine::AddCard() {
    TConfPelko& conf = C.CurConf();
    const std::uint16_t cell = LowestFreeCell(conf, C.MasterView);
    if (cell == NoCard || Busy()) return;
    if (!WritesThrough()) {
        const int row = AddCardInModel(conf, C.MasterView);
        C.RefreshCardList();
        return C.Host.SetCardRow(row);
    }
    TConfPelko* dev = C.SelectedDevice();
    if (dev == nullptr || !C.EnsureActive()) return;
    TAddCardOp op(C, TEngineCore::AdrOf(*dev), dev->Pass, cell, true);
    RunCardEdit(op, 2, kWriteOneCaption);
}

void TEngine::DeleteCard(int row) {
    TConfPelko& conf = C.CurConf();
    if (conf.CardCount(C.MasterView) == 0 || !C.CardFocus || Busy()) return;
    const bool marked = conf.CountSelected(C.MasterView) != 0;
    if (!WritesThrough()) {
        const int next = marked ? DeleteMarkedInModel(conf, C.MasterView) : DeleteCardInModel(conf, C.MasterView, row);
        C.RefreshCardList();
        return C.Host.SetCardRow(next);
    }
    TConfPelko* dev = C.SelectedDevice();
    TCard card;
    if (dev == nullptr || (!marked && !CardAt(conf, C.MasterView, row, card)) || !C.EnsureActive()) return;
    if (!marked) {
        TEraseCardOp op(C, TEngineCore::AdrOf(*dev), dev->Pass, card.Pos);
        return RunCardEdit(op, 2, kEraseOneCaption);
    }
    TEraseMarkedOp op(C, TEngineCore::AdrOf(*dev), dev->Pass);
    RunCardEdit(op, conf.CountSelected(C.MasterView) + 1, kEraseManyCaption);
    // The cards the controller confirmed erased leave the list.
    TConfPelko& shown = C.CurConf();
    std::uint16_t first = 0;
    const std::uint16_t left = shown.CardCount(C.MasterView);
    while (first < left && !shown.HasDeleteMark(C.MasterView, first)) ++first;
    if (first >= left) return;
    shown.RemoveMarkedCards(C.MasterView);
    C.RefreshCardList();
    C.Host.SetCardRow(first);
    C.RestartSession();
    C.PresentAll();
    C.Host.UpdateControls();
}

void TEngine::MoveCard(int row, std::uint16_t newCell) {
    TConfPelko& conf = C.CurConf();
    TCard card;
    if (newCell >= kCellCount || !CardAt(conf, C.MasterView, row, card) || newCell == card.Pos || Busy()) return;
    if (!WritesThrough()) {
        conf.MoveCard(C.MasterView, static_cast<std::uint16_t>(row), newCell);
        return C.Host.RepaintCardGrid();
    }
    TConfPelko* dev = C.SelectedDevice();
    if (dev == nullptr || !dev->IsCellFree(newCell) || !C.EnsureActive()) return;
    TMoveCardOp op(C, TEngineCore::AdrOf(*dev), dev->Pass, card, newCell);
    RunCardEdit(op, 3, kMoveCaption);
}

void TEngine::SwitchCardList(int row) {
    TConfPelko& conf = C.CurConf();
    TCard card;
    if (!CardAt(conf, C.MasterView, row, card) || Busy()) return;
    const std::uint16_t target = LowestFreeCell(conf, !C.MasterView);
    if (target == NoCard) return;
    if (!WritesThrough()) {
        const int next = SwitchListInModel(conf, C.MasterView, row);
        C.RefreshCardList();
        C.Host.SetCardRow(next);
        return C.Host.UpdateInspCard();
    }
    MoveCard(row, target);
}

void TEngine::ChangeCardCode(int row, const TCode& code) {
    TConfPelko& conf = C.CurConf();
    TCard card;
    if (!CardAt(conf, C.MasterView, row, card) || Busy()) return;
    if (!WritesThrough()) {
        conf.SetCardCode(C.MasterView, static_cast<std::uint16_t>(row), code);
        C.Host.RepaintCardGrid();
        return C.Host.UpdateInspCard();
    }
    TConfPelko* dev = C.SelectedDevice();
    if (dev == nullptr || !C.EnsureActive()) return;
    TChangeCodeOp op(C, TEngineCore::AdrOf(*dev), dev->Pass, card.Pos, code, false);
    RunCardEdit(op, 2, kChangeCodeCaption);
}

// A user name lives in the program only: no controller holds it.
void TEngine::SetCardUser(int row, const std::string& user) {
    TConfPelko& conf = C.CurConf();
    if (row < 0 || row >= conf.CardCount(C.MasterView)) return;
    conf.SetCardUser(C.MasterView, static_cast<std::uint16_t>(row), user);
    C.Host.RepaintCardGrid();
}

void TEngine::CopyCardsTo(DevIndex targetIndex, int row) {
    TConfPelko* target = C.Device(targetIndex);
    TConfPelko& source = C.CurConf();
    if (target == nullptr || target == &source || targetIndex == C.Group.Selected() || Busy()) return;
    const bool master = C.MasterView;
    source.MarkSelectedForCopy(master);
    const TCopyPlan plan = PrepareCardCopy(source, *target, master, row);
    if (plan.Outcome == TCopyOutcome::NoRoom) {
        C.Host.ShowMessage(kCaptionMessage, "В контроллере " + target->Name + "не хватает свободных ячеек",
                           TMsgIcon::Error);
        return;
    }
    if (plan.Outcome != TCopyOutcome::Copy) return;
    TCard card;
    if (!plan.Marked && !CardAt(source, master, row, card)) return;
    if (!WritesThrough()) {
        if (plan.Marked) return CopyMarkedCards(source, *target, master);
        target->AddCard(plan.Cell, card.Code, card.User);
        return;
    }
    if (!C.EnsureActive()) return;
    const std::uint8_t adr = TEngineCore::AdrOf(*target);
    if (!plan.Marked) {
        if (!target->IsCellFree(plan.Cell)) return;
        TCopyCardOp op(C, adr, target->Pass, card, plan.Cell);
        return RunCardEdit(op, 2, kCopyOneCaption);
    }
    if (FreeCellFrom(*target, master ? kFirstMasterCell : 0, master) == NoCard) return;
    TCopyMarkedOp op(C, adr, target->Pass);
    RunCardEdit(op, source.CountCopyMarks(master) + 1, kCopyManyCaption);
    C.RestartSession();
    C.PresentAll();
}

}  // namespace pelko
