#include "controls/a_property_list.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>

#include "controls/editor_hook.h"
#include "controls/text_out.h"
#include "controls/win_color.h"

namespace pelko {

namespace {
constexpr int kTextX = 4;
constexpr int kInspectorPressInset = 0;  // anywhere off a border holds a header cell down
constexpr int kColWidth = 120;
}  // namespace

TAInspector::TAInspector(QWidget* parent) : TColumnRowsView(parent, kInspectorPressInset) {
    SetColumns(2);
    SetColWidth(0, kColWidth);
    SetColWidth(1, kColWidth);
    for (QScrollBar* bar : {horizontalScrollBar(), verticalScrollBar()})
        connect(bar, &QScrollBar::actionTriggered, this, [this](int) {
            TakeFocus();
            PostOpenEditor(0, false);
        });
}

TAInspector::~TAInspector() {
    if (Hook_) {
        Hook_->Closed = true;
        delete Hook_->Editor();
    }
}

QWidget* TAInspector::Editor() const {
    return Hook_ ? Hook_->Editor() : nullptr;
}

QString TAInspector::Value(int row) const {
    return row >= 0 && row < static_cast<int>(Values_.size()) ? Values_[row] : QString();
}

QString TAInspector::RowId(int row) {
    const std::string field = Markup_.Attribute(row, markup::kField);
    return field.empty() ? Markup_.Name(row) : QString::fromStdString(field);
}

void TAInspector::LoadParams(const QString& markup) {
    LoadParams(markup.toStdString());
}

void TAInspector::LoadParams(const std::string& markup) {
    ++Generation_;
    TypedRow_ = -1;
    Markup_.Load(markup);
    Key_ = Markup_.Key();
    const int n = Markup_.Count();
    Values_.assign(n, QString());
    for (int i = 0; i < n; ++i)
        Values_[i] = Markup_.Value(i);
    CurRow_ = -1;
    SetRowCount(n);
}

void TAInspector::SetRowCount(int n) {
    if (n < 0)
        return;
    if (CurRow_ >= n)
        CurRow_ = n - 1;
    SetRows(n);
}

void TAInspector::EditParam(int row) {
    if (row < 0 || row >= RowCount())
        return;
    ++EditRequests_;
    TakeFocus();
    CurRow_ = row;
    viewport()->update();
    PostOpenEditor(1, true);
}

void TAInspector::EditParam(int row, const QString& typed) {
    EditParam(row);
    if (row != CurRow_)
        return;
    TypedRow_ = row;
    Typed_ = typed;
}

void TAInspector::CommitEdit() {
    EditMode_ = false;
    if (Hook_)
        CloseEditor(Hook_, true);
}

void TAInspector::RefreshValues() {
    viewport()->update();
}

// Drawing.

void TAInspector::DrawHeaderCell(QPainter& painter, int col, const QRect& rect) {
    static const QString kTitles[2] = {QStringLiteral("Свойство"), QStringLiteral("Значение")};
    painter.setFont(font());
    painter.setPen(SystemColors(palette()).WindowText);
    const int x = rect.left() + kTextX;
    // The two right pixels belong to the cell's edge lines.
    TextOut(painter, x, (RowHeight() - painter.fontMetrics().height()) / 2,
            ShortenText(kTitles[col], painter.fontMetrics(), rect.right() - 1 - x));
}

void TAInspector::DrawCell(QPainter& painter, int row, int col, const QRect& rect) {
    const TSystemColors colors = SystemColors(palette());
    painter.fillRect(rect, colors.Window);
    painter.setFont(font());
    painter.setPen(Markup_.Type(row) == TParamType::ptConst ? colors.GrayText : colors.WindowText);
    const QString text = col == 0 ? Markup_.Name(row) : Value(row);
    const QFontMetrics metrics = painter.fontMetrics();
    TextOut(painter, rect.left() + kTextX, rect.top() + (RowHeight() - metrics.height()) / 2,
            ShortenText(text, metrics, GetColWidth(col) - kTextX));
}

// Input.

void TAInspector::TakeFocus() {
    setFocus(Qt::OtherFocusReason);
    // Without an active window no focus events come; the editor closes all the same.
    if (Hook_ && !Hook_->Editor()->hasFocus())
        CloseEditor(Hook_, !Hook_->Escaped);
}

void TAInspector::MoveSelection(int row) {
    if (CurRow_ < 0 || RowCount() <= 0)
        return;
    CurRow_ = std::clamp(row, 0, RowCount() - 1);
    ScrollToRow(CurRow_);
    viewport()->update();
}

void TAInspector::ButtonDown(const QPoint& pos) {
    EditMode_ = false;
    TakeFocus();
    if (pos.y() < RowHeight()) {
        HeaderButtonDown(pos.x());
        return;
    }
    if (pos.x() >= ClientWidth())
        return;
    const int row = RowAt(pos.y());
    if (row >= 0 && row != CurRow_) {
        CurRow_ = row;
        viewport()->update();
    }
}

void TAInspector::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        ButtonDown(event->position().toPoint());
}

void TAInspector::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint pos = event->position().toPoint();
    ButtonDown(pos);
    if (RowAt(pos.y()) >= 0 && pos.x() < std::min(ColumnsRight(), ClientWidth()))
        PostOpenEditor(0, true);
}

void TAInspector::wheelEvent(QWheelEvent* event) {
    event->accept();
    for (int notches = WheelNotches(event); notches != 0;) {
        const int step = notches > 0 ? 1 : -1;
        notches -= step;
        MoveSelection(CurRow_ - step);  // away from the user moves up
        TakeFocus();
        PostOpenEditor(0, false);
    }
}

void TAInspector::keyPressEvent(QKeyEvent* event) {
    // Keys an open editor passes on are not the inspector's.
    if (Hook_ && Hook_->Editor()->hasFocus()) {
        event->ignore();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        PostOpenEditor(0, true);
    else if (const std::optional<int> target = KeyTargetRow(event->key()))
        MoveSelection(*target);
    else {
        event->ignore();
        return;
    }
    event->accept();
}

void TAInspector::focusInEvent(QFocusEvent* event) {
    TColumnRowsView::focusInEvent(event);
    if (RowCount() > 0 && CurRow_ < 0) {
        CurRow_ = 0;
        viewport()->update();
    }
}

}  // namespace pelko
