#pragma once
// One edit of a controller's card lists as a value. The model-only form of
// every card edit, the window's undo and a spreadsheet import apply it
// through ApplyCardEdit; the written form (op_card_edits.h) sends the same
// edit to the controller and lets the model follow what it confirms.
#include <cstdint>
#include <string>
#include <vector>

#include "model/conf_pelko.h"
#include "model/group_dev.h"

namespace pelko {

enum class TCardEditKind : std::uint8_t {
    Add,          // a new card with the zero code in Cell
    Erase,        // the card of Row
    EraseMarked,  // the marked cards of the list
    Move,         // the card of Row into Cell, of the same list or the other
    ChangeCode,   // the card of Row takes Code
    Rename,       // the card of Row takes User (the program's alone)
    Copy,         // a card (Code, User) into the target's Cell
    CopyMarked,   // Cards into the target's lowest free cells, in order
    ReplaceList,  // both lists become Cards
};

struct TCardEdit {
    TCardEditKind Kind = TCardEditKind::Add;
    bool Master = false;          // the list edited; of the source for a copy
    int Row = -1;                 // the card's index in that list
    std::uint16_t Cell = NoCard;  // Add, Move, Copy: the cell the card goes to
    TCode Code = ZeroCode;        // ChangeCode, Copy
    std::string User;             // Rename, Copy
    DevIndex Target = NoDevice;   // Copy, CopyMarked: the device the cards go into
    std::vector<TCard> Cards;     // CopyMarked, ReplaceList

    static TCardEdit Add(bool master, std::uint16_t cell);
    static TCardEdit Erase(bool master, int row);
    static TCardEdit EraseMarked(bool master);
    static TCardEdit Move(bool master, int row, std::uint16_t cell);
    static TCardEdit ChangeCode(bool master, int row, const TCode& code);
    static TCardEdit Rename(bool master, int row, const std::string& user);
    static TCardEdit Copy(DevIndex target, bool master, const TCard& card, std::uint16_t cell);
    static TCardEdit CopyMarked(DevIndex target, bool master, std::vector<TCard> cards);
    static TCardEdit ReplaceList(std::vector<TCard> cards);
};

// Applies the edit to dev (the target's model for a copy) and returns the
// row the list should show afterwards, -1 to leave it (or when nothing
// changed).
int ApplyCardEdit(TConfPelko& dev, const TCardEdit& edit);

// What of the window an applied edit changes (engine_observer.h's ch* bits).
unsigned CardEditChanges(const TCardEdit& edit);

}  // namespace pelko
