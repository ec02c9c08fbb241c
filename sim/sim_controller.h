#pragma once
// One simulated controller: what it stores and how it answers the command set.
// Plain data, not thread-safe; SimLine guards every controller it holds.
#include <array>
#include <cstdint>
#include <limits>

#include "link/bytes.h"

namespace pelko {

using SimCode = std::array<std::uint8_t, 5>;
using SimConfig = std::array<std::uint8_t, 5>;

// The password a controller has when it leaves the factory and after a reset;
// the program's built-in common password is the same five bytes.
inline constexpr SimCode kFactoryPassword{0x11, 0x22, 0x33, 0x44, 0x55};
inline constexpr SimCode kNoCode{0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
inline constexpr std::uint16_t kSimCellCount = 1010;
inline constexpr std::int64_t kDefaultRestartUs = 3'000'000;
inline constexpr std::int64_t kNeverUs = std::numeric_limits<std::int64_t>::max();

// Speed code of the parameter block (1 = 2400 ... 7 = 115200); 0 / 0 when unknown.
std::uint32_t BaudOfSpeedCode(std::uint8_t code);
std::uint8_t SpeedCodeOfBaud(std::uint32_t baud);
// Parameters of a controller fresh from the factory, at adr and baud.
SimConfig FactoryConfig(std::uint8_t adr, std::uint32_t baud);

struct SimControllerSetup {
    std::uint8_t adr = 1;
    std::uint32_t baud = 9600;  // one of the seven line speeds
    SimCode password = kFactoryPassword;
    SimCode factoryPassword = kFactoryPassword;
    std::int64_t restartUs = kDefaultRestartUs;  // silence after a reset
    std::int64_t answerDelayUs = 0;  // a slow controller: added to the line's turnaround, every answer
};

class SimController {
public:
    explicit SimController(const SimControllerSetup& setup = {});

    std::uint8_t Adr() const { return FConfig[2]; }
    std::uint32_t Baud() const { return FBaud; }
    const SimCode& Password() const { return FPassword; }
    const SimCode& FactoryPassword() const { return FSetup.factoryPassword; }
    const SimConfig& Config() const { return FConfig; }
    bool LoggedIn() const { return FLoggedIn; }
    std::uint16_t UsedCells() const;
    const SimCode& Cell(std::uint16_t n) const { return FCells.at(n); }
    void SetCell(std::uint16_t n, const SimCode& code) { FCells.at(n) = code; }

    void PresentCard(const SimCode& code) { FCard = code; }
    void RemoveCard() { FCard = kNoCode; }
    bool HasCard() const { return FCard != kNoCode; }
    const SimCode& Card() const { return FCard; }
    void SetButton(bool on) { FButton = on; }
    bool Button() const { return FButton; }

    // After a reset the controller is deaf until its restart is over; with
    // neverReturns it stays deaf for good (a unit that died in the reset).
    void SetNeverReturns(bool v) { FNeverReturns = v; }
    bool NeverReturns() const { return FNeverReturns; }
    std::int64_t AnswerDelayUs() const { return FSetup.answerDelayUs; }
    void SetAnswerDelayUs(std::int64_t us) { FSetup.answerDelayUs = us; }
    bool Listening(std::int64_t nowUs) const { return nowUs >= FRestartUntilUs; }
    bool Restarting(std::int64_t nowUs) const { return !Listening(nowUs); }

    // A request frame with a good checksum, heard at the controller's address
    // and speed when it was complete at nowUs. Returns the answer frame with its
    // checksum, or nothing (empty) when the controller keeps silent. Changes of
    // address, speed and the reset take effect after the answer.
    Bytes Handle(const Bytes& frame, std::int64_t nowUs);
    // The answer a controller gives to a request it will not carry out.
    static Bytes Refusal(std::uint8_t adr, std::uint8_t cmd);
    // An answer with a single data byte, which the link accepts as it comes.
    static Bytes ShortAnswer(std::uint8_t adr, std::uint8_t cmd);

private:
    Bytes Answer(std::uint8_t cmd, const Bytes& data) const;
    Bytes Dispatch(const Bytes& frame, std::int64_t nowUs);
    Bytes Login(const Bytes& frame);
    Bytes ReadCell(const Bytes& frame);
    Bytes WriteCell(const Bytes& frame);
    Bytes ChangePassword(const Bytes& frame);
    Bytes WriteConfig(const Bytes& frame);
    Bytes ReadConfig(const Bytes& frame);
    Bytes Reset(const Bytes& frame, std::int64_t nowUs);
    Bytes CardPoll(const Bytes& frame);
    void FactoryState();

    SimControllerSetup FSetup;
    std::uint32_t FBaud = 9600;
    SimCode FPassword{};
    SimConfig FConfig{};
    std::array<SimCode, kSimCellCount> FCells{};
    bool FLoggedIn = false;
    SimCode FCard = kNoCode;
    bool FButton = false;
    bool FNeverReturns = false;
    std::int64_t FRestartUntilUs = std::numeric_limits<std::int64_t>::min();
};

}  // namespace pelko
