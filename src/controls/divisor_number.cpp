#include "controls/divisor_number.h"

#include <charconv>
#include <cmath>
#include <string>

namespace pelko {

namespace {

bool IsAsciiDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Copies the digits at pos into out; returns how many there were.
int TakeDigits(const QString& s, qsizetype& pos, std::string& out) {
    int n = 0;
    for (; pos < s.size() && IsAsciiDigit(s[pos]); ++pos, ++n)
        out += static_cast<char>(s[pos].unicode());
    return n;
}

}  // namespace

std::optional<double> ParseDecimal(const QString& text, QChar separator) {
    const QString s = text.trimmed();
    std::string ascii;
    qsizetype pos = 0;
    if (pos < s.size() && (s[pos] == QLatin1Char('+') || s[pos] == QLatin1Char('-'))) {
        if (s[pos] == QLatin1Char('-'))
            ascii += '-';
        ++pos;
    }
    int digits = TakeDigits(s, pos, ascii);
    if (pos < s.size() && (s[pos] == separator || s[pos] == QLatin1Char('.'))) {
        ascii += '.';
        ++pos;
        digits += TakeDigits(s, pos, ascii);
    }
    if (digits == 0)
        return std::nullopt;
    if (pos < s.size() && (s[pos] == QLatin1Char('e') || s[pos] == QLatin1Char('E'))) {
        ascii += 'e';
        ++pos;
        if (pos < s.size() && (s[pos] == QLatin1Char('+') || s[pos] == QLatin1Char('-')))
            ascii += static_cast<char>(s[pos++].unicode());
        if (TakeDigits(s, pos, ascii) == 0)
            return std::nullopt;
    }
    if (pos != s.size())
        return std::nullopt;
    double value = 0;
    const auto result = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    if (result.ec == std::errc::result_out_of_range)
        return ascii[0] == '-' ? -HUGE_VAL : HUGE_VAL;
    if (result.ec != std::errc())
        return std::nullopt;
    return value;
}

std::uint32_t ScaleToValue(double number, std::uint32_t divisor) {
    const double scaled = std::nearbyint(number * divisor);  // the default mode rounds ties to even
    if (!(scaled > 0))
        return 0;
    if (scaled >= 4294967295.0)
        return 4294967295u;
    return static_cast<std::uint32_t>(scaled);
}

QString FormatValue(std::uint32_t value, std::uint32_t divisor, QChar separator) {
    if (divisor <= 1)
        return QString::number(value);
    QString text = QString::number(static_cast<double>(value) / divisor, 'g', 15);
    text.replace(QLatin1Char('.'), separator);
    return text;
}

}  // namespace pelko
