#include "controls/win_color.h"

#include <algorithm>
#include <cmath>

namespace pelko {

QColor FromWinColor(TWinColor color) {
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

TWinColor ToWinColor(const QColor& color) {
    return TWinColor(color.red()) | TWinColor(color.green()) << 8 | TWinColor(color.blue()) << 16;
}

TSystemColors SystemColors(const QPalette& palette) {
    TSystemColors c;
    c.ButtonFace = palette.color(QPalette::Active, QPalette::Button);
    c.Highlight = palette.color(QPalette::Active, QPalette::Light);
    c.Shadow = palette.color(QPalette::Active, QPalette::Dark);
    c.Window = palette.color(QPalette::Active, QPalette::Base);
    c.WindowText = palette.color(QPalette::Active, QPalette::Text);
    // The disabled-text grey of most styles is too faint to read a value by.
    c.GrayText = ReadableGray(palette.color(QPalette::Disabled, QPalette::Text), c.WindowText, c.Window);
    return c;
}

namespace {

double Linear(double channel) {
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double Luminance(const QColor& c) {
    return 0.2126 * Linear(c.redF()) + 0.7152 * Linear(c.greenF()) + 0.0722 * Linear(c.blueF());
}

}  // namespace

double ContrastRatio(const QColor& a, const QColor& b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor ReadableGray(const QColor& gray, const QColor& text, const QColor& background) {
    constexpr int kSteps = 64;
    for (int step = 0; step < kSteps; ++step) {
        const double t = double(step) / kSteps;
        const QColor mixed = QColor::fromRgbF(float(gray.redF() + (text.redF() - gray.redF()) * t),
                                              float(gray.greenF() + (text.greenF() - gray.greenF()) * t),
                                              float(gray.blueF() + (text.blueF() - gray.blueF()) * t));
        // Judged by the colour as it is stored and drawn, 8 bits a channel.
        const QColor drawn(mixed.rgb());
        if (ContrastRatio(drawn, background) >= kGrayTextContrast)
            return drawn;
    }
    return text;
}

}  // namespace pelko
