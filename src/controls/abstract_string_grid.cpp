#include "controls/abstract_string_grid.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <algorithm>

namespace pelko {

namespace {
constexpr int kGridPressInset = 5;  // a header cell is held down only well inside its borders
}  // namespace

TAbstractStringGrid::TAbstractStringGrid(QWidget* parent) : TColumnRowsView(parent, kGridPressInset) {}

void TAbstractStringGrid::SetRowCount(int n) {
    if (n < 0)
        return;
    if (CurRow_ < 0 || CurRow_ >= n || WheelSelected_) {
        CurRow_ = n - 1;
        AnnounceChangeRow();
    }
    SetRows(n);
}

void TAbstractStringGrid::GoToRow(int row) {
    if (row < 0 || row >= RowCount())
        return;
    MoveRowTo(row);
}

void TAbstractStringGrid::MoveRowTo(int row) {
    if (RowCount() <= 0)
        return;
    row = std::clamp(row, 0, RowCount() - 1);
    ScrollToRow(row);
    if (row != CurRow_) {
        CurRow_ = row;
        AnnounceChangeRow();
    }
    viewport()->update();
}

void TAbstractStringGrid::AnnounceChangeRow() {
    if (ChangeRowPosted_)
        return;
    ChangeRowPosted_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            ChangeRowPosted_ = false;
            if (OnChangeRow)
                OnChangeRow();
        },
        Qt::QueuedConnection);
}

void TAbstractStringGrid::LeftButtonDown(const QPoint& pos) {
    setFocus(Qt::MouseFocusReason);
    if (pos.y() > 0 && pos.y() < RowHeight()) {
        HeaderButtonDown(pos.x());
        return;
    }
    if (pos.x() < 1 || pos.x() >= ClientWidth())
        return;
    const int row = RowAt(pos.y());
    if (row < 0)
        return;
    const bool again = row == CurRow_;
    MoveRowTo(row);
    if (again)
        AnnounceChangeRow();
}

void TAbstractStringGrid::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        LeftButtonDown(event->position().toPoint());
    event->accept();
    if (OnMouseDown)
        OnMouseDown(event);
}

void TAbstractStringGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint pos = event->position().toPoint();
    LeftButtonDown(pos);
    if (RowAt(pos.y()) >= 0 && pos.x() >= 1 && pos.x() < ClientWidth() && OnChoiseRow)
        OnChoiseRow();
}

void TAbstractStringGrid::mouseMoveEvent(QMouseEvent* event) {
    TColumnRowsView::mouseMoveEvent(event);
    if (OnMouseMove)
        OnMouseMove(event);
}

void TAbstractStringGrid::wheelEvent(QWheelEvent* event) {
    event->accept();
    for (int notches = WheelNotches(event); notches != 0 && RowCount() > 0;) {
        const int step = notches > 0 ? 1 : -1;
        notches -= step;
        MoveRowTo(CurRow_ < 0 ? 0 : CurRow_ - step);  // away from the user moves up
    }
}

void TAbstractStringGrid::keyPressEvent(QKeyEvent* event) {
    bool handled = true;
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (OnChoiseRow)
            OnChoiseRow();
    } else if (const std::optional<int> target = KeyTargetRow(event->key())) {
        if (CurRow_ >= 0)
            MoveRowTo(*target);
    } else {
        handled = false;
    }
    if (OnKeyDown)
        OnKeyDown(event);
    event->setAccepted(handled);
}

}  // namespace pelko
