#pragma once
// Windows-1251, the code page of the configuration file, and the UTF-8 the
// program keeps its text in.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pelko {

inline constexpr char32_t kReplacementChar = 0xFFFD;

// Every byte has a character; the unassigned 0x98 stands for U+0098 so that
// any byte string comes back unchanged.
char32_t Cp1251ToUnicode(std::uint8_t byte);
std::optional<std::uint8_t> UnicodeToCp1251(char32_t ch);

void AppendUtf8(std::string& out, char32_t ch);
// The character at pos, moving pos past it. A malformed sequence gives
// U+FFFD and moves one byte on.
char32_t NextUtf8(std::string_view text, std::size_t& pos);

std::string Cp1251ToUtf8(std::string_view bytes);

}  // namespace pelko
