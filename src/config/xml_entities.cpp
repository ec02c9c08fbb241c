#include "config/xml_entities.h"

#include <algorithm>
#include <array>
#include <utility>

#include "config/cp1251.h"

namespace pelko {

namespace {

// In the order they are tried; &slash; last, it is never written.
constexpr std::array<std::pair<std::string_view, char>, 6> kEntities = {{
    {"&quot;", '"'}, {"&amp;", '&'}, {"&apos;", '\''}, {"&gt;", '>'}, {"&lt;", '<'}, {"&slash;", '/'},
}};

}  // namespace

std::string DecodeEntity(std::string_view text, std::size_t& Position) {
    if (Position == 0 || Position > text.size()) return {};
    const std::string_view rest = text.substr(Position - 1);
    for (const auto& [entity, ch] : kEntities) {
        if (rest.substr(0, entity.size()) == entity) {
            Position += entity.size();
            return std::string(1, ch);
        }
    }
    return {};
}

std::string DecodeCharReference(std::string_view text, std::size_t& Position) {
    if (Position == 0 || Position > text.size()) return {};
    std::string_view rest = text.substr(Position - 1);
    if (rest.substr(0, 2) != "&#") return {};
    const bool hex = rest.size() > 2 && (rest[2] == 'x' || rest[2] == 'X');
    std::size_t i = hex ? 3 : 2;
    char32_t value = 0;
    const std::size_t first = i;
    for (; i < rest.size() && rest[i] != ';' && i - first < 8; ++i) {
        const char c = rest[i];
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        if (digit < 0) return {};
        value = value * (hex ? 16 : 10) + static_cast<char32_t>(digit);
    }
    if (i == first || i >= rest.size() || rest[i] != ';') return {};
    // Control characters are decoded too: whoever reads the text decides about them.
    if (value > 0x10FFFF || (value >= 0xD800 && value < 0xE000)) return {};
    std::string out;
    AppendUtf8(out, value);
    Position += i + 1;
    return out;
}

std::string DecodeEntities(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 1;
    while (pos <= text.size()) {
        const char c = text[pos - 1];
        if (c == '&') {
            std::string decoded = DecodeEntity(text, pos);
            if (!decoded.empty()) {
                out += decoded;
                continue;
            }
        }
        out.push_back(c);
        ++pos;
    }
    return out;
}

std::string EncodeEntities(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto* entity = std::find_if(kEntities.begin(), kEntities.end() - 1,
                                          [c](const auto& e) { return e.second == c; });
        if (entity != kEntities.end() - 1) out += entity->first;
        else out.push_back(c);
    }
    return out;
}

}  // namespace pelko
