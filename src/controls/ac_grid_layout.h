#pragma once
// Arithmetic of the device cell grid: how cells wrap into columns and how
// high the grid makes itself. Shared by painting, hover and hit testing.

namespace pelko {

struct TCellColumns {
    int Count = 1;   // columns
    int Width = 0;   // drawn cell width
    int Spare = 0;   // leftmost columns one pixel wider

    // Left edge (the shared border line) of column j; column 0's is 0.
    int Left(int j) const;
    // Width of column j including its right border line.
    int WidthOf(int j) const { return j < Spare ? Width + 1 : Width; }
    // Column whose cell contains client x, or -1.
    int At(int x) const;
};

TCellColumns LayoutColumns(int clientWidth, int cellWidth);

// Cell rows (not counting the title) needed for count cells in columns.
int CellRows(int count, int columns);

struct TGridHeight {
    int Height = 0;       // the grid's own height
    bool Scrolled = false; // not everything fits: a scroll bar is needed
};

struct THeightInput {
    int Width = 0;          // the grid's outer width
    int BorderWidth = 0;
    int CellWidth = 40;
    int CellHeight = 20;
    int CellCount = 0;
    bool Title = false;
    int MinHeight = 0;      // 0 = no constraint
    int MaxHeight = 0;      // 0 = no constraint
};

TGridHeight LayoutHeight(const THeightInput& in);

// Highest first row, in cell rows, for a client area clientHeight high.
int ScrollMax(int cellRows, bool title, int clientHeight, int cellHeight);

}  // namespace pelko
