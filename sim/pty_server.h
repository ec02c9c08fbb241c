#pragma once
// Serves a SimLine over a pseudo-terminal: bytes the program writes reach the
// controllers at the speed the program set, and their answers go back either
// at once or, with timing on, byte by byte at the line speed. A late answer,
// and a frame a repeating fault sends again some time later, keeps its delay
// either way. Through an adapter (SimLine::SetAdapterLatencyUs) the bytes
// reach the program as the adapter hands them on.
#include <cstdint>
#include <deque>

#include "sim/pty_line.h"
#include "sim/sim_line.h"

namespace pelko {

class PtyServer {
public:
    PtyServer(SimLine& line, PtyLine& pty, bool timing) : FLine(line), FPty(pty), FTiming(timing) {}

    // Reads what the program wrote and queues the answers.
    void OnReadable();
    // Writes the answer bytes whose time has come.
    void SendDue();
    // When the next answer byte is due, on the line's clock; -1 when none.
    std::int64_t NextDueUs() const { return FOut.empty() ? -1 : FOut.front().atUs; }

private:
    struct OutByte {
        std::int64_t atUs;
        std::uint8_t value;
        std::int64_t lineEndUs;  // when its answer is over on the line's own time
        std::int64_t wireUs;     // when it came off the wire; atUs is later through an adapter
        std::uint64_t frameId;
        std::size_t index;  // within its frame
    };
    void Queue(const SimAnswer& a, std::int64_t now);

    SimLine& FLine;
    PtyLine& FPty;
    bool FTiming;
    std::int64_t FRxEndUs = 0;  // when the bytes heard so far are over on the line
    // Answers the program has been handed are over on the line by then: what
    // it sends after them starts no earlier (without timing they come at once).
    std::int64_t FAnsweredUntilUs = 0;
    // When the program's last bytes would have ended, sent at the line speed
    // from when they came: a pause it makes after that is kept on the line.
    std::int64_t FLastHeardEndUs = 0;
    std::deque<OutByte> FOut;
};

}  // namespace pelko
