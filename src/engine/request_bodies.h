#pragma once
// The request bodies the engine sends to controllers and the reading of their
// answers. A body runs from the address byte on: address, frame length (body
// plus the two checksum bytes), command, data.
#include <cstdint>
#include <string>

#include "link/bytes.h"
#include "model/code.h"
#include "model/dev_config.h"

namespace pelko {

// Request commands; a controller answers with the command + 1.
inline constexpr std::uint8_t cmdProbe = 0xFE;
inline constexpr std::uint8_t cmdLogin = 0x24;
inline constexpr std::uint8_t cmdReadCard = 0x20;
inline constexpr std::uint8_t cmdWriteCard = 0x22;
inline constexpr std::uint8_t cmdChangePass = 0x26;
inline constexpr std::uint8_t cmdWriteConfig = 0x34;
inline constexpr std::uint8_t cmdReadConfig = 0x36;
inline constexpr std::uint8_t cmdReset = 0x28;

inline constexpr std::uint8_t ansProbe = 0xFF;
inline constexpr std::uint8_t ansLogin = 0x25;
inline constexpr std::uint8_t ansReadCard = 0x21;
inline constexpr std::uint8_t ansWriteCard = 0x23;
inline constexpr std::uint8_t ansChangePass = 0x27;
inline constexpr std::uint8_t ansWriteConfig = 0x35;
inline constexpr std::uint8_t ansReadConfig = 0x37;
inline constexpr std::uint8_t ansReset = 0x29;

// Where and how a controller answers when it leaves the factory (and after a
// reset), and the last address a controller can have.
inline constexpr std::uint8_t kFactoryAdr = 1;
inline constexpr std::int32_t kFactoryBaud = 9600;
inline constexpr int kLastAddress = 254;

// Verdict byte of an accepted request.
inline constexpr std::uint8_t kAccepted = 0xFF;
// Frame length of a configuration answer that carries the whole block.
inline constexpr std::uint8_t kConfigAnswerLength = 0x0B;

// The block a controller without parameters of its own is given:
// 0F 03 aa 10 A9 with aa its address.
TDevConfig DefaultConfig(std::uint8_t adr);
// Speed code of the parameter block: 2400 -> 1 ... 115200 -> 7; 0 when unknown.
std::uint8_t SpeedCode(std::int32_t baud);
// Byte 1 of the block with its low nibble replaced by the speed code of baud.
void PutSpeedCode(TDevConfig& block, std::int32_t baud);

// One prebuilt body per command, patched in place before each request.
struct TRequestBodies {
    TRequestBodies();

    Bytes LoginRequest;        // 00 0A 24 + password
    Bytes ReadCardRequest;     // 00 07 20 cell-lo cell-hi
    Bytes WriteCardRequest;    // 00 0C 22 cell-lo cell-hi + code
    Bytes ChangePassRequest;   // 00 0F 26 + old + new
    Bytes WriteConfigRequest;  // 00 0A 34 + block
    Bytes ReadConfigRequest;   // 00 05 36
    Bytes ProbeRequest;        // 00 05 FE
    Bytes ResetRequest;        // 00 0A 28 "reset"

    const Bytes& Login(std::uint8_t adr, const TCode& pass);
    const Bytes& ReadCard(std::uint8_t adr, std::uint16_t cell);
    const Bytes& WriteCard(std::uint8_t adr, std::uint16_t cell, const TCode& code);
    const Bytes& ChangePass(std::uint8_t adr, const TCode& oldPass, const TCode& newPass);
    const Bytes& WriteConfig(std::uint8_t adr, const TDevConfig& block);
    const Bytes& ReadConfig(std::uint8_t adr);
    const Bytes& Probe(std::uint8_t adr);
    const Bytes& Reset(std::uint8_t adr);
};

// The cell a read or write request names (bytes 3 and 4, low first);
// kNoCell for a body too short to name one.
inline constexpr std::uint16_t kNoCell = 0xFFFF;
inline std::uint16_t CellOfRequest(const Bytes& body) {
    return body.size() >= 5 ? static_cast<std::uint16_t>(body[3] | body[4] << 8) : kNoCell;
}

// An answer as the link hands it over: address, frame length, command, data,
// checksum; or the failure answer. Data bytes beyond the answer read as 0.
struct TAnswer {
    explicit TAnswer(const Bytes& raw);

    bool Failure = true;
    std::uint8_t Adr = 0;
    std::uint8_t FrameLength = 0;
    std::uint8_t Cmd = 0;

    std::uint8_t Data(std::size_t i) const;
    bool Verdict() const { return Data(0) == kAccepted; }
    TCode Code() const;            // data bytes 0..4
    TDevConfig Block() const { return Code(); }
    // Enough data bytes for what the command's answer carries.
    bool Complete() const;

private:
    const Bytes& FRaw;
};

}  // namespace pelko
