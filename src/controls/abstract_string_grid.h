#pragma once
// A custom-drawn grid without storage of its own: it knows how many columns
// and rows it has and how wide the columns are; descendants draw the cells.
#include <functional>
#include <vector>

#include "controls/pointer_confine.h"
#include "controls/scrolled_control.h"

namespace pelko {

class TAbstractStringGrid : public TScrolledControl {
public:
    explicit TAbstractStringGrid(QWidget* parent = nullptr);

    int ColCount() const { return ColCount_; }
    void SetColCount(int n);
    int RowCount() const { return RowCount_; }
    void SetRowCount(int n);

    void SetColWidth(int index, int width);
    int GetColWidth(int index) const;

    int RowHeight() const { return RowHeight_; }
    int TopRow() const { return TopRow_; }
    int LeftCol() const { return LeftCol_; }
    int Row() const { return CurRow_; }
    int PressedCol() const { return PressedCol_; }
    int SizingCol() const { return SizingCol_; }
    int HorzMax() const { return HorzMax_; }
    int VertMax() const { return VertMax_; }

    bool WheelSelected() const { return WheelSelected_; }
    void SetWheelSelected(bool on) { WheelSelected_ = on; }

    void GoToRow(int row);

    // Number of whole rows below the header.
    int VisibleRows() const;
    // Data row under a client y, or -1 outside the rows.
    int RowAt(int y) const;
    // Client x of a column's left edge (columns left of LeftCol lie at negative x).
    int ColLeft(int col) const;

    // Owner events. OnChangeRow always runs later, after the input event.
    std::function<void()> OnChangeRow;
    std::function<void()> OnChoiseRow;
    // Called after the grid has handled a key (the row is already moved).
    std::function<void(QKeyEvent*)> OnKeyDown;
    // Called after the grid has handled a button press or a move (client
    // coordinates), e.g. to start dragging rows.
    std::function<void(QMouseEvent*)> OnMouseDown;
    std::function<void(QMouseEvent*)> OnMouseMove;

protected:
    virtual void DrawHeaderCell(QPainter& painter, int col, const QRect& rect) = 0;
    virtual void DrawCell(QPainter& painter, int row, int col, const QRect& rect) = 0;

    // Announces OnChangeRow after the current event; repeated announcements
    // before it runs are delivered once.
    void AnnounceChangeRow();
    void UpdateScrollBars();
    // Column whose right border lies within 4 pixels of x, or -1.
    int BorderColAt(int x) const;

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void ScrollBarMoved(Qt::Orientation orientation, int pos) override;
    void ClientLeave() override;

private:
    void PaintHeader(QPainter& painter);
    void PaintRows(QPainter& painter);
    void PaintRowFrame(QPainter& painter);
    void LeftButtonDown(const QPoint& pos);
    void HeaderButtonDown(int x);
    void MoveRowBy(int delta);
    void MoveRowTo(int row);
    void ScrollToRow(int row);
    int HorzMaxFor(int clientWidth) const;
    int VertMaxFor(int clientHeight) const;

    std::vector<int> ColWidths_{60};
    int ColCount_ = 0;
    int RowCount_ = 0;
    int RowHeight_ = 20;
    int TopRow_ = 0;
    int LeftCol_ = 0;
    int CurRow_ = -1;
    int PressedCol_ = -1;
    int SizingCol_ = -1;
    int HorzMax_ = -1;
    int VertMax_ = -1;
    bool WheelSelected_ = true;
    bool ChangeRowPosted_ = false;
    bool InUpdateBars_ = false;
    int WheelAccum_ = 0;
    TPointerConfine Confine_;
};

}  // namespace pelko
