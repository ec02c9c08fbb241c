#pragma once
// A scripted stand-in for the serial line: controllers that answer probes,
// card polls, button polls and any other command, a log of every frame the
// worker wrote, and a clock that never waits.
#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "link/bytes.h"
#include "link/link_timing.h"
#include "link/serial_port.h"

namespace pelko::test {

// Virtual microseconds: sleeps and holds move the clock and return at once.
class FakeTiming : public LinkTiming {
public:
    std::int64_t nowUs() override { return FNow.load(); }
    void sleepMs(unsigned ms) override { FNow += static_cast<std::int64_t>(ms) * 1000; }
    void waitUntilUs(std::int64_t untilUs) override;

private:
    std::atomic<std::int64_t> FNow{1000000};
};

// Answer frame (with checksum) from address, command and data.
Bytes MakeAnswer(std::uint8_t adr, std::uint8_t cmd, const Bytes& data);

struct FakeController {
    bool silent = false;
    std::optional<Bytes> card;  // five code bytes at the reader, if any
    std::uint8_t button = 0;  // the byte the button poll answers with
};

// What the port did, with the virtual time it happened at.
struct PortOp {
    std::string name;  // "dtr0" "dtr1" "rts0" "rts1" "driver-rts" "purge" "look" "write" "read"
    std::int64_t atUs;
};

class FakeBus {
public:
    explicit FakeBus(std::shared_ptr<FakeTiming> timing) : FTiming(std::move(timing)) {}

    // Replies in chunks: each chunk is what one read can get at most; an
    // empty list is silence. Consulted before the controllers.
    using Script = std::function<std::vector<Bytes>(const Bytes& frame)>;

    void SetController(std::uint8_t adr, FakeController c);
    void RemoveController(std::uint8_t adr);
    void SetSilent(std::uint8_t adr, bool silent);
    void SetCard(std::uint8_t adr, std::optional<Bytes> card);
    void SetButton(std::uint8_t adr, std::uint8_t state);
    void SetScript(Script s);
    // A read that finds nothing waits this long in real time first (a
    // time-out that takes a while); 0 returns at once.
    void SetSlowReadMs(int ms);
    // The next `times` writes report one byte fewer than they were given.
    void SetShortWrites(int times) { FShortWrites = times; }
    bool TakeShortWrite() { int n = FShortWrites; return n > 0 && FShortWrites.compare_exchange_strong(n, n - 1); }
    bool ReadStarted() const { return FReadStarted.load(); }
    // Ports opened from now on offer a driver that keys the converter.
    void SetDriverSwitching(bool on) { FDriverSwitching = on; }
    bool DriverSwitching() const { return FDriverSwitching.load(); }
    // While held, a read that finds nothing waits until the hold is lifted
    // (a line whose time-out has not come yet).
    void HoldSilentReads(bool hold);
    void WaitWhileHeld() const;

    std::vector<Bytes> Frames() const;
    std::vector<PortOp> Ops() const;
    std::vector<std::uint32_t> Bauds() const;
    // Addresses of the frames carrying the given command, in order.
    std::vector<std::uint8_t> AddressesOf(std::uint8_t cmd) const;
    std::size_t CountOf(std::uint8_t adr, std::uint8_t cmd) const;
    // Blocks until pred holds over the frames (checked after each frame).
    void WaitFrames(const std::function<bool(const std::vector<Bytes>&)>& pred) const;

    // Port side.
    std::vector<Bytes> OnFrame(const Bytes& frame);
    void Log(const std::string& op);
    void ReadStarting() { FReadStarted = true; }
    int SlowReadMs() const { return FSlowReadMs.load(); }

    void RecordBaud(std::uint32_t baud);

private:
    std::vector<Bytes> ControllerReply(const Bytes& frame);

    std::shared_ptr<FakeTiming> FTiming;
    mutable std::mutex FLock;
    mutable std::condition_variable FCond;
    std::vector<std::uint32_t> FBauds;
    std::map<std::uint8_t, FakeController> FControllers;
    Script FScript;
    std::vector<Bytes> FFrames;
    std::vector<PortOp> FOps;
    std::atomic<int> FSlowReadMs{0};
    std::atomic<int> FShortWrites{0};
    std::atomic<bool> FReadStarted{false};
    std::atomic<bool> FDriverSwitching{false};
    bool FHold = false;
};

class FakePort : public SerialPort {
public:
    explicit FakePort(std::shared_ptr<FakeBus> bus) : FBus(std::move(bus)) {}
    bool setBaudRate(std::uint32_t baud) override;
    void setTimeouts(const PortTimeouts&) override {}
    void purge() override;
    std::size_t write(const std::uint8_t* data, std::size_t n) override;
    std::size_t read(std::uint8_t* buf, std::size_t n) override;
    std::size_t readArrived(std::uint8_t* buf, std::size_t n) override;
    void setDtr(bool on) override { FBus->Log(on ? "dtr1" : "dtr0"); }
    void setRts(bool on) override { FBus->Log(on ? "rts1" : "rts0"); }
    bool setDriverRtsSwitching(std::uint32_t) override {
        FBus->Log("driver-rts");
        return FBus->DriverSwitching();
    }

private:
    std::shared_ptr<FakeBus> FBus;
    std::vector<Bytes> FPending;  // chunks not yet read, front first
};

// An opener that hands out FakePorts on the bus; fails while *refuse is set.
PortOpener FakeOpener(std::shared_ptr<FakeBus> bus, std::shared_ptr<std::atomic<bool>> refuse = {});

}  // namespace pelko::test
