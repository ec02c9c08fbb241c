#include "model/conf_pelko.h"

#include <algorithm>
#include <utility>

namespace pelko {

namespace {

bool IsBlankCode(const TCode& code) { return SameCode(code, EmptyCode) || SameCode(code, ZeroCode); }

bool InListRange(bool Master, std::uint16_t pos) {
    return Master ? (pos >= kFirstMasterCell && pos < kCellCount) : pos < kUserCells;
}

}  // namespace

TConfPelko::TConfPelko() { CellFlags_.fill(kCellFree); }

std::uint8_t TConfPelko::CellFlags(std::uint16_t pos) const {
    return pos < kCellCount ? CellFlags_[pos] : 0;
}

std::uint8_t* TConfPelko::CardFlags(bool Master, std::uint16_t Index) {
    CardsArr& list = List(Master);
    return Index < list.size() ? &CellFlags_[list[Index].Pos] : nullptr;
}

const std::uint8_t* TConfPelko::CardFlags(bool Master, std::uint16_t Index) const {
    const CardsArr& list = List(Master);
    return Index < list.size() ? &CellFlags_[list[Index].Pos] : nullptr;
}

bool TConfPelko::CardHasBit(bool Master, std::uint16_t Index, std::uint8_t bit) const {
    const std::uint8_t* flags = CardFlags(Master, Index);
    return flags != nullptr && (*flags & bit) != 0;
}

std::uint16_t TConfPelko::CountBit(bool Master, std::uint8_t bit) const {
    const CardsArr& list = List(Master);
    return static_cast<std::uint16_t>(std::count_if(
        list.begin(), list.end(), [&](const TCard& c) { return (CellFlags_[c.Pos] & bit) != 0; }));
}

void TConfPelko::ReleaseCell(const CardsArr& list, std::uint16_t pos) {
    // A file may put two cards into one cell; the cell stays taken while one remains.
    const bool stillHeld =
        std::any_of(list.begin(), list.end(), [&](const TCard& c) { return c.Pos == pos; });
    if (!stillHeld) CellFlags_[pos] = kCellFree;
}

bool TConfPelko::AddCard(std::uint16_t Pos, const TCode& Code, std::string User) {
    if (Pos >= kCellCount) return false;
    const bool master = Pos >= kFirstMasterCell;
    CardsArr& list = List(master);
    if (list.size() >= (master ? kMasterCells : kUserCells)) return false;
    list.push_back(TCard{Pos, Code, std::move(User)});
    CellFlags_[Pos] = 0;
    return true;
}

void TConfPelko::GetCard(bool Master, std::uint16_t Index, TCard& Card) const {
    const CardsArr& list = List(Master);
    if (Index < list.size()) Card = list[Index];
}

void TConfPelko::SetCardCode(bool Master, std::uint16_t Index, const TCode& Code) {
    CardsArr& list = List(Master);
    if (Index < list.size()) list[Index].Code = Code;
}

bool TConfPelko::SetCardUser(bool Master, std::uint16_t Index, const std::string& User) {
    CardsArr& list = List(Master);
    if (Index >= list.size()) return false;
    list[Index].User = User;
    return true;
}

bool TConfPelko::MoveCard(bool Master, std::uint16_t Index, std::uint16_t NewPos) {
    CardsArr& list = List(Master);
    if (Index >= list.size() || !InListRange(Master, NewPos)) return false;
    const std::uint16_t oldPos = list[Index].Pos;
    list[Index].Pos = NewPos;
    if (oldPos != NewPos) ReleaseCell(list, oldPos);
    CellFlags_[NewPos] = 0;
    return true;
}

bool TConfPelko::DeleteCard(bool Master, std::uint16_t Index) {
    CardsArr& list = List(Master);
    if (Index >= list.size()) return false;
    const std::uint16_t pos = list[Index].Pos;
    list.erase(list.begin() + Index);
    ReleaseCell(list, pos);
    return true;
}

std::uint16_t TConfPelko::FindCode(bool Master, const TCode& Code, bool wantPos) const {
    if (IsBlankCode(Code)) return NoCard;
    const CardsArr& list = List(Master);
    for (std::size_t i = 0; i < list.size(); ++i)
        if (SameCode(list[i].Code, Code)) return wantPos ? list[i].Pos : static_cast<std::uint16_t>(i);
    return NoCard;
}

std::uint16_t TConfPelko::FindCodePos(bool Master, const TCode& Code) const {
    return FindCode(Master, Code, true);
}

std::uint16_t TConfPelko::FindCodeIndex(bool Master, const TCode& Code) const {
    return FindCode(Master, Code, false);
}

std::uint16_t TConfPelko::FindPosIndex(std::uint16_t Pos) const {
    if (Pos >= kCellCount || (CellFlags_[Pos] & kCellFree) != 0) return NoCard;
    const CardsArr& list = List(Pos >= kFirstMasterCell);
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i].Pos == Pos) return static_cast<std::uint16_t>(i);
    return NoCard;
}

bool TConfPelko::IsCellFree(std::uint16_t Pos) const {
    return Pos < kCellCount && (CellFlags_[Pos] & kCellFree) != 0;
}

std::uint16_t TConfPelko::CardCount(bool Master) const {
    return static_cast<std::uint16_t>(List(Master).size());
}

bool TConfPelko::SelectCard(bool Master, std::uint16_t Index) {
    std::uint8_t* flags = CardFlags(Master, Index);
    if (flags == nullptr) return false;
    const bool was = (*flags & kCellSelected) != 0;
    *flags |= kCellSelected;
    return was;
}

bool TConfPelko::UnselectCard(bool Master, std::uint16_t Index) {
    std::uint8_t* flags = CardFlags(Master, Index);
    if (flags == nullptr) return false;
    const bool was = (*flags & kCellSelected) != 0;
    *flags &= static_cast<std::uint8_t>(~kCellSelected);
    return was;
}

bool TConfPelko::IsCardSelected(bool Master, std::uint16_t Index) const {
    return CardHasBit(Master, Index, kCellSelected);
}

std::uint16_t TConfPelko::CountSelected(bool Master) const { return CountBit(Master, kCellSelected); }

void TConfPelko::InvertSelection(bool Master) {
    for (const TCard& c : List(Master)) CellFlags_[c.Pos] ^= kCellSelected;
}

void TConfPelko::ClearSelection(bool Master) {
    for (const TCard& c : List(Master)) CellFlags_[c.Pos] &= static_cast<std::uint8_t>(~kCellSelected);
}

void TConfPelko::MarkSelectedForCopy(bool Master) {
    for (const TCard& c : List(Master))
        if (CellFlags_[c.Pos] & kCellSelected) CellFlags_[c.Pos] |= kCellCopyMark;
}

void TConfPelko::ClearCopyMark(bool Master, std::uint16_t Index) {
    if (std::uint8_t* flags = CardFlags(Master, Index)) *flags &= static_cast<std::uint8_t>(~kCellCopyMark);
}

bool TConfPelko::HasCopyMark(bool Master, std::uint16_t Index) const {
    return CardHasBit(Master, Index, kCellCopyMark);
}

std::uint16_t TConfPelko::CountCopyMarks(bool Master) const { return CountBit(Master, kCellCopyMark); }

void TConfPelko::MarkForDelete(bool Master, std::uint16_t Index) {
    if (std::uint8_t* flags = CardFlags(Master, Index)) *flags |= kCellDeleteMark;
}

bool TConfPelko::HasDeleteMark(bool Master, std::uint16_t Index) const {
    return CardHasBit(Master, Index, kCellDeleteMark);
}

void TConfPelko::RemoveMarkedCards(bool Master) {
    std::uint16_t i = 0;
    while (i < CardCount(Master)) {
        if (HasDeleteMark(Master, i))
            DeleteCard(Master, i);
        else
            ++i;
    }
}

}  // namespace pelko
