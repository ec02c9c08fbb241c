// The card edits of the shown list, in both forms: written into the
// controller at once (AutoWriteKey on), or in the model only. Each command
// makes one TCardEdit; the model-only form applies it, the written form runs
// the operation that sends the same edit and follows what the controller
// confirms.
#include "engine/card_edit.h"
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

TOperState StateOf(const TCardEdit& e) {
    switch (e.Kind) {
    case TCardEditKind::Add: return osWriteCard;
    case TCardEditKind::Erase: return osEraseCard;
    case TCardEditKind::EraseMarked: return osEraseSelected;
    case TCardEditKind::Move: return osMoveCard;
    case TCardEditKind::ChangeCode: return osChangeCode;
    case TCardEditKind::Copy: return osCopyCard;
    case TCardEditKind::CopyMarked: return osCopyCards;
    case TCardEditKind::Rename:
    case TCardEditKind::ReplaceList: break;
    }
    return osNone;
}

// The source's cards with copy marks, in list order.
std::vector<TCard> CopyMarkedOf(const TConfPelko& source, bool master) {
    std::vector<TCard> cards;
    TCard card;
    for (std::uint16_t i = 0; i < source.CardCount(master); ++i) {
        if (!source.HasCopyMark(master, i)) continue;
        source.GetCard(master, i, card);
        cards.push_back(card);
    }
    return cards;
}

}  // namespace

void TEngine::ApplyInModel(TConfPelko& dev, const TCardEdit& edit) {
    C.Changed(CardEditChanges(edit), ApplyCardEdit(dev, edit));
}

void TEngine::ApplyToModel(DevIndex device, const TCardEdit& edit, TDone done) {
    TConfPelko* dev = C.Device(device);
    if (dev == nullptr || Busy()) return TEngineCore::Refuse(StateOf(edit), done);
    C.Begin(StateOf(edit), std::move(done));
    ApplyInModel(*dev, edit);
    C.End();
}

// The written form: the selected device logged in with its stored password,
// the progress shown, the operation run.
void TEngine::RunCardEdit(std::unique_ptr<TOperation> op, int barMax, const char* caption, TEngineCore::TThen then) {
    C.SetProgBFrm(barMax, caption, false);
    C.Run(std::move(op), std::move(then));
}

void TEngine::AddCard(TDone done) {
    TConfPelko& conf = C.CurConf();
    const std::uint16_t cell = LowestFreeCell(conf, C.MasterView);
    if (cell == NoCard || Busy()) return TEngineCore::Refuse(osWriteCard, done);
    C.Begin(osWriteCard, std::move(done));
    const TCardEdit edit = TCardEdit::Add(C.MasterView, cell);
    if (!WritesThrough()) {
        ApplyInModel(conf, edit);
        return C.End();
    }
    TConfPelko* dev = C.SelectedDevice();
    if (dev == nullptr || !C.EnsureActive()) return Failed();
    RunCardEdit(std::make_unique<TAddCardOp>(C, TEngineCore::AdrOf(*dev), dev->Pass, edit.Cell, true), 2,
                kWriteOneCaption);
}

void TEngine::DeleteCard(int row, TDone done) {
    TConfPelko& conf = C.CurConf();
    if (conf.CardCount(C.MasterView) == 0 || !C.CardFocus || Busy()) return TEngineCore::Refuse(osEraseCard, done);
    const bool marked = conf.CountSelected(C.MasterView) != 0;
    C.Begin(marked ? osEraseSelected : osEraseCard, std::move(done));
    if (!WritesThrough()) {
        ApplyInModel(conf, marked ? TCardEdit::EraseMarked(C.MasterView) : TCardEdit::Erase(C.MasterView, row));
        return C.End();
    }
    TConfPelko* dev = C.SelectedDevice();
    TCard card;
    if (dev == nullptr || (!marked && !CardAt(conf, C.MasterView, row, card)) || !C.EnsureActive()) return Failed();
    if (!marked)
        return RunCardEdit(std::make_unique<TEraseCardOp>(C, TEngineCore::AdrOf(*dev), dev->Pass, card.Pos), 2,
                           kEraseOneCaption);
    RunCardEdit(std::make_unique<TEraseMarkedOp>(C, TEngineCore::AdrOf(*dev), dev->Pass),
                conf.CountSelected(C.MasterView) + 1, kEraseManyCaption, [this](TOperation&, bool) {
                    // The cards the controller confirmed erased leave the list.
                    TConfPelko& shown = C.CurConf();
                    std::uint16_t first = 0;
                    const std::uint16_t left = shown.CardCount(C.MasterView);
                    while (first < left && !shown.HasDeleteMark(C.MasterView, first)) ++first;
                    if (first >= left) return;
                    shown.RemoveMarkedCards(C.MasterView);
                    C.RefreshCardList(first);
                    C.RestartSession();
                    C.PresentAll();
                });
}

void TEngine::MoveCard(int row, std::uint16_t newCell, TDone done) {
    TConfPelko& conf = C.CurConf();
    TCard card;
    if (newCell >= kCellCount || !CardAt(conf, C.MasterView, row, card) || newCell == card.Pos || Busy())
        return TEngineCore::Refuse(osMoveCard, done);
    C.Begin(osMoveCard, std::move(done));
    const TCardEdit edit = TCardEdit::Move(C.MasterView, row, newCell);
    if (!WritesThrough()) {
        ApplyInModel(conf, edit);
        return C.End();
    }
    TConfPelko* dev = C.SelectedDevice();
    if (dev == nullptr || !dev->IsCellFree(newCell) || !C.EnsureActive()) return Failed();
    RunCardEdit(std::make_unique<TMoveCardOp>(C, TEngineCore::AdrOf(*dev), dev->Pass, card, edit.Cell), 3,
                kMoveCaption);
}

void TEngine::SwitchCardList(int row, TDone done) {
    TConfPelko& conf = C.CurConf();
    TCard card;
    if (!CardAt(conf, C.MasterView, row, card) || Busy()) return TEngineCore::Refuse(osMoveCard, done);
    const std::uint16_t target = LowestFreeCell(conf, !C.MasterView);
    if (target == NoCard) return TEngineCore::Refuse(osMoveCard, done);
    // A move into the other list's lowest free cell, in either form.
    MoveCard(row, target, std::move(done));
}

void TEngine::ChangeCardCode(int row, const TCode& code, TDone done) {
    TConfPelko& conf = C.CurConf();
    TCard card;
    if (!CardAt(conf, C.MasterView, row, card) || Busy()) return TEngineCore::Refuse(osChangeCode, done);
    C.Begin(osChangeCode, std::move(done));
    const TCardEdit edit = TCardEdit::ChangeCode(C.MasterView, row, code);
    if (!WritesThrough()) {
        ApplyInModel(conf, edit);
        return C.End();
    }
    TConfPelko* dev = C.SelectedDevice();
    if (dev == nullptr || !C.EnsureActive()) return Failed();
    RunCardEdit(std::make_unique<TChangeCodeOp>(C, TEngineCore::AdrOf(*dev), dev->Pass, card.Pos, edit.Code, false), 2,
                kChangeCodeCaption);
}

// A user name lives in the program only: no controller holds it.
void TEngine::SetCardUser(int row, const std::string& user) {
    TConfPelko& conf = C.CurConf();
    if (row < 0 || row >= conf.CardCount(C.MasterView)) return;
    ApplyInModel(conf, TCardEdit::Rename(C.MasterView, row, user));
}

void TEngine::CopyCardsTo(DevIndex targetIndex, int row, TDone done) {
    TConfPelko* target = C.Device(targetIndex);
    TConfPelko& source = C.CurConf();
    if (target == nullptr || target == &source || targetIndex == C.Group.Selected() || Busy())
        return TEngineCore::Refuse(osCopyCard, done);
    const bool master = C.MasterView;
    source.MarkSelectedForCopy(master);
    const TCopyPlan plan = PrepareCardCopy(source, *target, master, row);
    C.Begin(plan.Marked ? osCopyCards : osCopyCard, std::move(done));
    if (plan.Outcome == TCopyOutcome::NoRoom) {
        C.Notice(kCaptionMessage, "В контроллере " + target->Name + "не хватает свободных ячеек", TMsgIcon::Error);
        return Failed();
    }
    TCard card;
    if (plan.Outcome != TCopyOutcome::Copy || (!plan.Marked && !CardAt(source, master, row, card))) return C.End();
    if (!WritesThrough()) {
        if (!plan.Marked) {
            ApplyInModel(*target, TCardEdit::Copy(targetIndex, master, card, plan.Cell));
            return C.End();
        }
        ApplyInModel(*target, TCardEdit::CopyMarked(targetIndex, master, CopyMarkedOf(source, master)));
        for (std::uint16_t i = 0; i < source.CardCount(master); ++i) source.ClearCopyMark(master, i);
        return C.End();
    }
    if (!C.EnsureActive()) return Failed();
    const std::uint8_t adr = TEngineCore::AdrOf(*target);
    if (!plan.Marked) {
        if (!target->IsCellFree(plan.Cell)) return Failed();
        return RunCardEdit(std::make_unique<TCopyCardOp>(C, adr, target->Pass, card, plan.Cell), 2, kCopyOneCaption);
    }
    if (FreeCellFrom(*target, master ? kFirstMasterCell : 0, master) == NoCard) return Failed();
    RunCardEdit(std::make_unique<TCopyMarkedOp>(C, adr, target->Pass), source.CountCopyMarks(master) + 1,
                kCopyManyCaption, [this](TOperation&, bool) {
                    C.RestartSession();
                    C.PresentAll();
                });
}

}  // namespace pelko
