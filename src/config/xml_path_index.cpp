#include "config/xml_path_index.h"

#include <limits>
#include <string>

namespace pelko {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

struct Number {
    bool negative = false;
    std::string digits;         // mantissa digits without the point
    std::int64_t pointAt = 0;   // digits before the point, moved by the exponent
};

// [sign] digits [. digits] [e [sign] digits], at least one mantissa digit.
std::optional<Number> Split(std::string_view t) {
    Number n;
    std::size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) n.negative = t[i++] == '-';
    for (; i < t.size() && IsDigit(t[i]); ++i) n.digits.push_back(t[i]);
    n.pointAt = static_cast<std::int64_t>(n.digits.size());
    if (i < t.size() && t[i] == '.')
        for (++i; i < t.size() && IsDigit(t[i]); ++i) n.digits.push_back(t[i]);
    if (n.digits.empty()) return std::nullopt;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        bool expNegative = false;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) expNegative = t[i++] == '-';
        const std::size_t expStart = i;
        std::int64_t exp = 0;
        for (; i < t.size() && IsDigit(t[i]); ++i) exp = std::min<std::int64_t>(exp * 10 + (t[i] - '0'), 1'000'000'000);
        if (i == expStart) return std::nullopt;
        n.pointAt += expNegative ? -exp : exp;
    }
    if (i != t.size()) return std::nullopt;
    return n;
}

}  // namespace

std::optional<std::int64_t> ParsePathIndex(std::string_view text) {
    const std::optional<Number> n = Split(text);
    if (!n) return std::nullopt;
    const std::size_t first = n->digits.find_first_not_of('0');
    if (first == std::string::npos) return 0;
    // Whole part: the digits left of the point, zeros filled in past the end.
    const std::int64_t wholeDigits = n->pointAt - static_cast<std::int64_t>(first);
    if (wholeDigits <= 0) return 0;
    if (wholeDigits > 18)
        return n->negative ? std::numeric_limits<std::int64_t>::min() : std::numeric_limits<std::int64_t>::max();
    std::int64_t value = 0;
    for (std::int64_t k = 0; k < wholeDigits; ++k) {
        const std::size_t at = first + static_cast<std::size_t>(k);
        value = value * 10 + (at < n->digits.size() ? n->digits[at] - '0' : 0);
    }
    return n->negative ? -value : value;
}

}  // namespace pelko
