#include "ui/card_copy.h"

namespace pelko {
namespace {

struct TRange {
    std::uint16_t First;
    std::uint16_t End;
    int Capacity;
};

TRange RangeOf(bool master) {
    return master ? TRange{kFirstMasterCell, kCellCount, kMasterCells} : TRange{0, kUserCells, kUserCells};
}

std::uint16_t FreeFrom(const TConfPelko& dev, std::uint16_t from, std::uint16_t end) {
    for (std::uint16_t cell = from; cell < end; ++cell)
        if (dev.IsCellFree(cell)) return cell;
    return NoCard;
}

// Gives the target's card with this code the user name; false when it has none.
bool PassUserOn(TConfPelko& target, bool list, const TCard& card) {
    const std::uint16_t at = target.FindCodeIndex(list, card.Code);
    if (at == NoCard) return false;
    target.SetCardUser(list, at, card.User);
    return true;
}

}  // namespace

std::uint16_t LowestFreeCell(const TConfPelko& dev, bool master) {
    const TRange range = RangeOf(master);
    if (dev.CardCount(master) >= range.Capacity) return NoCard;
    return FreeFrom(dev, range.First, range.End);
}

TCopyPlan PrepareCardCopy(TConfPelko& source, TConfPelko& target, bool master, int row) {
    TCopyPlan plan;
    const TRange range = RangeOf(master);
    TCard card;
    if (source.CountCopyMarks(master) == 0) {
        if (row < 0 || row >= source.CardCount(master)) return plan;
        source.GetCard(master, static_cast<std::uint16_t>(row), card);
        if (PassUserOn(target, false, card) || PassUserOn(target, true, card)) return plan;
        const std::uint16_t cell = LowestFreeCell(target, master);
        if (cell == NoCard) return {TCopyOutcome::NoRoom, false, NoCard};
        return {TCopyOutcome::Copy, false, cell};
    }
    for (std::uint16_t i = 0; i < source.CardCount(master); ++i) {
        if (!source.HasCopyMark(master, i)) continue;
        source.GetCard(master, i, card);
        if (PassUserOn(target, false, card)) source.ClearCopyMark(master, i);
        if (PassUserOn(target, true, card)) source.ClearCopyMark(master, i);
    }
    const int marks = source.CountCopyMarks(master);
    if (marks == 0) return plan;
    if (marks > range.Capacity - target.CardCount(master)) return {TCopyOutcome::NoRoom, true, NoCard};
    return {TCopyOutcome::Copy, true, LowestFreeCell(target, master)};
}

void CopyMarkedCards(TConfPelko& source, TConfPelko& target, bool master) {
    const TRange range = RangeOf(master);
    std::uint16_t start = range.First;
    TCard card;
    for (std::uint16_t i = 0; i < source.CardCount(master); ++i) {
        if (!source.HasCopyMark(master, i)) continue;
        const std::uint16_t q = FreeFrom(target, start, range.End);
        if (q == NoCard) return;
        if (q == start && start + 1 < range.End) ++start;
        source.GetCard(master, i, card);
        target.AddCard(q, card.Code, card.User);
        source.ClearCopyMark(master, i);
    }
}

}  // namespace pelko
