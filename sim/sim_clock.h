#pragma once
// The time base of a simulated line. Controllers use it for their restart
// delay, the in-process port for when answer bytes arrive. A virtual clock
// only moves when someone waits on it, so tests cost no wall-clock time; the
// real clock is the monotonic clock and waiting on it sleeps.
#include <atomic>
#include <cstdint>

namespace pelko {

class SimClock {
public:
    virtual ~SimClock() = default;
    virtual std::int64_t NowUs() = 0;
    // Return once NowUs() >= us. A virtual clock jumps there at once.
    virtual void WaitUntilUs(std::int64_t us) = 0;
    virtual bool IsVirtual() const = 0;
};

// Virtual time shared by every thread: it never goes back, and a wait moves it
// forward to the later of its current value and the target.
class VirtualClock : public SimClock {
public:
    explicit VirtualClock(std::int64_t startUs = 0) : FNow(startUs) {}
    std::int64_t NowUs() override { return FNow.load(); }
    void WaitUntilUs(std::int64_t us) override;
    bool IsVirtual() const override { return true; }
    void AdvanceUs(std::int64_t deltaUs) { WaitUntilUs(NowUs() + deltaUs); }

private:
    std::atomic<std::int64_t> FNow;
};

class RealClock : public SimClock {
public:
    std::int64_t NowUs() override;
    void WaitUntilUs(std::int64_t us) override;
    bool IsVirtual() const override { return false; }
};

}  // namespace pelko
