#include "link/frame.h"

#include <algorithm>
#include <array>

namespace pelko {
namespace {

std::array<std::uint16_t, 256> MakeCrcTable() {
    std::array<std::uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        std::uint16_t t = static_cast<std::uint16_t>(i << 8);
        for (int bit = 0; bit < 8; ++bit)
            t = static_cast<std::uint16_t>((t & 0x8000) ? (t << 1) ^ 0x1021 : t << 1);
        table[i] = t;
    }
    return table;
}

const std::array<std::uint16_t, 256> kCrcTable = MakeCrcTable();

Bytes ShortBody(std::uint8_t adr, std::uint8_t cmd) { return Bytes{adr, 0x05, cmd}; }

}  // namespace

std::uint16_t Crc16(const std::uint8_t* data, std::size_t n) {
    std::uint16_t c = 0;
    for (std::size_t i = 0; i < n; ++i)
        c = static_cast<std::uint16_t>(kCrcTable[((c >> 8) ^ data[i]) & 0xFF] ^ (c << 8));
    return c;
}

Bytes MakeBody(std::uint8_t adr, std::uint8_t cmd, const Bytes& data) {
    Bytes body(3 + data.size());
    body[0] = adr;
    body[1] = static_cast<std::uint8_t>(data.size() + 5);
    body[2] = cmd;
    std::copy(data.begin(), data.end(), body.begin() + 3);
    return body;
}

Bytes BuildFrame(const Bytes& body) {
    Bytes frame = body;
    const std::uint16_t crc = Crc16(body);
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    return frame;
}

bool AcceptAnswer(const Bytes& request, const std::uint8_t* a, std::size_t n) {
    if (n < kMinAnswer || n > kMaxAnswer) return false;
    if (a[1] != n) return false;
    if (Crc16(a, n - 2) != (a[n - 2] << 8 | a[n - 1])) return false;
    if (request.size() < 3 || a[2] != request[2] + 1) return false;  // no wrap: 0xFF never answered
    if (IsBusyAnswer(a, n)) return false;
    return true;
}

Bytes FailureAnswer() { return Bytes(6, 0); }

bool IsFailureAnswer(const Bytes& answer) { return answer == FailureAnswer(); }

Bytes ProbeBody(std::uint8_t adr) { return ShortBody(adr, kCmdProbe); }
Bytes CardPollBody(std::uint8_t adr) { return ShortBody(adr, kCmdCardPoll); }
Bytes ButtonPollBody(std::uint8_t adr) { return ShortBody(adr, kCmdButtonPoll); }

}  // namespace pelko
