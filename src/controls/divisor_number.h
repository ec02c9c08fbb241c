#pragma once
// Number conversions of the divisor spin edit: the box shows value / divisor
// as a decimal number with a chosen decimal separator.
#include <QChar>
#include <QString>
#include <cstdint>
#include <optional>

namespace pelko {

// A decimal number (sign, digits, separator or full stop, exponent; blanks
// around it allowed), or nothing when the text is not a number.
std::optional<double> ParseDecimal(const QString& text, QChar separator);

// number * divisor rounded to the nearest integer, ties to even, held to
// the 32-bit unsigned range (so "-5" is 0, never a wrapped-around number).
std::uint32_t ScaleToValue(double number, std::uint32_t divisor);

// value / divisor in the shortest general form, with the separator.
QString FormatValue(std::uint32_t value, std::uint32_t divisor, QChar separator);

}  // namespace pelko
