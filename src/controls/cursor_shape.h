#pragma once
// The cursor identifiers a cell may carry (0 = the default arrow; the others
// are the customary negative numbers, held in 16 bits) as Qt cursor shapes.
#include <Qt>
#include <cstdint>

namespace pelko {

Qt::CursorShape CursorShape(std::uint16_t id);

}  // namespace pelko
