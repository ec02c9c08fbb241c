#include "config/xml_entities.h"

#include <algorithm>
#include <array>
#include <utility>

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
