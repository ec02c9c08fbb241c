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
    QColor GrayText;  // read-only text, at least kGrayTextContrast against Window
};

TSystemColors SystemColors(const QPalette& palette);

// Contrast ratio of two colours (1 to 21), from their relative luminance.
double ContrastRatio(const QColor& a, const QColor& b);

// The least a grey text needs to stay legible.
inline constexpr double kGrayTextContrast = 4.5;

// gray when it has kGrayTextContrast against background, else gray moved
// towards text just far enough to have it (text itself when even that fails).
QColor ReadableGray(const QColor& gray, const QColor& text, const QColor& background);

}  // namespace pelko
