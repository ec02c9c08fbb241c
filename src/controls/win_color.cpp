#include "controls/win_color.h"

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
    c.GrayText = palette.color(QPalette::Disabled, QPalette::Text);
    return c;
}

}  // namespace pelko
