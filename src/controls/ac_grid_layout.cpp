#include "controls/ac_grid_layout.h"

#include <algorithm>

namespace pelko {

int TCellColumns::Left(int j) const {
    return j * Width + std::min(j, Spare);
}

int TCellColumns::At(int x) const {
    if (x < 1)
        return -1;
    for (int j = 0; j < Count; ++j) {
        const int left = Left(j);
        if (x > left && x <= left + WidthOf(j))
            return j;
    }
    return -1;
}

TCellColumns LayoutColumns(int clientWidth, int cellWidth) {
    TCellColumns c;
    c.Count = std::max(1, (clientWidth - 1) / std::max(1, cellWidth));
    c.Width = std::max(0, (clientWidth - 1) / c.Count);
    c.Spare = std::max(0, clientWidth - c.Count * c.Width - 1);
    return c;
}

int CellRows(int count, int columns) {
    return (count + columns - 1) / columns;
}

TGridHeight LayoutHeight(const THeightInput& in) {
    const int b = in.BorderWidth;
    const int columns = std::max(1, (in.Width - 2 * b - 1) / std::max(1, in.CellWidth));
    const int rows = CellRows(in.CellCount, columns) + (in.Title ? 1 : 0);
    TGridHeight out;
    // The border adds to the height, so that a grid whose rows fit is not scrolled.
    out.Height = rows * in.CellHeight + 1 + 2 * b;
    if (in.MaxHeight > 0 && in.MaxHeight < rows * in.CellHeight)
        out.Height = in.MaxHeight;
    if (in.MinHeight > 0 && in.MinHeight > out.Height)
        out.Height = in.MinHeight;
    out.Scrolled = out.Height - 2 * b - 1 < rows * in.CellHeight;
    return out;
}

int ScrollMax(int cellRows, bool title, int clientHeight, int cellHeight) {
    const int rows = cellRows + (title ? 1 : 0);
    return std::max(0, rows - (clientHeight - 1) / cellHeight);
}

}  // namespace pelko
