#pragma once
// What the inspector shows for the card under the cursor and for the selected
// device, as the inspector's parameter text. Names and users pass through
// EncodeEntities, so quotes, brackets and ampersands come back unchanged.
#include <optional>
#include <string>
#include <string_view>

#include "model/conf_pelko.h"

namespace pelko {

// The device text's key: "dev" and the device's index.
inline constexpr char kDeviceKeyPrefix[] = "dev";

// The inspector rows the user may edit, known by a field id carried in the
// markup; the labels beside them are display text only.
enum class TInspField { Cell, Code, User, DevName };
inline constexpr TInspField kInspFields[] = {TInspField::Cell, TInspField::Code, TInspField::User,
                                             TInspField::DevName};
const char* InspFieldId(TInspField field);
std::optional<TInspField> InspFieldOf(std::string_view id);

// Cell (a choice of its own cell and the free cells of its list), code and
// user of list row `row`, keyed by that row.
std::string CardMarkup(const TConfPelko& conf, bool master, int row);
// Name (editable), address, connected, opened, parameters read, in group.
std::string DeviceMarkup(const TConfPelko& dev, int index);
// No rows at all.
std::string EmptyMarkup();

}  // namespace pelko
