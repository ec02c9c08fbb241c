#include "model/color_cell.h"

namespace pelko {

void FreeCellList(TColorCellList& list) {
    list.clear();
    list.shrink_to_fit();
}

}  // namespace pelko
