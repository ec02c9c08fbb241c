#pragma once
// How long a fast search waits after a probe: learned from the line. Every
// answer that reaches the worker tells how long the controllers took from
// the end of a request to the first byte of their answer, at that speed on
// this port (converter and driver included). The wait is the slowest of the
// recent answers plus the answer's own bytes and a margin, never shorter than
// the bytes and the margin, never longer than the settings' full time-out.
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>

namespace pelko {

class AnswerWait {
public:
    // Answers remembered per speed: an old slow one is forgotten after this many.
    static constexpr std::size_t kKept = 32;

    void Note(std::int32_t baud, std::int64_t latencyUs);
    // The slowest recent latency at baud; -1 when none was seen.
    std::int64_t LearnedUs(std::int32_t baud) const;
    // The wait after a probe at baud, from the end of the frame to giving up.
    std::int64_t ProbeWaitUs(std::int32_t baud, std::int64_t fullUs) const;
    void Clear();

private:
    mutable std::mutex FLock;  // the worker notes; tests and benches read
    std::map<std::int32_t, std::deque<std::int64_t>> FSeen;
};

// The floor of the wait: a probe answer's bytes at the line speed plus the
// margin a controller needs to start (and a driver to hand the bytes on).
std::int64_t ProbeAnswerFloorUs(std::int32_t baud);

}  // namespace pelko
