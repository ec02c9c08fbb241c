#pragma once
// Request frames and answer bodies for the simulator's tests.
#include <initializer_list>

#include "link/bytes.h"
#include "link/frame.h"

namespace pelko::testing {

// Frame with its length byte and checksum, as the program sends it.
inline Bytes Req(std::uint8_t adr, std::uint8_t cmd, Bytes data = {}) {
    return BuildFrame(MakeBody(adr, cmd, data));
}

inline Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// The answer without its two check bytes.
inline Bytes Body(const Bytes& frame) {
    return frame.size() < 2 ? frame : Bytes(frame.begin(), frame.end() - 2);
}

inline Bytes Cell(std::uint16_t n) {
    return {static_cast<std::uint8_t>(n & 0xFF), static_cast<std::uint8_t>(n >> 8)};
}

inline const Bytes kResetText{'r', 'e', 's', 'e', 't'};
// The password the tests give their controllers.
inline const Bytes kPass{0x11, 0x22, 0x33, 0x44, 0x55};

}  // namespace pelko::testing
