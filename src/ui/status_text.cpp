#include "ui/status_text.h"

#include <QResizeEvent>
#include <algorithm>
#include <utility>

namespace pelko {

TStatusText::TStatusText(const char* objectName, const QString& role, int minLines, QWidget* parent)
    : QLabel(parent), FMinLines(minLines) {
    setObjectName(QString::fromLatin1(objectName));
    setAccessibleDescription(role);
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
}

int TStatusText::Frame() const {
    const QMargins m = contentsMargins();
    return m.left() + m.right() + 2 * margin() + 2;
}

int TStatusText::OneLineWidth() const { return fontMetrics().horizontalAdvance(text()) + Frame(); }

// The message gives way down to ten characters; the other panels to half
// their text, two lines, and only when the window leaves them no more.
int TStatusText::LeastWidth() const {
    const int ten = fontMetrics().averageCharWidth() * 10;
    return FMinLines > 1 ? ten : std::max(ten, OneLineWidth() / 2 + Frame());
}

int TStatusText::HeightFor(int width) const {
    const QMargins m = contentsMargins();
    const int inner = std::max(1, width - Frame());
    const QRect r = fontMetrics().boundingRect(QRect(0, 0, inner, 100000), Qt::TextWordWrap, text());
    const int least = fontMetrics().height() + (FMinLines - 1) * fontMetrics().lineSpacing();
    return std::max(r.height(), least) + m.top() + m.bottom() + 2 * margin();
}

// At the width the status bar gave, or, before it gave one, on one line.
int TStatusText::Needed() const {
    return HeightFor(width() >= LeastWidth() ? width() : std::max(LeastWidth(), OneLineWidth()));
}

// The message asks for forty characters, whatever it says now.
QSize TStatusText::sizeHint() const {
    return {FMinLines > 1 ? fontMetrics().averageCharWidth() * 40 : OneLineWidth(), Needed()};
}

// The status bar grows a line rather than cut one.
QSize TStatusText::minimumSizeHint() const { return {LeastWidth(), Needed()}; }

void TStatusText::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    if (std::exchange(FNeeded, Needed()) != FNeeded) updateGeometry();
}

}  // namespace pelko
