#include "engine/card_edit.h"

#include "engine/card_list_edits.h"
#include "engine/engine_observer.h"

namespace pelko {
namespace {

bool HasRow(const TConfPelko& dev, bool master, int row) { return row >= 0 && row < dev.CardCount(master); }

bool IsMasterCell(std::uint16_t cell) { return cell >= kFirstMasterCell; }

int AddAt(TConfPelko& dev, std::uint16_t cell) {
    if (cell >= kCellCount || !dev.IsCellFree(cell)) return -1;
    dev.AddCard(cell, ZeroCode, std::string());
    return dev.FindPosIndex(cell);
}

// Within its list a card only changes cell; into the other list it leaves
// its row, and the list shows the row that took its place.
int MoveTo(TConfPelko& dev, bool master, int row, std::uint16_t cell) {
    if (!HasRow(dev, master, row) || cell >= kCellCount || !dev.IsCellFree(cell)) return -1;
    const auto index = static_cast<std::uint16_t>(row);
    if (IsMasterCell(cell) == master) {
        dev.MoveCard(master, index, cell);
        return -1;
    }
    TCard card;
    dev.GetCard(master, index, card);
    dev.DeleteCard(master, index);
    dev.AddCard(cell, card.Code, card.User);
    const int left = dev.CardCount(master);
    return row < left ? row : left - 1;
}

void CopyInOrder(TConfPelko& target, bool master, const std::vector<TCard>& cards) {
    for (const TCard& card : cards) {
        const std::uint16_t cell = LowestFreeCell(target, master);
        if (cell == NoCard) return;
        target.AddCard(cell, card.Code, card.User);
    }
}

TCardEdit Of(TCardEditKind kind, bool master, int row = -1) {
    TCardEdit e;
    e.Kind = kind;
    e.Master = master;
    e.Row = row;
    return e;
}

}  // namespace

TCardEdit TCardEdit::Add(bool master, std::uint16_t cell) {
    TCardEdit e;
    e.Master = master;
    e.Cell = cell;
    return e;
}

TCardEdit TCardEdit::Erase(bool master, int row) {
    TCardEdit e = Of(TCardEditKind::Erase, master);
    e.Row = row;
    return e;
}

TCardEdit TCardEdit::EraseMarked(bool master) { return Of(TCardEditKind::EraseMarked, master); }

TCardEdit TCardEdit::Move(bool master, int row, std::uint16_t cell) {
    TCardEdit e = Of(TCardEditKind::Move, master, row);
    e.Cell = cell;
    return e;
}

TCardEdit TCardEdit::ChangeCode(bool master, int row, const TCode& code) {
    TCardEdit e = Of(TCardEditKind::ChangeCode, master, row);
    e.Code = code;
    return e;
}

TCardEdit TCardEdit::Rename(bool master, int row, const std::string& user) {
    TCardEdit e = Of(TCardEditKind::Rename, master, row);
    e.User = user;
    return e;
}

TCardEdit TCardEdit::Copy(DevIndex target, bool master, const TCard& card, std::uint16_t cell) {
    TCardEdit e = Of(TCardEditKind::Copy, master);
    e.Cell = cell;
    e.Code = card.Code;
    e.User = card.User;
    e.Target = target;
    return e;
}

TCardEdit TCardEdit::CopyMarked(DevIndex target, bool master, std::vector<TCard> cards) {
    TCardEdit e = Of(TCardEditKind::CopyMarked, master);
    e.Target = target;
    e.Cards = std::move(cards);
    return e;
}

TCardEdit TCardEdit::ReplaceList(std::vector<TCard> cards) {
    TCardEdit e = Of(TCardEditKind::ReplaceList, false);
    e.Cards = std::move(cards);
    return e;
}

int ApplyCardEdit(TConfPelko& dev, const TCardEdit& e) {
    const auto index = static_cast<std::uint16_t>(e.Row);
    switch (e.Kind) {
    case TCardEditKind::Add: return AddAt(dev, e.Cell);
    case TCardEditKind::Erase: return DeleteCardInModel(dev, e.Master, e.Row);
    case TCardEditKind::EraseMarked: return DeleteMarkedInModel(dev, e.Master);
    case TCardEditKind::Move: return MoveTo(dev, e.Master, e.Row, e.Cell);
    case TCardEditKind::ChangeCode:
        if (HasRow(dev, e.Master, e.Row)) dev.SetCardCode(e.Master, index, e.Code);
        return -1;
    case TCardEditKind::Rename:
        if (HasRow(dev, e.Master, e.Row)) dev.SetCardUser(e.Master, index, e.User);
        return -1;
    case TCardEditKind::Copy:
        if (e.Cell < kCellCount && dev.IsCellFree(e.Cell)) dev.AddCard(e.Cell, e.Code, e.User);
        return -1;
    case TCardEditKind::CopyMarked: CopyInOrder(dev, e.Master, e.Cards); return -1;
    case TCardEditKind::ReplaceList:
        for (bool master : {false, true})
            while (dev.CardCount(master) > 0)
                dev.DeleteCard(master, static_cast<std::uint16_t>(dev.CardCount(master) - 1));
        for (const TCard& c : e.Cards) dev.AddCard(c.Pos, c.Code, c.User);
        return -1;
    }
    return -1;
}

unsigned CardEditChanges(const TCardEdit& e) {
    switch (e.Kind) {
    case TCardEditKind::Add:
    case TCardEditKind::Erase:
    case TCardEditKind::EraseMarked: return chCards;
    case TCardEditKind::Move:
        return IsMasterCell(e.Cell) == e.Master ? unsigned{chCardValues} : unsigned{chCards | chCurrentCard};
    case TCardEditKind::ChangeCode: return chCardValues | chCurrentCard;
    case TCardEditKind::Rename: return chCardValues;
    case TCardEditKind::Copy:
    case TCardEditKind::CopyMarked: return chDevices;
    case TCardEditKind::ReplaceList: return chCards | chCurrentCard;
    }
    return 0;
}

}  // namespace pelko
