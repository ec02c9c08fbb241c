#pragma once
// Simulated controllers served on a pseudo-terminal from a thread of this
// process, as pelko-sim serves them from a process of its own: the program's
// real serial code opens SlavePath() and talks to them as to a line.
#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "sim/pty_line.h"
#include "sim/sim_line.h"

namespace pelko {

class PtyService {
public:
    // The line must run on a RealClock: the program's port waits in real
    // time. With timing on, answers go out byte by byte at the line speed.
    PtyService(std::shared_ptr<SimLine> line, bool timing);
    ~PtyService();  // Stop()
    PtyService(const PtyService&) = delete;
    PtyService& operator=(const PtyService&) = delete;

    // Opens the pseudo-terminal and starts serving. Once per service: false
    // with a message on a second call, on a virtual clock or without a
    // pseudo-terminal.
    bool Start(std::string& error);
    // Wakes the thread at once and joins it; nothing when it is not running.
    // The pseudo-terminal stays open until destruction, so a program that
    // still holds the port only sees its reads time out. Call it from the
    // thread that called Start.
    void Stop();
    // Empty before Start.
    const std::string& SlavePath() const { return FPty.SlavePath(); }
    // The wait on the pseudo-terminal failed and the thread ended by itself.
    bool Failed() const { return FFailed.load(); }

private:
    void Run();

    std::shared_ptr<SimLine> FLine;
    bool FTiming;
    bool FStarted = false;
    PtyLine FPty;
    int FWake = -1;  // eventfd in the thread's poll set: readable once Stop is asked
    std::atomic<bool> FFailed{false};
    std::thread FThread;
};

}  // namespace pelko
