#include "controls/text_out.h"

#include <QFontInfo>
#include <QPainter>

namespace pelko {

int FontHeightValue(const QFont& font) {
    return -QFontInfo(font).pixelSize();
}

int RowHeightForFont(const QFont& font) {
    return 11 - FontHeightValue(font);
}

QString ShortenText(const QString& text, const QFontMetrics& metrics, int width) {
    if (metrics.horizontalAdvance(text) <= width)
        return text;
    static const QString kDots = QStringLiteral("...");
    // Halving first keeps very long texts in narrow cells cheap; the final
    // answer is the same as removing one character at a time.
    qsizetype lo = 0, hi = text.size() - 1;
    while (lo < hi) {
        const qsizetype mid = (lo + hi + 1) / 2;
        if (metrics.horizontalAdvance(text.left(mid) + kDots) <= width)
            lo = mid;
        else
            hi = mid - 1;
    }
    if (lo > 0 && text.at(lo - 1).isHighSurrogate())
        --lo;  // never split a character in two
    return text.left(lo) + kDots;
}

void TextOut(QPainter& painter, int x, int top, const QString& text) {
    painter.drawText(QPoint(x, top + painter.fontMetrics().ascent()), text);
}

}  // namespace pelko
