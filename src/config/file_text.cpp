#include "config/file_text.h"

#include <algorithm>
#include <optional>

#include "config/cp1251.h"

namespace pelko {

namespace {

bool NeedsReference(char32_t ch, std::string_view utf8, std::size_t next) {
    if (ch < 0x20 || ch == 0x7F || ch == '"') return true;
    if (ch == '&') return next < utf8.size() && utf8[next] == '#';
    return !UnicodeToCp1251(ch).has_value();
}

int DigitValue(char c, bool hex) {
    if (c >= '0' && c <= '9') return c - '0';
    if (!hex) return -1;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A reference "&#123;" or "&#x7B;" at pos; moves pos past it when found.
std::optional<char32_t> ReadReference(std::string_view bytes, std::size_t& pos) {
    std::size_t i = pos + 2;  // past "&#"
    const bool hex = i < bytes.size() && (bytes[i] == 'x' || bytes[i] == 'X');
    if (hex) ++i;
    const std::size_t start = i;
    char32_t value = 0;
    for (; i < bytes.size(); ++i) {
        const int d = DigitValue(bytes[i], hex);
        if (d < 0) break;
        value = value * (hex ? 16 : 10) + static_cast<char32_t>(d);
        if (value > 0x10FFFF) return std::nullopt;
    }
    if (i == start || i >= bytes.size() || bytes[i] != ';') return std::nullopt;
    if (value >= 0xD800 && value <= 0xDFFF) return std::nullopt;
    pos = i + 1;
    return value;
}

}  // namespace

std::string EncodeFileText(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const char32_t ch = NextUtf8(utf8, pos);
        if (NeedsReference(ch, utf8, pos)) {
            out += "&#" + std::to_string(static_cast<std::uint32_t>(ch)) + ";";
        } else {
            out.push_back(static_cast<char>(*UnicodeToCp1251(ch)));
        }
    }
    return out;
}

std::string DecodeFileText(std::string_view bytes) {
    const bool plain = std::all_of(bytes.begin(), bytes.end(), [](char c) { return c != '&' && (c & 0x80) == 0; });
    if (plain) return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() * 2);
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        if (bytes[pos] == '&' && pos + 1 < bytes.size() && bytes[pos + 1] == '#') {
            if (const std::optional<char32_t> ch = ReadReference(bytes, pos)) {
                AppendUtf8(out, *ch);
                continue;
            }
        }
        AppendUtf8(out, Cp1251ToUnicode(static_cast<std::uint8_t>(bytes[pos])));
        ++pos;
    }
    return out;
}

}  // namespace pelko
