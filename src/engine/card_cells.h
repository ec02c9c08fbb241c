#pragma once
// A cell as the controller holds it, merged into the model's record.
#include <cstdint>
#include <optional>
#include <string>

#include "model/conf_pelko.h"

namespace pelko {

// The device's cell is the truth; a model card the device does not hold keeps
// its cell with a zero code, so the user sees what has to be written back.
void StoreReadCell(TConfPelko& dev, std::uint16_t cell, const TCode& code);
// The model's cell becomes what the controller holds: free for EmptyCode,
// else a card with that code (a new card gets user). After a write the
// controller did not confirm and whose cell was read back.
void FollowCell(TConfPelko& dev, std::uint16_t cell, const TCode& code, const std::string& user);
// The model's card in a cell, none when the cell is free; and the cell put
// back to such a card (a read whose answer turned out doubtful).
std::optional<TCard> ModelCard(const TConfPelko& dev, std::uint16_t cell);
void RestoreCell(TConfPelko& dev, std::uint16_t cell, const std::optional<TCard>& card);
// What the model holds for a cell: the card's code, or EmptyCode when free.
TCode ModelCellCode(const TConfPelko& dev, std::uint16_t cell);

}  // namespace pelko
