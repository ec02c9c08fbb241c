#pragma once
// A simulated RS-485 line: the controllers on it, what they hear and what they
// answer. Every method may be called from any thread; one lock guards the
// controllers, the faults and the log.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <vector>

#include "link/baud_rate.h"
#include "link/bytes.h"
#include "sim/sim_clock.h"
#include "sim/sim_controller.h"
#include "sim/sim_fault.h"
#include "sim/sim_framer.h"
#include "sim/sim_log.h"

namespace pelko {

using SimControllerId = std::uint32_t;

// Between the end of a request and the first byte of the answer: what a real
// controller plausibly needs, longer than the host's usual 400 us hold, so a
// host that keeps the line too long loses the answer's first bytes.
inline constexpr std::int64_t kDefaultTurnaroundUs = 1000;

// A frame as it goes on the line: its first byte starts at startUs, the
// next ones follow byteUs apart.
struct SimAnswer {
    std::int64_t startUs = 0;
    std::int64_t byteUs = 0;
    Bytes bytes;
    // Of startUs, what a late-answer fault, a busy controller and the gap
    // before a repeated frame added: pelko-sim without --timing keeps it.
    std::int64_t delayUs = 0;
    bool echo = false;  // the host's own bytes, handed back by the converter
    // The line's number for the frame. With `replaces`, a frame handed out by
    // an earlier Transmit met a later one on the wire: these bytes take the
    // place of what of it has not arrived yet.
    std::uint64_t frameId = 0;
    bool replaces = false;
};

// One byte on its way to the host's receiver.
struct SimRxByte {
    std::int64_t atUs;  // when the byte is complete in the receiver
    std::int64_t startUs;
    std::uint8_t value;
    bool echo;
    std::int64_t hostUs;  // when the host's port has it: atUs, or later through an adapter
    std::uint64_t frameId = 0;
    std::size_t index = 0;  // within its frame
};

class SimLine {
public:
    explicit SimLine(std::shared_ptr<SimClock> clock = std::make_shared<VirtualClock>(),
                     std::uint64_t seed = 1);

    SimClock& Clock() const { return *FClock; }
    const std::shared_ptr<SimClock>& ClockPtr() const { return FClock; }

    // Controllers. Ids stay valid while the controller moves address or speed.
    SimControllerId Add(const SimControllerSetup& setup);
    bool Remove(SimControllerId id);
    // Unplugged controllers keep their memory and come back as they were.
    bool Unplug(SimControllerId id);
    bool Plug(SimControllerId id);
    std::vector<SimControllerId> Ids() const;
    // Plugged-in controllers whose address is adr now.
    std::vector<SimControllerId> FindByAdr(std::uint8_t adr) const;
    std::optional<SimController> Snapshot(SimControllerId id) const;
    bool IsPlugged(SimControllerId id) const;
    // Runs fn(SimController&) under the line's lock; false when id is unknown.
    template <typename Fn>
    bool With(SimControllerId id, Fn&& fn) {
        std::lock_guard lock(FLock);
        Slot* s = Find(id);
        if (s) fn(s->ctrl);
        return s != nullptr;
    }
    bool PresentCard(SimControllerId id, const SimCode& code);
    bool RemoveCard(SimControllerId id);
    bool SetButton(SimControllerId id, bool on);

    // Faults, drawn from one generator per line: the same seed and the same
    // traffic give the same faults.
    bool AddFault(SimControllerId id, const SimFault& fault);
    bool ClearFaults(SimControllerId id);
    void Reseed(std::uint64_t seed);

    // Delay between the end of a request and the first byte of its answer.
    void SetTurnaroundUs(std::int64_t us);
    // A converter that hears its own transmitter: every byte the host sends
    // comes back to it, whoever the frame is for.
    void SetEcho(bool on);
    bool Echo() const;
    // The host's port is on a USB adapter that holds what it receives for
    // this long (sim_adapter.h); 0, the default: no adapter. Set it to 1 ms
    // for a program that asked for low latency.
    void SetAdapterLatencyUs(std::int64_t us);
    std::int64_t AdapterLatencyUs() const;

    // The host's port goes away (an unplugged adapter): every later read and
    // write on it fails. Plug it back with SetPortLost(false).
    void SetPortLost(bool lost);
    bool PortLost() const;
    // The port goes away once `writes` more host writes have reached the
    // line (the last of them is heard, its answer never read): a test's way
    // to pull the adapter at an exact point under a running operation.
    void LosePortAfterWrites(std::size_t writes);

    // Bytes the host sends at baud, the first starting at startUs. Returns the
    // frames they draw, in time order, and frames handed out before that a
    // new one collided with (`replaces`).
    std::vector<SimAnswer> Transmit(const std::uint8_t* data, std::size_t n, std::uint32_t baud,
                                    std::int64_t startUs);

    // Frame log: the newest `limit` entries are kept.
    std::vector<SimLogEntry> Log() const;
    void ClearLog();
    void SetLogLimit(std::size_t limit);
    std::size_t DroppedBytes() const;
    // Called with every new log entry, under the line's lock: the sink must
    // not call back into the line.
    void SetLogSink(std::function<void(const SimLogEntry&)> sink);

    // One port at a time may be open on the line. Bytes still on the wire
    // when a port closes reach the next one opened in time, as on a real
    // line whose program closes and reopens its port.
    bool TryAttach();
    void Detach(std::deque<SimRxByte> inFlight = {});
    std::deque<SimRxByte> TakeInFlight();

private:
    struct Slot {
        SimControllerId id = 0;
        SimController ctrl;
        bool plugged = true;
        std::vector<SimFault> faults;
        // One frame at a time: a frame heard before the answer to the last
        // one has gone out waits until then. Only the answer counts here;
        // what is on the wire is FWire's.
        std::int64_t busyUntilUs = 0;
        Bytes lastAnswer;  // as it went out, refusals too: what the repeating faults send again
    };
    struct Heard {
        Bytes answer;
        std::int64_t delayUs = 0;
        std::string note;
        bool echo = false;
        std::optional<SimFaultKind> extra;  // Twice, RepeatPrevious or Stray
        std::int64_t extraGapUs = 0;
    };
    // A frame some controller drives on the wire. The wire is kept apart from
    // the controllers' busy time: a stray frame seconds ahead blocks host
    // frames and collides with answers only while it is actually on the
    // wire, and keeps nobody from handling frames meanwhile.
    struct WireFrame {
        SimAnswer frame;
        std::uint32_t baud = 0;
        std::string note;
        std::vector<SimControllerId> drivers;
        bool handedOut = false;  // by an earlier Transmit
        std::int64_t EndUs() const {
            return frame.startUs + static_cast<std::int64_t>(frame.bytes.size()) * frame.byteUs;
        }
    };
    // One frame a controller puts out for a request, in order.
    struct Outgoing {
        Bytes bytes;
        std::int64_t gapUs = 0;  // after the end of the frame before it
        bool isAnswer = false;   // the answer itself, not a repeated frame
    };

    Slot* Find(SimControllerId id);
    const Slot* Find(SimControllerId id) const;
    void OnFrame(const SimFramer::Frame& f, std::uint32_t baud, std::vector<SimAnswer>& out,
                 std::vector<std::size_t>& sent);
    std::optional<Heard> Serve(Slot& s, const Bytes& frame, std::int64_t nowUs);
    SimFault* DrawFault(Slot& s, std::uint8_t cmd);
    void Spoil(SimFault& f, Heard& h);
    static std::vector<Outgoing> Plan(const Heard& h, const Bytes& previous);
    void Send(Slot& s, const std::vector<Outgoing>& frames, std::int64_t firstUs, std::int64_t firstDelayUs,
              std::uint32_t baud, const std::string& note, std::vector<std::size_t>& sent);
    std::int64_t OwnFreeFromUs(SimControllerId id, std::int64_t startUs, std::int64_t lengthUs) const;
    std::size_t PutOnWire(SimAnswer a, std::uint32_t baud, const std::string& note, SimControllerId driver);
    void AddLog(SimLogEntry e);

    std::shared_ptr<SimClock> FClock;
    mutable std::mutex FLock;
    std::vector<Slot> FSlots;
    SimControllerId FNextId = 1;
    std::mt19937_64 FRng;
    SimFramer FFramer;
    std::uint32_t FFramerBaud = 0;
    std::int64_t FTurnaroundUs = kDefaultTurnaroundUs;
    bool FEcho = false;
    std::int64_t FAdapterLatencyUs = 0;
    bool FPortLost = false;
    std::size_t FWritesToLoss = 0;  // 0: no loss planned
    std::deque<SimLogEntry> FLog;
    std::size_t FLogLimit = 200000;
    std::function<void(const SimLogEntry&)> FLogSink;
    bool FAttached = false;
    std::deque<SimRxByte> FInFlight;
    std::vector<WireFrame> FWire;  // frames that may still meet a host frame or a later answer
    std::uint64_t FNextFrameId = 1;
};

}  // namespace pelko
