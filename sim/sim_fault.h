#pragma once
// Faults a simulated controller can be told to make, one answer at a time.
#include <cstdint>
#include <optional>
#include <string>

namespace pelko {

enum class SimFaultKind : std::uint8_t {
    Silent,        // the request is not heard: no answer, nothing done
    BadChecksum,   // the answer goes out with its last check byte spoiled
    Busy,          // the request is refused: answer ends in data byte 0x22, nothing done
    Late,          // the answer comes after `param` ms (500 when 0): past the read time-out
    OtherAddress,  // the answer carries address `param` (the next address when 0)
    NoReturn,      // not an answer fault: after a reset the controller never comes back
    Echo,          // the converter hands the host's request back before the answer
    Short,         // the answer carries one data byte (0x01) where its command has more
    // Extra frames on the wire, as from a line or converter that repeats itself:
    Twice,           // the answer goes out again `param` ms after it ends (0: back to back)
    RepeatPrevious,  // the previous answer goes out again, then this one, back to back
    Stray,           // `param` ms (600 when 0) after this answer the previous one goes out again
};

struct SimFault {
    SimFaultKind kind = SimFaultKind::Silent;
    double rate = 1.0;   // chance that a matching answer is spoiled
    int skip = 0;        // matching answers let through before the fault starts
    int count = -1;      // answers it spoils; -1 = no end
    int command = -1;    // request command it applies to; -1 = every command
    std::uint32_t param = 0;
};

const char* FaultKindName(SimFaultKind kind);
std::optional<SimFaultKind> ParseFaultKind(const std::string& name);

// KIND[:RATE[:PARAM]] e.g. "silent", "late:0.5:800", "busy:1". Also
// "KIND@CMD..." restricts the fault to one command byte given in hex.
std::optional<SimFault> ParseFault(const std::string& text);

}  // namespace pelko
