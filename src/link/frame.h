#pragma once
// The wire frame: address, length, command, data, CRC-16/XMODEM high byte first.
#include <cstddef>
#include <cstdint>

#include "link/bytes.h"

namespace pelko {

constexpr std::size_t kMaxRequestBody = 16;  // a queued body; its frame is <= 18 bytes
constexpr std::size_t kMinAnswer = 6;
constexpr std::size_t kMaxAnswer = 16;

// CRC-16/XMODEM: polynomial 0x1021, initial 0, no reflection, no final XOR.
std::uint16_t Crc16(const std::uint8_t* data, std::size_t n);
inline std::uint16_t Crc16(const Bytes& b) { return Crc16(b.data(), b.size()); }

// Address, whole-frame length (data + 5), command, data: a frame without its
// checksum, for requests and answers alike.
Bytes MakeBody(std::uint8_t adr, std::uint8_t cmd, const Bytes& data);

// Body as supplied (length byte already set by its maker) plus the checksum.
Bytes BuildFrame(const Bytes& body);

// The five acceptance rules, in their order.
bool AcceptAnswer(const Bytes& request, const std::uint8_t* answer, std::size_t n);
inline bool AcceptAnswer(const Bytes& request, const Bytes& answer) {
    return AcceptAnswer(request, answer.data(), answer.size());
}

// A controller's "busy" answer: a single data byte 0x22. Longer answers
// (a cell's code, the parameter block) may end in 0x22 like any other byte.
inline bool IsBusyAnswer(const std::uint8_t* answer, std::size_t n) {
    return n == kMinAnswer && answer[3] == 0x22;
}

// Six zero bytes: handed out where an exchange produced no accepted answer.
Bytes FailureAnswer();
bool IsFailureAnswer(const Bytes& answer);

// The worker's own frames (bodies, without checksum).
constexpr std::uint8_t kCmdCardPoll = 0x02;
constexpr std::uint8_t kCmdButtonPoll = 0x72;
constexpr std::uint8_t kCmdProbe = 0xFE;
Bytes ProbeBody(std::uint8_t adr);
Bytes CardPollBody(std::uint8_t adr);
Bytes ButtonPollBody(std::uint8_t adr);

}  // namespace pelko
