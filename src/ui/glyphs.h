#pragma once
// The program's button images and emblem, drawn as SVG in the resources.
#include <QIcon>
#include <QString>

namespace pelko {

// The image of the control with this object name.
QIcon Glyph(const QString& name);
// The program's emblem: window icon, about box and the logo button.
QIcon Emblem();

}  // namespace pelko
