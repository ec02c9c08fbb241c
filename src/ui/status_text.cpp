#include "ui/status_text.h"

#include <QResizeEvent>

namespace pelko {

TStatusText::TStatusText(const char* objectName, const QString& role, QWidget* parent) : QLabel(parent) {
    setObjectName(QString::fromLatin1(objectName));
    setAccessibleDescription(role);
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
}

int TStatusText::HeightFor(int width) const {
    const QMargins m = contentsMargins();
    const int inner = std::max(1, width - m.left() - m.right() - 2 * margin());
    const QRect r = fontMetrics().boundingRect(QRect(0, 0, inner, 10000), Qt::TextWordWrap, text());
    return std::max(r.height(), fontMetrics().height()) + m.top() + m.bottom() + 2 * margin();
}

// Narrow enough to give way to the other panels, tall enough for the text at
// the width it has now: the status bar grows a line rather than cut one.
QSize TStatusText::minimumSizeHint() const {
    return {fontMetrics().averageCharWidth() * 6, HeightFor(width())};
}

void TStatusText::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    const int lines = HeightFor(event->size().width()) / std::max(1, fontMetrics().lineSpacing());
    if (lines != FLines) {
        FLines = lines;
        updateGeometry();
    }
}

}  // namespace pelko
