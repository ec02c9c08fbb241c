#include "engine/card_list_edits.h"

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

int ClampRow(int row, int count) { return row < count ? row : count - 1; }

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

std::uint16_t FreeCellFrom(const TConfPelko& dev, std::uint16_t from, bool master) {
    return FreeFrom(dev, from, RangeOf(master).End);
}

int AddCardInModel(TConfPelko& dev, bool master) {
    const std::uint16_t cell = LowestFreeCell(dev, master);
    if (cell == NoCard) return -1;
    dev.AddCard(cell, ZeroCode, std::string());
    return dev.FindPosIndex(cell);
}

int DeleteCardInModel(TConfPelko& dev, bool master, int row) {
    const int n = dev.CardCount(master);
    if (row < 0 || row >= n) return -1;
    dev.DeleteCard(master, static_cast<std::uint16_t>(row));
    return row == n - 1 ? n - 2 : row;
}

int DeleteMarkedInModel(TConfPelko& dev, bool master) {
    int first = -1;
    for (int row = 0; row < dev.CardCount(master);) {
        if (!dev.IsCardSelected(master, static_cast<std::uint16_t>(row))) {
            ++row;
            continue;
        }
        if (first < 0) first = row;
        dev.DeleteCard(master, static_cast<std::uint16_t>(row));
    }
    return first < 0 ? -1 : ClampRow(first, dev.CardCount(master));
}

int SwitchListInModel(TConfPelko& dev, bool master, int row) {
    if (row < 0 || row >= dev.CardCount(master)) return -1;
    const std::uint16_t target = LowestFreeCell(dev, !master);
    if (target == NoCard) return -1;
    TCard card;
    dev.GetCard(master, static_cast<std::uint16_t>(row), card);
    dev.DeleteCard(master, static_cast<std::uint16_t>(row));
    dev.AddCard(target, card.Code, card.User);
    return ClampRow(row, dev.CardCount(master));
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
