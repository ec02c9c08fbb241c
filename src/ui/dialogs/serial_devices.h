#pragma once
// The serial devices present, for the program settings' device drop-down.
#include <QString>
#include <QStringList>

namespace pelko {

// devRoot/serial/by-id/* (the links as they are, not resolved), then
// devRoot/ttyUSB*, devRoot/ttyACM*, devRoot/ttyS* that exist, in that order;
// each group sorted in natural order (ttyS2 before ttyS10). Full paths.
QStringList ListSerialDevices(const QString& devRoot = QStringLiteral("/dev"));

// Natural order: runs of digits compare by their number.
bool NaturalLess(const QString& a, const QString& b);

}  // namespace pelko
