#pragma once
// The coloured, labelled cells the device grid draws: one per controller.
#include <cstdint>
#include <string>
#include <vector>

namespace pelko {

struct TColorCell {
    std::uint32_t Color = 0;   // 0x00BBGGRR
    std::uint16_t Cursor = 0;  // 0 = default arrow
    std::string Text;          // UTF-8
    std::int32_t Index = 0;    // the controller's index in the group
};

// In cell order; an empty list stands for no cells at all.
using TColorCellList = std::vector<TColorCell>;

void FreeCellList(TColorCellList& list);

}  // namespace pelko
