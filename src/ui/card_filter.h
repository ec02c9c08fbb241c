#pragma once
// Which cards of the shown list the card list shows while the find field
// holds text: those whose code holds the text as hexadecimal digits, or whose
// user name holds it (case aside). A card the program itself put the cursor
// on (a card just added) stays shown until the text changes, so an edit never
// lands on a card the user cannot see.
#include <QString>
#include <cstdint>
#include <string>
#include <vector>

#include "model/conf_pelko.h"

namespace pelko {

class TCardFilter {
public:
    // Blank text shows every card.
    void SetText(const QString& text);
    bool Active() const { return !FNeedle.isEmpty(); }
    bool Matches(const TCard& card) const;

    // The cell whose card stays shown whatever it holds (NoCard: none).
    void Keep(std::uint16_t pos) { FKeep = pos; }
    // Takes the list's matching cards as the rows shown.
    void Apply(const TConfPelko& conf, bool master);

    // Rows shown of a list of listCount cards; without text every card is a row.
    int Count(int listCount) const;
    // The list index a row shows, -1 for none.
    int IndexOf(int row, int listCount) const;
    // The row showing a list index, -1 when it is not shown.
    int RowOf(int index, int listCount) const;
    // The row showing index or, when it is not shown, the first row after
    // it, else the last row; -1 when no row is shown.
    int NearRow(int index, int listCount) const;

private:
    QString FText;
    QString FNeedle;          // the text without blanks at its ends
    std::string FCodeNeedle;  // its hexadecimal digits, upper case; empty when it is no code
    std::uint16_t FKeep = NoCard;
    std::vector<std::uint16_t> FRows;  // list indices, ascending
};

}  // namespace pelko
