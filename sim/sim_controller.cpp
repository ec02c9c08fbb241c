#include "sim/sim_controller.h"

#include <algorithm>

#include "link/baud_rate.h"
#include "link/frame.h"

namespace pelko {
namespace {


constexpr std::uint8_t kCmdLogin = 0x24;
constexpr std::uint8_t kCmdReadCell = 0x20;
constexpr std::uint8_t kCmdWriteCell = 0x22;
constexpr std::uint8_t kCmdChangePass = 0x26;
constexpr std::uint8_t kCmdWriteConfig = 0x34;
constexpr std::uint8_t kCmdReadConfig = 0x36;
constexpr std::uint8_t kCmdReset = 0x28;

constexpr std::uint8_t kYes = 0xFF;
constexpr std::uint8_t kNo = 0x00;
constexpr std::uint8_t kBusy = 0x22;
constexpr std::uint8_t kProbeData = 0x01;    // what the probe answers; never examined
constexpr std::uint8_t kCardTail = 0x00;     // the byte after the code in a card poll answer

// Frame length byte each command must carry.
std::uint8_t ExpectedLength(std::uint8_t cmd) {
    switch (cmd) {
        case kCmdProbe: case kCmdCardPoll: case kCmdButtonPoll: case kCmdReadConfig: return 0x05;
        case kCmdReadCell: return 0x07;
        case kCmdLogin: case kCmdWriteConfig: case kCmdReset: return 0x0A;
        case kCmdWriteCell: return 0x0C;
        case kCmdChangePass: return 0x0F;
        default: return 0;
    }
}

SimCode CodeAt(const Bytes& frame, std::size_t at) {
    SimCode c{};
    std::copy_n(frame.begin() + static_cast<std::ptrdiff_t>(at), c.size(), c.begin());
    return c;
}

std::uint16_t CellAt(const Bytes& frame) {
    return static_cast<std::uint16_t>(frame[3] | frame[4] << 8);
}

Bytes Join(const SimCode& code, std::uint8_t tail) {
    Bytes b(code.begin(), code.end());
    b.push_back(tail);
    return b;
}

}  // namespace

std::uint32_t BaudOfSpeedCode(std::uint8_t code) {
    return code >= 1 && code <= kStandardBauds.size() ? kStandardBauds[code - 1] : 0;
}

std::uint8_t SpeedCodeOfBaud(std::uint32_t baud) {
    for (std::size_t i = 0; i < kStandardBauds.size(); ++i)
        if (kStandardBauds[i] == baud) return static_cast<std::uint8_t>(i + 1);
    return 0;
}

SimConfig FactoryConfig(std::uint8_t adr, std::uint32_t baud) {
    return {0x0F, SpeedCodeOfBaud(baud), adr, 0x10, 0xA9};
}

SimController::SimController(const SimControllerSetup& setup) : FSetup(setup) {
    FactoryState();
    FBaud = SpeedCodeOfBaud(setup.baud) ? setup.baud : 9600;
    FConfig = FactoryConfig(setup.adr, FBaud);
    FPassword = setup.password;
}

void SimController::FactoryState() {
    FBaud = 9600;
    FConfig = FactoryConfig(1, FBaud);
    FPassword = FSetup.factoryPassword;
    FCells.fill(kNoCode);
    FLoggedIn = false;
}

std::uint16_t SimController::UsedCells() const {
    return static_cast<std::uint16_t>(
        std::count_if(FCells.begin(), FCells.end(), [](const SimCode& c) { return c != kNoCode; }));
}

Bytes SimController::Refusal(std::uint8_t adr, std::uint8_t cmd) {
    return BuildFrame(Bytes{adr, 0x06, static_cast<std::uint8_t>(cmd + 1), kBusy});
}

Bytes SimController::ShortAnswer(std::uint8_t adr, std::uint8_t cmd) {
    return BuildFrame(Bytes{adr, 0x06, static_cast<std::uint8_t>(cmd + 1), 0x01});
}

Bytes SimController::Answer(std::uint8_t cmd, const Bytes& data) const {
    return BuildFrame(MakeBody(Adr(), static_cast<std::uint8_t>(cmd + 1), data));
}

Bytes SimController::Handle(const Bytes& frame, std::int64_t nowUs) {
    if (frame.size() < 5 || frame[1] != frame.size() || frame[0] != Adr() || !Listening(nowUs))
        return {};
    if (Crc16(frame.data(), frame.size() - 2) != (frame[frame.size() - 2] << 8 | frame.back()))
        return {};
    const std::uint8_t cmd = frame[2];
    if (cmd == 0xFF) return {};  // its answer code would not fit in a byte
    if (ExpectedLength(cmd) != frame.size()) return Refusal(Adr(), cmd);
    return Dispatch(frame, nowUs);
}

Bytes SimController::Dispatch(const Bytes& frame, std::int64_t nowUs) {
    switch (frame[2]) {
        case kCmdProbe: return Answer(kCmdProbe, {kProbeData});
        case kCmdCardPoll: return CardPoll(frame);
        case kCmdButtonPoll: return Answer(kCmdButtonPoll, {static_cast<std::uint8_t>(FButton ? 1 : 0)});
        case kCmdLogin: return Login(frame);
        case kCmdReadCell: return ReadCell(frame);
        case kCmdWriteCell: return WriteCell(frame);
        case kCmdChangePass: return ChangePassword(frame);
        case kCmdWriteConfig: return WriteConfig(frame);
        case kCmdReadConfig: return ReadConfig(frame);
        case kCmdReset: return Reset(frame, nowUs);
        default: return Refusal(Adr(), frame[2]);
    }
}

Bytes SimController::CardPoll(const Bytes&) { return Answer(kCmdCardPoll, Join(FCard, kCardTail)); }

// A wrong password also closes a controller that was open.
Bytes SimController::Login(const Bytes& frame) {
    FLoggedIn = CodeAt(frame, 3) == FPassword;
    return Answer(kCmdLogin, {FLoggedIn ? kYes : kNo});
}

Bytes SimController::ReadCell(const Bytes& frame) {
    const std::uint16_t n = CellAt(frame);
    if (!FLoggedIn || n >= kSimCellCount) return Refusal(Adr(), frame[2]);
    const SimCode& c = FCells[n];
    return Answer(kCmdReadCell, Bytes(c.begin(), c.end()));
}

Bytes SimController::WriteCell(const Bytes& frame) {
    const std::uint16_t n = CellAt(frame);
    if (!FLoggedIn || n >= kSimCellCount) return Refusal(Adr(), frame[2]);
    FCells[n] = CodeAt(frame, 5);
    return Answer(kCmdWriteCell, {kYes});
}

// The old password is the credential; no login is needed.
Bytes SimController::ChangePassword(const Bytes& frame) {
    if (CodeAt(frame, 3) != FPassword) return Answer(kCmdChangePass, {kNo});
    FPassword = CodeAt(frame, 8);
    return Answer(kCmdChangePass, {kYes});
}

Bytes SimController::WriteConfig(const Bytes& frame) {
    if (!FLoggedIn) return Refusal(Adr(), frame[2]);
    const SimConfig block = CodeAt(frame, 3);
    const std::uint32_t baud = BaudOfSpeedCode(block[1] & 0x0F);
    if (baud == 0 || block[2] == 0 || block[2] == 0xFF) return Answer(kCmdWriteConfig, {kNo});
    Bytes answer = Answer(kCmdWriteConfig, {kYes});  // still from the old address
    FConfig = block;
    FBaud = baud;
    return answer;
}

Bytes SimController::ReadConfig(const Bytes& frame) {
    if (!FLoggedIn) return Refusal(Adr(), frame[2]);
    return Answer(kCmdReadConfig, Join(FConfig, kYes));
}

// Needs no login: the text "reset" is the safeguard.
Bytes SimController::Reset(const Bytes& frame, std::int64_t nowUs) {
    static constexpr SimCode kText{'r', 'e', 's', 'e', 't'};
    if (CodeAt(frame, 3) != kText) return Answer(kCmdReset, {kNo});
    Bytes answer = Answer(kCmdReset, {kYes});
    FactoryState();
    FRestartUntilUs = FNeverReturns || FSetup.restartUs >= kNeverUs - nowUs ? kNeverUs
                                                                            : nowUs + FSetup.restartUs;
    return answer;
}

}  // namespace pelko
