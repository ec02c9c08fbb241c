#include "config/file_text.h"

#include <algorithm>
#include <optional>

#include "config/cp1251.h"

namespace pelko {

namespace {

constexpr char32_t kMaxScalar = 0x10FFFF;

bool IsControl(char32_t ch) { return ch < 0x20 || ch == 0x7F; }

bool IsSurrogate(char32_t ch) { return ch >= 0xD800 && ch <= 0xDFFF; }

// The character of a reference the writer makes, or made before control
// characters were written raw, starting at the '&' at amp: "&#" and decimal
// digits without a leading zero, then ';'. "&#38;" counts only before '#',
// the one place it is written. Both sides use this, so the writer escapes an
// '&' exactly when the reader would otherwise take it for a reference.
std::optional<char32_t> WrittenReference(std::string_view text, std::size_t amp, std::size_t& end) {
    std::size_t i = amp + 1;
    if (i >= text.size() || text[i] != '#') return std::nullopt;
    const std::size_t start = ++i;
    char32_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + static_cast<char32_t>(text[i] - '0');
        if (value > kMaxScalar) return std::nullopt;
    }
    if (i == start || i >= text.size() || text[i] != ';') return std::nullopt;
    if (text[start] == '0' && i - start > 1) return std::nullopt;
    ++i;
    const bool written = value == '"' || IsControl(value) ||
                         (value == '&' && i < text.size() && text[i] == '#') ||
                         (value > 0x7F && !IsSurrogate(value) && !UnicodeToCp1251(value).has_value());
    if (!written) return std::nullopt;
    end = i;
    return value;
}

void AppendReference(std::string& out, char32_t ch) {
    out += "&#" + std::to_string(static_cast<std::uint32_t>(ch)) + ";";
}

}  // namespace

std::string EncodeFileText(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const std::size_t at = pos;
        const char32_t ch = NextUtf8(utf8, pos);
        std::size_t end = 0;
        const std::optional<std::uint8_t> byte = UnicodeToCp1251(ch);
        // Control characters other than tab and line ends (NUL, ESC) never
        // go into the file raw: the reader takes their references back.
        const bool control = ch < 0x20 && ch != '\t' && ch != '\r' && ch != '\n';
        if (ch == '"' || control || !byte || (ch == '&' && WrittenReference(utf8, at, end))) {
            AppendReference(out, ch);
        } else {
            out.push_back(static_cast<char>(*byte));
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
        std::size_t end = 0;
        if (bytes[pos] == '&') {
            if (const std::optional<char32_t> ch = WrittenReference(bytes, pos, end)) {
                AppendUtf8(out, *ch);
                pos = end;
                continue;
            }
        }
        AppendUtf8(out, Cp1251ToUnicode(static_cast<std::uint8_t>(bytes[pos])));
        ++pos;
    }
    return out;
}

}  // namespace pelko
