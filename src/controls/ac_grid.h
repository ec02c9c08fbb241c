#pragma once
// The device cell grid: coloured, labelled cells wrapping to the width, an
// optional bold title row, hover and click events, and a height that follows
// the content (and the height of a panel around it).
#include <QString>
#include <functional>
#include <vector>

#include "controls/ac_grid_layout.h"
#include "controls/scrolled_control.h"
#include "model/color_cell.h"

namespace pelko {

using PColorCell = const TColorCell*;
enum class TCellButton { mbLeft, mbRight };

// What a cell shows besides its colour, and says to assistive technology:
// a thick inner frame, a flag in its top right corner, whether it is the
// owner's selected one, and its state in words.
struct TCellLook {
    bool Framed = false;
    bool Flagged = false;
    bool Selected = false;
    QString State;
    bool Unread = false;  // the label in italics
};

using TCellFocus = std::function<void(PColorCell SelectedCell)>;
using TCellClick = std::function<void(PColorCell SelectedCell, TCellButton MouseButton)>;

class TACGrid : public TScrolledControl {
public:
    explicit TACGrid(QWidget* parent = nullptr);

    // The list stays the owner's and must live until the next SetCells;
    // nullptr shows no cells.
    void SetCells(const TColorCellList* cells);
    PColorCell CellAt(int x, int y) const;

    int MinCellWidth() const { return MinCellWidth_; }
    void SetMinCellWidth(int width);
    int CellHeight() const { return CellHeight_; }
    void SetCellHeight(int height);
    int FontSize() const { return FontSize_; }
    void SetFontSize(int size);
    const QString& Caption() const { return Caption_; }
    void SetCaption(const QString& caption);
    int BorderWidth() const { return BorderWidth_; }
    void SetBorderWidth(int width);
    // Height constraints (0 = none); the grid sizes itself within them.
    void SetMinHeightConstraint(int height);
    void SetMaxHeightConstraint(int height);

    int CellWidth() const { return CellWidth_; }
    int CellCount() const { return static_cast<int>(Cells_.size()); }
    // The cell at a list position, nullptr out of range.
    PColorCell Cell(int index) const { return index >= 0 && index < CellCount() ? Cells_[index] : nullptr; }
    int FirstRow() const { return FirstCell_ / Columns().Count; }
    int FirstCell() const { return FirstCell_; }
    int ScrollMaximum() const { return ScrollMax_; }
    PColorCell HoveredCell() const { return Hovered_ >= 0 ? Cells_[Hovered_] : nullptr; }
    TCellLook LookOf(int index) const;
    TCellColumns Columns() const { return LayoutColumns(ClientWidth(), CellWidth_); }

    // Lays the grid out for its current width: height, scroll bar, first row.
    void Relayout();

    // The cell the keyboard works on (-1 for none): arrows, Home and End move
    // it, Enter and Space click it; it carries the style's focus mark while
    // the grid has the focus.
    int CurrentCell() const { return Current_; }
    void SetCurrentCell(int index);

    TCellFocus OnMouseCell;
    std::function<TCellLook(PColorCell)> OnCellLook;
    TCellClick OnCellClick;
    // Drag and drop onto the grid; positions are client coordinates.
    std::function<bool(QDragMoveEvent*)> OnDragOver;
    std::function<void(QDropEvent*)> OnDragDrop;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void ScrollBarMoved(Qt::Orientation orientation, int pos) override;
    void ClientLeave() override;

private:
    QFont CellFont() const;
    int TitleHeight() const { return Caption_.isEmpty() ? 0 : CellHeight_; }
    int RowTop(int k) const { return TitleHeight() + 1 + k * CellHeight_; }
    void MeasureCells();
    void PaintTitle(QPainter& painter);
    void PaintCell(QPainter& painter, int index, const TCellColumns& columns);
    void PaintMarks(QPainter& painter, const QRect& inner, const QColor& ink, const TCellLook& look, bool focused);
    // The cell a movement key leads to, or -1 for another key.
    int KeyTarget(int key) const;
    void ScrollToCell(int index);
    void StartCurrent();
    QRect CellRect(int index, const TCellColumns& columns) const;
    void UpdateCell(int index);
    int IndexAt(int x, int y) const;
    void HoverAt(const QPoint& pos);
    void ResizePanel(int height);

    std::vector<PColorCell> Cells_;
    int WidestLabel_ = 0;
    int MinCellWidth_ = 40;
    int CellHeight_ = 20;
    int FontSize_ = 8;
    int CellWidth_ = 40;
    int BorderWidth_ = 0;
    int MinHeight_ = 0;
    int MaxHeight_ = 0;
    QString Caption_;
    int FirstCell_ = 0;
    int ScrollMax_ = 0;
    int Hovered_ = -1;
    int Current_ = -1;
    bool InRelayout_ = false;
};

}  // namespace pelko
