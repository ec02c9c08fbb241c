#include "controls/ac_grid.h"

#include <QCursor>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMouseEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPen>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <algorithm>
#include <utility>

#include "controls/cursor_shape.h"
#include "controls/text_out.h"
#include "controls/win_color.h"

namespace pelko {

namespace {
constexpr int kMinCellWidth = 40;
constexpr int kMinCellHeight = 20;
constexpr int kLabelPadding = 10;  // cell width over the widest label
constexpr int kLabelX = 5;
constexpr int kFlagSize = 7;  // legs of the corner flag
constexpr int kFrameWidth = 2;  // the thick inner frame
}  // namespace

TACGrid::TACGrid(QWidget* parent) : TScrolledControl(parent) {
    SetBorderStyle(TBorderStyle::bsNone);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    MeasureCells();
    Relayout();
}

QFont TACGrid::CellFont() const {
    QFont f = font();
    f.setPointSize(FontSize_);
    return f;
}

void TACGrid::MeasureCells() {
    const QFontMetrics metrics(CellFont());
    WidestLabel_ = 0;
    for (PColorCell cell : Cells_)
        WidestLabel_ = std::max(WidestLabel_, metrics.horizontalAdvance(QString::fromStdString(cell->Text)));
    CellWidth_ = std::max(MinCellWidth_, WidestLabel_ + kLabelPadding);
}

void TACGrid::SetCells(const TColorCellList* cells) {
    Cells_.clear();
    if (cells) {
        Cells_.reserve(cells->size());
        for (const TColorCell& cell : *cells)
            Cells_.push_back(&cell);
    }
    Hovered_ = -1;
    Current_ = std::min(Current_, CellCount() - 1);
    MeasureCells();
    Relayout();
    StartCurrent();
    viewport()->update();
    if (viewport()->underMouse())
        HoverAt(viewport()->mapFromGlobal(QCursor::pos()));
}

void TACGrid::SetMinCellWidth(int width) {
    MinCellWidth_ = std::max(kMinCellWidth, width);
    MeasureCells();
    Relayout();
    viewport()->update();
}

void TACGrid::SetCellHeight(int height) {
    CellHeight_ = std::max(kMinCellHeight, height);
    Relayout();
    viewport()->update();
}

void TACGrid::SetFontSize(int size) {
    FontSize_ = size;
    MeasureCells();
    Relayout();
    viewport()->update();
}

void TACGrid::SetCaption(const QString& caption) {
    const bool shownBefore = !Caption_.isEmpty();
    Caption_ = caption;
    if (shownBefore != !Caption_.isEmpty()) {
        Relayout();
        viewport()->update();
    } else {
        viewport()->update(QRect(0, 0, ClientWidth(), CellHeight_ + 1));
    }
}

void TACGrid::SetBorderWidth(int width) {
    BorderWidth_ = std::max(0, width);
    setViewportMargins(BorderWidth_, BorderWidth_, BorderWidth_, BorderWidth_);
    Relayout();
}

void TACGrid::SetMinHeightConstraint(int height) {
    MinHeight_ = std::max(0, height);
    Relayout();
}

void TACGrid::SetMaxHeightConstraint(int height) {
    MaxHeight_ = std::max(0, height);
    Relayout();
}

void TACGrid::Relayout() {
    if (InRelayout_)
        return;
    InRelayout_ = true;
    const bool title = !Caption_.isEmpty();
    const TGridHeight layout = LayoutHeight({width(), BorderWidth_, CellWidth_, CellHeight_, CellCount(), title,
                                             MinHeight_, MaxHeight_});
    ShowBar(Qt::Vertical, layout.Scrolled);
    if (height() != layout.Height || minimumHeight() != layout.Height || maximumHeight() != layout.Height) {
        setFixedHeight(layout.Height);
        ResizePanel(layout.Height);
    }
    ForceLayout();
    const TCellColumns columns = Columns();
    const int clientHeight = layout.Height - 2 * BorderWidth_;
    ScrollMax_ = ScrollMax(CellRows(CellCount(), columns.Count), title, clientHeight, CellHeight_);
    // Never leave empty rows below the last cell once they could be filled.
    const int row = std::min(FirstCell_ / columns.Count, ScrollMax_);
    FirstCell_ = row * columns.Count;
    SetBar(Qt::Vertical, ScrollMax_, row, 1);
    InRelayout_ = false;
}

void TACGrid::ResizePanel(int height) {
    auto* panel = qobject_cast<QFrame*>(parentWidget());
    if (panel && !panel->layout())
        panel->resize(panel->width(), height + 2 * panel->frameWidth());
}

void TACGrid::resizeEvent(QResizeEvent*) {
    Relayout();
}

void TACGrid::ScrollBarMoved(Qt::Orientation orientation, int pos) {
    if (orientation != Qt::Vertical)
        return;
    FirstCell_ = std::clamp(pos, 0, ScrollMax_) * Columns().Count;
    viewport()->update();
}

QRect TACGrid::CellRect(int index, const TCellColumns& columns) const {
    const int rel = index - FirstCell_;
    const int k = rel / columns.Count, j = rel % columns.Count;
    const int left = columns.Left(j);
    // Includes the border lines around the cell.
    return QRect(left, RowTop(k) - 1, columns.WidthOf(j) + 1, CellHeight_ + 1);
}

void TACGrid::UpdateCell(int index) {
    if (index >= FirstCell_)
        viewport()->update(CellRect(index, Columns()));
}

void TACGrid::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    const QColor parentBack = parentWidget() ? parentWidget()->palette().color(parentWidget()->backgroundRole())
                                             : palette().color(QPalette::Window);
    const QSize client = ClientSize();
    if (!Caption_.isEmpty())
        PaintTitle(painter);
    const TCellColumns columns = Columns();
    int index = FirstCell_, k = 0;
    for (; index < CellCount() && RowTop(k) < client.height(); ++k)
        for (int j = 0; j < columns.Count && index < CellCount(); ++j, ++index)
            PaintCell(painter, index, columns);
    // The rest of the last row and everything below it.
    const int painted = index - FirstCell_;
    int restTop = Caption_.isEmpty() ? 0 : CellHeight_ + 1;
    if (painted > 0) {
        const int lastRow = (painted - 1) / columns.Count, inRow = (painted - 1) % columns.Count + 1;
        restTop = RowTop(lastRow + 1);
        if (inRow < columns.Count) {
            // Also the top line's row above the missing cells, unless the title's line is there.
            const int x = columns.Left(inRow) + 1;
            const int y = RowTop(lastRow) - (lastRow == 0 && Caption_.isEmpty() ? 1 : 0);
            painter.fillRect(QRect(x, y, client.width() - x, restTop - y), parentBack);
        }
    }
    if (restTop < client.height())
        painter.fillRect(QRect(0, restTop, client.width(), client.height() - restTop), parentBack);
}

void TACGrid::PaintTitle(QPainter& painter) {
    const int width = ClientWidth();
    painter.fillRect(QRect(0, 0, width, CellHeight_), SystemColors(palette()).ButtonFace);
    QFont f = CellFont();
    f.setBold(true);
    painter.setFont(f);
    painter.setPen(Qt::black);
    const int x = (width - painter.fontMetrics().horizontalAdvance(Caption_)) / 2;
    TextOut(painter, x, (FontHeightValue(f) + CellHeight_) / 2 - 2, Caption_);
    painter.drawLine(0, CellHeight_, width - 1, CellHeight_);
}

void TACGrid::PaintCell(QPainter& painter, int index, const TCellColumns& columns) {
    const PColorCell cell = Cells_[index];
    const int rel = index - FirstCell_;
    const int k = rel / columns.Count, j = rel % columns.Count;
    const int left = columns.Left(j), right = left + columns.WidthOf(j);
    const int top = RowTop(k), bottom = top + CellHeight_ - 1;
    const QRect inner(QPoint(left + 1, top), QPoint(right - 1, bottom - 1));
    const QColor back = FromWinColor(cell->Color);
    painter.fillRect(inner, back);
    painter.setPen(Qt::black);
    if (k == 0)
        painter.drawLine(left, top - 1, right, top - 1);
    if (j == 0)
        painter.drawLine(left, top - 1, left, bottom);
    painter.drawLine(left, bottom, right, bottom);
    painter.drawLine(right, top - 1, right, bottom);
    // Black, unless white reads better on this colour (dark blue).
    const QColor ink = ContrastRatio(back, Qt::white) > ContrastRatio(back, Qt::black) ? Qt::white : Qt::black;
    const TCellLook look = LookOf(index);
    PaintMarks(painter, inner, ink, look, index == Current_ && hasFocus());
    QFont f = CellFont();
    f.setUnderline(index == Hovered_);
    f.setItalic(look.Unread);
    painter.save();
    painter.setClipRect(inner);
    painter.setFont(f);
    painter.setPen(ink);
    TextOut(painter, left + kLabelX, top + (FontHeightValue(f) + CellHeight_) / 2 - 2,
            QString::fromStdString(cell->Text));
    painter.restore();
}

TCellLook TACGrid::LookOf(int index) const {
    return OnCellLook && index >= 0 && index < CellCount() ? OnCellLook(Cells_[index]) : TCellLook{};
}

// Marks that survive grey scale and colour blindness: the frame and the flag
// are drawn in the label's colour, so they stand out on any background.
void TACGrid::PaintMarks(QPainter& painter, const QRect& inner, const QColor& ink, const TCellLook& look,
                         bool focused) {
    painter.save();
    if (look.Framed) {
        painter.setPen(ink);
        painter.setBrush(Qt::NoBrush);
        for (int k = 0; k < kFrameWidth; ++k)
            painter.drawRect(inner.adjusted(k, k, -k - 1, -k - 1));
    }
    if (look.Flagged) {
        const QPoint corner = inner.topRight();
        const QPoint flag[] = {corner, corner - QPoint(kFlagSize, 0), corner + QPoint(0, kFlagSize)};
        painter.setPen(Qt::NoPen);
        painter.setBrush(ink);
        painter.drawPolygon(flag, 3);
    }
    if (focused) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.state |= QStyle::State_KeyboardFocusChange | QStyle::State_HasFocus;
        const int in = kFrameWidth + 1;
        option.rect = inner.adjusted(in, in, -in, -in);
        option.backgroundColor = ink == Qt::white ? Qt::black : Qt::white;
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
        // Some styles draw it faintly, in the highlight colour: a dotted line
        // in the label's colour keeps it visible on every cell colour.
        painter.setPen(QPen(ink, 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(option.rect.adjusted(0, 0, -1, -1));
    }
    painter.restore();
}

int TACGrid::IndexAt(int x, int y) const {
    const TCellColumns columns = Columns();
    const int j = columns.At(x);
    if (j < 0 || y < RowTop(0) || y >= ClientHeight())
        return -1;
    const int k = (y - RowTop(0)) / CellHeight_;
    const int index = FirstCell_ + k * columns.Count + j;
    return index < CellCount() ? index : -1;
}

PColorCell TACGrid::CellAt(int x, int y) const {
    const int index = IndexAt(x, y);
    return index >= 0 ? Cells_[index] : nullptr;
}

void TACGrid::HoverAt(const QPoint& pos) {
    const int index = IndexAt(pos.x(), pos.y());
    if (index == Hovered_)
        return;
    const int old = Hovered_;
    Hovered_ = index;
    if (old >= 0)
        UpdateCell(old);
    if (index >= 0) {
        UpdateCell(index);
        viewport()->setCursor(CursorShape(Cells_[index]->Cursor));
    } else {
        viewport()->unsetCursor();
    }
    // The handler may hand over a new list; nothing of the old is used after it.
    if (OnMouseCell)
        OnMouseCell(index >= 0 ? Cells_[index] : nullptr);
}

void TACGrid::mouseMoveEvent(QMouseEvent* event) {
    HoverAt(event->position().toPoint());
}

void TACGrid::mousePressEvent(QMouseEvent* event) {
    HoverAt(event->position().toPoint());
    if (Hovered_ < 0)
        return;
    SetCurrentCell(Hovered_);
    if (!OnCellClick)
        return;
    if (event->button() == Qt::LeftButton)
        OnCellClick(Cells_[Hovered_], TCellButton::mbLeft);
    else if (event->button() == Qt::RightButton)
        OnCellClick(Cells_[Hovered_], TCellButton::mbRight);
}

void TACGrid::SetCurrentCell(int index) {
    if (index < -1 || index >= CellCount())
        return;
    const int old = std::exchange(Current_, index);
    if (old >= 0)
        UpdateCell(old);
    if (index >= 0) {
        ScrollToCell(index);
        UpdateCell(index);
    }
}

void TACGrid::ScrollToCell(int index) {
    const int columns = Columns().Count;
    const int row = index / columns;
    const int shown = std::max(1, (ClientHeight() - TitleHeight() - 1) / CellHeight_);
    int first = FirstCell_ / columns;
    if (row < first)
        first = row;
    else if (row >= first + shown)
        first = row - shown + 1;
    first = std::clamp(first, 0, ScrollMax_);
    if (first * columns == FirstCell_)
        return;
    FirstCell_ = first * columns;
    SetBar(Qt::Vertical, ScrollMax_, first, 1);
    viewport()->update();
}

int TACGrid::KeyTarget(int key) const {
    const int last = CellCount() - 1;
    const int columns = Columns().Count;
    switch (key) {
    case Qt::Key_Left: return std::max(0, Current_ - 1);
    case Qt::Key_Right: return std::min(last, Current_ + 1);
    case Qt::Key_Up: return Current_ >= columns ? Current_ - columns : Current_;
    // Into the short last row: its last cell.
    case Qt::Key_Down: return Current_ / columns < last / columns ? std::min(last, Current_ + columns) : Current_;
    case Qt::Key_Home: return 0;
    case Qt::Key_End: return last;
    default: return -1;
    }
}

void TACGrid::keyPressEvent(QKeyEvent* event) {
    if (CellCount() == 0 || (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        TScrolledControl::keyPressEvent(event);
        return;
    }
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
        if (Current_ < 0)
            SetCurrentCell(0);
        // The handler may hand over a new list; the cell is not used after it.
        if (OnCellClick)
            OnCellClick(Cells_[Current_], TCellButton::mbLeft);
        event->accept();
        return;
    }
    if (const int target = KeyTarget(key); target >= 0) {
        SetCurrentCell(Current_ < 0 ? 0 : target);
        event->accept();
        return;
    }
    TScrolledControl::keyPressEvent(event);
}

// With the focus, the keyboard starts on the owner's selected cell, or on the first one.
void TACGrid::StartCurrent() {
    if (Current_ >= 0 || CellCount() == 0 || !hasFocus())
        return;
    int start = 0;
    for (int i = 0; i < CellCount(); ++i)
        if (LookOf(i).Selected)
            start = i;
    SetCurrentCell(start);
}

void TACGrid::focusInEvent(QFocusEvent* event) {
    TScrolledControl::focusInEvent(event);
    StartCurrent();
    if (Current_ >= 0)
        UpdateCell(Current_);
}

void TACGrid::focusOutEvent(QFocusEvent* event) {
    TScrolledControl::focusOutEvent(event);
    if (Current_ >= 0)
        UpdateCell(Current_);
}

void TACGrid::ClientLeave() {
    if (Hovered_ < 0)
        return;
    const int old = Hovered_;
    Hovered_ = -1;
    UpdateCell(old);
    viewport()->unsetCursor();
    if (OnMouseCell)
        OnMouseCell(nullptr);
}

void TACGrid::dragEnterEvent(QDragEnterEvent* event) {
    dragMoveEvent(event);
}

void TACGrid::dragMoveEvent(QDragMoveEvent* event) {
    if (OnDragOver && OnDragOver(event))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TACGrid::dropEvent(QDropEvent* event) {
    if (OnDragDrop) {
        OnDragDrop(event);
        event->acceptProposedAction();
    }
}

}  // namespace pelko
