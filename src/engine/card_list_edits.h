#pragma once
// The card list edits as they change the model alone (AutoWriteKey off), and
// the cell choices that the written forms share with them. Copying cards from
// the shown list of one device into another, as a drop on the device grid
// does: cards the target already holds only pass their user names on; the
// rest need free cells of the same kind in the target.
#include <cstdint>

#include "model/conf_pelko.h"

namespace pelko {

enum class TCopyOutcome {
    Nothing,  // no card to copy, or the target already held them all
    NoRoom,   // too few free cells: nothing was copied
    Copy,     // cards are to be written
};

struct TCopyPlan {
    TCopyOutcome Outcome = TCopyOutcome::Nothing;
    bool Marked = false;            // the cards with copy marks, else the card of the row
    std::uint16_t Cell = NoCard;    // the first target cell
};

// The lowest free cell of the master or user cells; NoCard when that list
// is full.
std::uint16_t LowestFreeCell(const TConfPelko& dev, bool master);
// The first free cell from `from` on within the master or user cells.
std::uint16_t FreeCellFrom(const TConfPelko& dev, std::uint16_t from, bool master);

// Model-only edits of the shown list (master or user); each returns the row
// the list should show afterwards, or -1 when nothing changed.
int AddCardInModel(TConfPelko& dev, bool master);
int DeleteCardInModel(TConfPelko& dev, bool master, int row);
int DeleteMarkedInModel(TConfPelko& dev, bool master);
// The card of the row goes to the lowest free cell of the other list.
int SwitchListInModel(TConfPelko& dev, bool master, int row);

// Copies the user names of cards the target holds already (clearing their
// copy marks) and says what remains to be done. Copy marks must be set first.
TCopyPlan PrepareCardCopy(TConfPelko& source, TConfPelko& target, bool master, int row);
// The copy without the controller: every card with a copy mark goes into the
// target's lowest free cells, in list order, and loses its mark.
void CopyMarkedCards(TConfPelko& source, TConfPelko& target, bool master);

}  // namespace pelko
