#pragma once
// The loop of a program that has none of its own (tests, benchmarks, a
// fuzzer): raises the session's events on the calling thread and ticks the
// engine on its clock while a command waits on it. A window runs its own
// event loop instead; pelkoctl runs its terminal's.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

#include "engine/engine.h"
#include "link/pelko_session.h"

namespace pelko {

class TEngineLoop {
public:
    // For the session's constructor: wakes the loop when answers wait.
    TPelkoSession::Notifier Notifier();
    void Attach(TPelkoSession* session, TEngine* engine) {
        FSession = session;
        FEngine = engine;
    }

    // Runs until done() holds; false when StallLimitMs passed with nothing
    // happening, or after MaxTurns turns.
    bool RunUntil(const std::function<bool()>& done);
    // Runs the engine's command to its end; false when given up as stalled
    // (the command is cancelled then, and Stalled set).
    bool RunCommand();

    // Called with each tick's milliseconds: a virtual clock moves on (a
    // simulated line's); without it the loop waits them in real time.
    std::function<void(unsigned ms)> AdvanceClock;
    // With AdvanceClock, the real wait before each tick: long enough for the
    // worker to answer what is in flight first.
    std::chrono::microseconds VirtualTickWait{2000};
    // Called on every turn while a command runs, e.g. to hold a card to a
    // reader; CancelWhen true presses Cancel.
    std::function<void()> EachTurn;
    std::function<bool()> CancelWhen;
    // Real milliseconds without any event after which a command is given up
    // as stalled (0: wait for ever), and turns after which a runaway one is.
    unsigned StallLimitMs = 30000;
    unsigned MaxTurns = 0;

    bool Stalled = false;
    std::int64_t VirtualMs = 0;  // ticked so far

private:
    bool Turn();
    void Tick();

    TPelkoSession* FSession = nullptr;
    TEngine* FEngine = nullptr;
    std::mutex FLock;
    std::condition_variable FCond;
    bool FPending = false;
};

}  // namespace pelko
