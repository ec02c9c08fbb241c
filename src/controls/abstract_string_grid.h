#pragma once
// A custom-drawn grid without storage of its own: it knows how many columns
// and rows it has and how wide the columns are; descendants draw the cells.
#include <functional>

#include "controls/column_rows_view.h"

namespace pelko {

class TAbstractStringGrid : public TColumnRowsView {
public:
    explicit TAbstractStringGrid(QWidget* parent = nullptr);

    // n <= 0 is ignored.
    void SetColCount(int n) { SetColumns(n); }
    void SetRowCount(int n);

    int Row() const { return CurRow_; }

    bool WheelSelected() const { return WheelSelected_; }
    void SetWheelSelected(bool on) { WheelSelected_ = on; }

    void GoToRow(int row);

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
    // Announces OnChangeRow after the current event; repeated announcements
    // before it runs are delivered once.
    void AnnounceChangeRow();

    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void LeftButtonDown(const QPoint& pos);
    void MoveRowTo(int row);

    bool WheelSelected_ = true;
    bool ChangeRowPosted_ = false;
};

}  // namespace pelko
