#pragma once
// TConfPelko: the program's picture of one controller — address, name,
// password, state flags, parameter block and the image of its 1010 card cells.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "model/code.h"
#include "model/dev_config.h"

namespace pelko {

// Cells 0..999 hold user cards, 1000..1009 master cards.
inline constexpr std::uint16_t kUserCells = 1000;
inline constexpr std::uint16_t kFirstMasterCell = 1000;
inline constexpr std::uint16_t kCellCount = 1010;
inline constexpr std::uint16_t kMasterCells = kCellCount - kFirstMasterCell;

// Returned by the searches when nothing matches.
inline constexpr std::uint16_t NoCard = 50001;

// Bits of a cell's flag byte.
inline constexpr std::uint8_t kCellFree = 0x01;
inline constexpr std::uint8_t kCellSelected = 0x02;
inline constexpr std::uint8_t kCellCopyMark = 0x20;
inline constexpr std::uint8_t kCellDeleteMark = 0x40;

struct TCard {
    std::uint16_t Pos = 0;
    TCode Code = ZeroCode;
    std::string User;  // UTF-8
};

// Kept in the order the cards were added, not sorted by Pos.
using CardsArr = std::vector<TCard>;

class TConfPelko {
public:
    TConfPelko();

    TCode Pass = ZeroCode;
    std::uint8_t State = 0;      // TDevFlag bits; bits 4..7 stay 0
    std::string Name;            // UTF-8
    TDevConfig Config{};         // byte 2 = address

    std::uint16_t UserCount() const { return static_cast<std::uint16_t>(UserCards_.size()); }
    std::uint16_t MasterCount() const { return static_cast<std::uint16_t>(MasterCards_.size()); }
    const CardsArr& UserCards() const { return UserCards_; }
    const CardsArr& MasterCards() const { return MasterCards_; }
    // The flag byte of a cell; 0 for a number beyond the last cell.
    std::uint8_t CellFlags(std::uint16_t pos) const;

    // Master selects MasterCards, otherwise UserCards; Index is a list position.
    // AddCard does not test the cell; it refuses a card beyond the last cell or
    // when the list already holds as many cards as it has cells.
    bool AddCard(std::uint16_t Pos, const TCode& Code, std::string User);
    void GetCard(bool Master, std::uint16_t Index, TCard& Card) const;
    void SetCardCode(bool Master, std::uint16_t Index, const TCode& Code);
    bool SetCardUser(bool Master, std::uint16_t Index, const std::string& User);
    bool MoveCard(bool Master, std::uint16_t Index, std::uint16_t NewPos);
    bool DeleteCard(bool Master, std::uint16_t Index);
    std::uint16_t FindCodePos(bool Master, const TCode& Code) const;
    std::uint16_t FindCodeIndex(bool Master, const TCode& Code) const;
    std::uint16_t FindPosIndex(std::uint16_t Pos) const;
    bool IsCellFree(std::uint16_t Pos) const;
    std::uint16_t CardCount(bool Master) const;

    bool SelectCard(bool Master, std::uint16_t Index);
    bool UnselectCard(bool Master, std::uint16_t Index);
    bool IsCardSelected(bool Master, std::uint16_t Index) const;
    std::uint16_t CountSelected(bool Master) const;
    void InvertSelection(bool Master);
    void ClearSelection(bool Master);
    void MarkSelectedForCopy(bool Master);
    void ClearCopyMark(bool Master, std::uint16_t Index);
    bool HasCopyMark(bool Master, std::uint16_t Index) const;
    std::uint16_t CountCopyMarks(bool Master) const;
    void MarkForDelete(bool Master, std::uint16_t Index);
    bool HasDeleteMark(bool Master, std::uint16_t Index) const;
    void RemoveMarkedCards(bool Master);

private:
    CardsArr& List(bool Master) { return Master ? MasterCards_ : UserCards_; }
    const CardsArr& List(bool Master) const { return Master ? MasterCards_ : UserCards_; }
    // Flag byte of the card's cell, or nullptr when Index is out of range.
    std::uint8_t* CardFlags(bool Master, std::uint16_t Index);
    const std::uint8_t* CardFlags(bool Master, std::uint16_t Index) const;
    bool CardHasBit(bool Master, std::uint16_t Index, std::uint8_t bit) const;
    std::uint16_t CountBit(bool Master, std::uint8_t bit) const;
    // Frees the cell unless another card of the list still holds it.
    void ReleaseCell(const CardsArr& list, std::uint16_t pos);
    std::uint16_t FindCode(bool Master, const TCode& Code, bool wantPos) const;

    CardsArr UserCards_;
    CardsArr MasterCards_;
    std::array<std::uint8_t, kCellCount> CellFlags_;
};

}  // namespace pelko
