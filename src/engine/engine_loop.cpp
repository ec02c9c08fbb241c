#include "engine/engine_loop.h"

#include <chrono>
#include <thread>

namespace pelko {

TPelkoSession::Notifier TEngineLoop::Notifier() {
    return [this] {
        std::lock_guard lock(FLock);
        FPending = true;
        FCond.notify_one();
    };
}

void TEngineLoop::Tick() {
    VirtualMs += kTimerMs;
    if (AdvanceClock) AdvanceClock(kTimerMs);
    if (FEngine != nullptr) FEngine->Tick();
}

bool TEngineLoop::Turn() {
    const bool ticking = FEngine != nullptr && FEngine->Ticking();
    const std::chrono::microseconds wait =
        ticking ? (AdvanceClock ? VirtualTickWait : std::chrono::milliseconds(kTimerMs))
                : std::chrono::milliseconds(StallLimitMs ? StallLimitMs : 1000);
    bool woken = false;
    {
        std::unique_lock lock(FLock);
        woken = FCond.wait_for(lock, wait, [this] { return FPending; });
        FPending = false;
    }
    if (FSession) FSession->Dispatch();
    if (woken) return true;
    if (ticking) {
        Tick();
        return true;
    }
    return StallLimitMs == 0;
}

bool TEngineLoop::RunUntil(const std::function<bool()>& done) {
    if (FSession) FSession->Dispatch();
    unsigned turns = 0;
    while (!done()) {
        if (MaxTurns != 0 && ++turns > MaxTurns) return false;
        if (!Turn()) return false;
    }
    return true;
}

bool TEngineLoop::RunCommand() {
    if (FEngine == nullptr) return true;
    const bool ended = RunUntil([this] {
        if (!FEngine->Busy()) return true;
        if (EachTurn) EachTurn();
        if (CancelWhen && CancelWhen()) FEngine->Cancel();
        return !FEngine->Busy();
    });
    if (ended) return true;
    // Given up: the command is ended the way a user's Cancel would, as far
    // as it can be without its answer.
    Stalled = true;
    FEngine->Cancel();
    return false;
}

}  // namespace pelko
