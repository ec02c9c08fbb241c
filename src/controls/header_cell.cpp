#include "controls/header_cell.h"

#include <QPainter>

#include "controls/win_color.h"

namespace pelko {

QRect PaintRaisedCell(QPainter& painter, const QRect& cell, bool pressed, const TSystemColors& colors) {
    const int l = cell.left(), t = cell.top(), r = cell.right(), b = cell.bottom();
    painter.setPen(Qt::black);
    painter.drawLine(l, b, r, b);
    painter.drawLine(r, t, r, b);
    const QColor& lightEdge = pressed ? colors.Shadow : colors.Highlight;
    const QColor& darkEdge = pressed ? colors.Highlight : colors.Shadow;
    painter.setPen(lightEdge);
    painter.drawLine(l, t, r - 1, t);
    painter.drawLine(l, t, l, b - 1);
    painter.setPen(darkEdge);
    painter.drawLine(l, b - 1, r - 1, b - 1);
    painter.drawLine(r - 1, t, r - 1, b - 1);
    const QRect inner(QPoint(l + 1, t + 1), QPoint(r - 2, b - 2));
    painter.fillRect(inner, colors.ButtonFace);
    return inner;
}

}  // namespace pelko
