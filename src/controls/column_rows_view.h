#pragma once
// What the card grid and the inspector have in common: rows of one height
// under a header of columns whose right borders the user drags, both scroll
// bars, and a one-pixel frame around the current row. Descendants draw the
// header captions and the cells and decide what moving the row means.
#include <optional>
#include <vector>

#include "controls/pointer_confine.h"
#include "controls/scrolled_control.h"

class QWheelEvent;

namespace pelko {

class TColumnRowsView : public TScrolledControl {
public:
    int ColCount() const { return ColCount_; }
    // Stores the width when 0 <= index < ColCount, repaints.
    void SetColWidth(int index, int width);
    // The width, 0 when out of range.
    int GetColWidth(int index) const;

    int RowCount() const { return RowCount_; }
    int RowHeight() const { return RowHeight_; }
    int TopRow() const { return TopRow_; }
    int LeftCol() const { return LeftCol_; }
    int PressedCol() const { return PressedCol_; }
    int SizingCol() const { return SizingCol_; }
    int HorzMax() const { return HorzMax_; }
    int VertMax() const { return VertMax_; }

    // Number of whole rows below the header.
    int VisibleRows() const;
    // Data row under a client y, or -1 outside the rows.
    int RowAt(int y) const;
    // Client x of a column's left edge (columns left of LeftCol lie at negative x).
    int ColLeft(int col) const;

protected:
    // A header click at least pressInset pixels right of a column's left
    // edge (and off its right border) holds the column down.
    TColumnRowsView(QWidget* parent, int pressInset);

    virtual void DrawHeaderCell(QPainter& painter, int col, const QRect& rect) = 0;
    // rect is the cell clipped to the client area.
    virtual void DrawCell(QPainter& painter, int row, int col, const QRect& rect) = 0;

    // n > 0 columns: existing ones keep their widths, added ones get 60.
    void SetColumns(int n);
    // The top row is pulled up to n, then the view is laid out again.
    void SetRows(int n);
    void UpdateScrollBars();
    // Scrolls just enough for the row to be wholly visible.
    void ScrollToRow(int row);
    // Column whose right border lies within 4 pixels of x, or -1.
    int BorderColAt(int x) const;
    // Right edge of the last column shown.
    int ColumnsRight() const;

    // Left button down in the header: starts sizing at a border (the
    // pointer confined to the band it may move in) or holds a column down.
    void HeaderButtonDown(int x);
    // The row a movement key leads to from the current row (not limited);
    // nothing for other keys.
    std::optional<int> KeyTargetRow(int key) const;
    // Whole wheel notches, positive away from the user.
    int WheelNotches(const QWheelEvent* event);

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void ScrollBarMoved(Qt::Orientation orientation, int pos) override;
    void ClientLeave() override;

    int CurRow_ = -1;
    int TopRow_ = 0;

private:
    void PaintHeader(QPainter& painter);
    void PaintRows(QPainter& painter);
    void PaintRowFrame(QPainter& painter);
    int HorzMaxFor(int clientWidth) const;
    int VertMaxFor(int clientHeight) const;

    const int PressInset_;
    std::vector<int> ColWidths_;
    int ColCount_ = 0;
    int RowCount_ = 0;
    int RowHeight_ = 20;
    int LeftCol_ = 0;
    int PressedCol_ = -1;
    int SizingCol_ = -1;
    int HorzMax_ = -1;
    int VertMax_ = -1;
    bool InUpdateBars_ = false;
    int WheelAccum_ = 0;
    TPointerConfine Confine_;
};

}  // namespace pelko
