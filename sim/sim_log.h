#pragma once
// What went over a simulated line: every write of the host and every answer.
#include <cstdint>
#include <string>

#include "link/bytes.h"

namespace pelko {

struct SimLogEntry {
    std::int64_t timeUs = 0;  // first byte on the line
    std::uint32_t baud = 0;
    bool fromHost = true;     // false: an answer of the controllers
    Bytes bytes;
    std::string note;         // fault or collision that shaped an answer, else empty
};

// "> 9600 01 05 FE C6 14" for the host, "< 9600 01 06 FF 01 .. .." for answers,
// the note in brackets after the bytes.
std::string FormatLogEntry(const SimLogEntry& e);
// The bytes in hex, two digits each, joined by separator. Named apart from
// link's HexBytes: a file that sees both would find a call ambiguous.
std::string JoinedHex(const Bytes& b, const char* separator = " ");

}  // namespace pelko
