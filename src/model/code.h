#pragma once
// Five-byte codes: card codes and controller passwords.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace pelko {

using TCode = std::array<std::uint8_t, 5>;

// A free cell holds this code.
inline constexpr TCode EmptyCode = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
// The code a new card starts with.
inline constexpr TCode ZeroCode = {0x00, 0x00, 0x00, 0x00, 0x00};
// The password controllers accept after a reset; also the program's built-in
// common password until the user or a file changes it. Typed as 1122334455.
inline constexpr TCode FactoryPass = {0x11, 0x22, 0x33, 0x44, 0x55};

// Ten capital hexadecimal digits, byte 0 first.
std::string CodeToText(const TCode& code);
// Shorter than ten characters: EmptyCode. Only 0-9 and A-F count as digits,
// any other character counts as 0; characters after the tenth are ignored.
TCode TextToCode(std::string_view text);
bool SameCode(const TCode& a, const TCode& b);

}  // namespace pelko
