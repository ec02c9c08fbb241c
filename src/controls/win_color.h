#pragma once
// Colours as the owners hand them over (0x00BBGGRR) and the system colours
// the controls draw with, taken from the widget's palette.
#include <QColor>
#include <QPalette>
#include <cstdint>

namespace pelko {

using TWinColor = std::uint32_t;

QColor FromWinColor(TWinColor color);
TWinColor ToWinColor(const QColor& color);

struct TSystemColors {
    QColor ButtonFace;
    QColor Highlight;  // the light edge of a raised face
    QColor Shadow;     // the dark edge of a raised face
    QColor Window;
    QColor WindowText;
    QColor GrayText;
};

TSystemColors SystemColors(const QPalette& palette);

}  // namespace pelko
