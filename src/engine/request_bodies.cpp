#include "engine/request_bodies.h"

#include <algorithm>

#include "config/program_settings.h"
#include "link/frame.h"

namespace pelko {
namespace {

constexpr std::size_t kAdrAt = 0;
constexpr std::size_t kDataAt = 3;

void PutCode(Bytes& body, std::size_t at, const TCode& code) {
    std::copy(code.begin(), code.end(), body.begin() + static_cast<std::ptrdiff_t>(at));
}

void PutCell(Bytes& body, std::uint16_t cell) {
    body[kDataAt] = static_cast<std::uint8_t>(cell % 256);
    body[kDataAt + 1] = static_cast<std::uint8_t>(cell / 256);
}

// Data bytes each answer must carry before its checksum.
std::size_t DataNeeded(std::uint8_t answerCmd) {
    switch (answerCmd) {
        case ansReadCard: return 5;
        case ansReadConfig: return 6;
        default: return 1;
    }
}

}  // namespace

TDevConfig DefaultConfig(std::uint8_t adr) { return {0x0F, 0x03, adr, 0x10, 0xA9}; }

std::uint8_t SpeedCode(std::int32_t baud) {
    for (std::size_t i = 0; i < kStandardBauds.size(); ++i)
        if (static_cast<std::int64_t>(kStandardBauds[i]) == baud) return static_cast<std::uint8_t>(i + 1);
    return 0;
}

void PutSpeedCode(TDevConfig& block, std::int32_t baud) {
    block[1] = static_cast<std::uint8_t>((block[1] & 0xF0) | SpeedCode(baud));
}

TRequestBodies::TRequestBodies()
    : LoginRequest{0x00, 0x0A, cmdLogin, 0, 0, 0, 0, 0},
      ReadCardRequest{0x00, 0x07, cmdReadCard, 0, 0},
      WriteCardRequest{0x00, 0x0C, cmdWriteCard, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
      ChangePassRequest{0x00, 0x0F, cmdChangePass, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
      WriteConfigRequest{0x00, 0x0A, cmdWriteConfig, 0, 0, 0, 0, 0},
      ReadConfigRequest{0x00, 0x05, cmdReadConfig},
      ProbeRequest{0x00, 0x05, cmdProbe},
      ResetRequest{0x00, 0x0A, cmdReset, 'r', 'e', 's', 'e', 't'} {}

const Bytes& TRequestBodies::Login(std::uint8_t adr, const TCode& pass) {
    LoginRequest[kAdrAt] = adr;
    PutCode(LoginRequest, kDataAt, pass);
    return LoginRequest;
}

const Bytes& TRequestBodies::ReadCard(std::uint8_t adr, std::uint16_t cell) {
    ReadCardRequest[kAdrAt] = adr;
    PutCell(ReadCardRequest, cell);
    return ReadCardRequest;
}

const Bytes& TRequestBodies::WriteCard(std::uint8_t adr, std::uint16_t cell, const TCode& code) {
    WriteCardRequest[kAdrAt] = adr;
    PutCell(WriteCardRequest, cell);
    PutCode(WriteCardRequest, kDataAt + 2, code);
    return WriteCardRequest;
}

const Bytes& TRequestBodies::ChangePass(std::uint8_t adr, const TCode& oldPass, const TCode& newPass) {
    ChangePassRequest[kAdrAt] = adr;
    PutCode(ChangePassRequest, kDataAt, oldPass);
    PutCode(ChangePassRequest, kDataAt + 5, newPass);
    return ChangePassRequest;
}

const Bytes& TRequestBodies::WriteConfig(std::uint8_t adr, const TDevConfig& block) {
    WriteConfigRequest[kAdrAt] = adr;
    PutCode(WriteConfigRequest, kDataAt, block);
    return WriteConfigRequest;
}

const Bytes& TRequestBodies::ReadConfig(std::uint8_t adr) {
    ReadConfigRequest[kAdrAt] = adr;
    return ReadConfigRequest;
}

const Bytes& TRequestBodies::Probe(std::uint8_t adr) {
    ProbeRequest[kAdrAt] = adr;
    return ProbeRequest;
}

const Bytes& TRequestBodies::Reset(std::uint8_t adr) {
    ResetRequest[kAdrAt] = adr;
    return ResetRequest;
}

TAnswer::TAnswer(const Bytes& raw) : FRaw(raw) {
    Failure = raw.size() < kMinAnswer || IsFailureAnswer(raw);
    if (Failure) return;
    Adr = raw[0];
    FrameLength = raw[1];
    Cmd = raw[2];
}

std::uint8_t TAnswer::Data(std::size_t i) const {
    const std::size_t at = kDataAt + i;
    // The last two bytes are the checksum, never data.
    return at + 2 < FRaw.size() ? FRaw[at] : 0;
}

TCode TAnswer::Code() const {
    TCode c{};
    for (std::size_t i = 0; i < c.size(); ++i) c[i] = Data(i);
    return c;
}

bool TAnswer::Complete() const {
    return !Failure && FRaw.size() >= kDataAt + DataNeeded(Cmd) + 2;
}

}  // namespace pelko
