#pragma once
// The five-byte parameter block exactly as a controller stores it, and the
// bit fields inside it. Byte 2 is the controller's bus address.
#include <array>
#include <cstdint>

namespace pelko {

using TDevConfig = std::array<std::uint8_t, 5>;

inline constexpr std::size_t kAdrByte = 2;

// One parameter: byte, lowest bit and width of its field.
struct TConfigField {
    std::uint8_t byte;
    std::uint8_t shift;
    std::uint8_t width;
};

inline constexpr TConfigField ReaderGain{0, 0, 2};
inline constexpr TConfigField AutomaticLogOut{0, 2, 1};
inline constexpr TConfigField CheckCardMemoryAllTime{0, 3, 1};
inline constexpr TConfigField UARTSpeed{1, 0, 4};
inline constexpr TConfigField SomeIDuartSend{1, 4, 1};
inline constexpr TConfigField BaseIDuartSend{1, 5, 1};
inline constexpr TConfigField UartRepeat{1, 6, 1};
inline constexpr TConfigField Adr{2, 0, 8};
inline constexpr TConfigField BuzzerMode{3, 0, 2};
inline constexpr TConfigField BuzzerRepeat{3, 3, 1};
inline constexpr TConfigField BuzzerDelay{3, 4, 4};
inline constexpr TConfigField RelayMode{4, 0, 2};
inline constexpr TConfigField RelayNCNO{4, 2, 1};
inline constexpr TConfigField RelayRepeat{4, 3, 1};
inline constexpr TConfigField RelayDelay{4, 4, 4};

constexpr std::uint8_t FieldMask(TConfigField f) {
    return static_cast<std::uint8_t>(((1u << f.width) - 1u) << f.shift);
}

constexpr unsigned GetField(const TDevConfig& c, TConfigField f) {
    return (c[f.byte] & FieldMask(f)) >> f.shift;
}

// Bits of the value beyond the field's width are dropped.
constexpr void SetField(TDevConfig& c, TConfigField f, unsigned value) {
    const std::uint8_t mask = FieldMask(f);
    c[f.byte] = static_cast<std::uint8_t>((c[f.byte] & ~mask) | ((value << f.shift) & mask));
}

}  // namespace pelko
