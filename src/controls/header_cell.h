#pragma once
// The raised (or, while held down, sunken) header cell shared by the card
// grid and the inspector.
#include <QRect>

class QPainter;

namespace pelko {

struct TSystemColors;

// Black line along the bottom and right edge, a 3-D frame inside it and the
// button face within. Returns the inner rectangle left for the caption.
QRect PaintRaisedCell(QPainter& painter, const QRect& cell, bool pressed, const TSystemColors& colors);

}  // namespace pelko
