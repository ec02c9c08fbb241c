#include "model/code.h"

namespace pelko {

namespace {

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 0;
}

}  // namespace

std::string CodeToText(const TCode& code) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(10);
    for (std::uint8_t b : code) {
        text.push_back(kDigits[b >> 4]);
        text.push_back(kDigits[b & 0x0F]);
    }
    return text;
}

TCode TextToCode(std::string_view text) {
    if (text.size() < 10) return EmptyCode;
    TCode code{};
    for (std::size_t j = 0; j < code.size(); ++j)
        code[j] = static_cast<std::uint8_t>(16 * DigitValue(text[2 * j]) + DigitValue(text[2 * j + 1]));
    return code;
}

bool SameCode(const TCode& a, const TCode& b) { return a == b; }

}  // namespace pelko
