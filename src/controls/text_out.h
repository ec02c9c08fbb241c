#pragma once
// Text drawing the way the controls lay it out: positions name the top of
// the text cell, and the vertical arithmetic uses the font's negative pixel
// height.
#include <QFont>
#include <QFontMetrics>
#include <QString>

class QPainter;

namespace pelko {

// The font's height in the negative-pixel convention (-11 for an 11-pixel font).
int FontHeightValue(const QFont& font);

// Height of a grid row for the font: 11 minus the height value.
int RowHeightForFont(const QFont& font);

// Cuts characters from the end until the text plus "..." fits in width,
// then appends "..."; a text that fits is returned unchanged.
QString ShortenText(const QString& text, const QFontMetrics& metrics, int width);

// Draws text with its cell's top-left corner at (x, top).
void TextOut(QPainter& painter, int x, int top, const QString& text);

}  // namespace pelko
