#include "sim/sim_line.h"

#include <algorithm>
#include <utility>

#include "link/frame.h"

namespace pelko {
namespace {

constexpr std::int64_t kDefaultLateMs = 500;
constexpr std::int64_t kDefaultStrayMs = 600;
// How long a frame is remembered after it left the wire: longer than any
// host frame can last, so that one fed in pieces still finds what it met.
constexpr std::int64_t kWireMemoryUs = 1'000'000;

// Uniform in [0, 1) from the top 53 bits: the same on every standard library.
double Draw(std::mt19937_64& rng) { return static_cast<double>(rng() >> 11) * 0x1.0p-53; }

Bytes Reframe(const Bytes& frame) {
    return BuildFrame(Bytes(frame.begin(), frame.end() - 2));
}

}  // namespace

SimLine::SimLine(std::shared_ptr<SimClock> clock, std::uint64_t seed)
    : FClock(std::move(clock)), FRng(seed) {}

SimLine::Slot* SimLine::Find(SimControllerId id) {
    for (Slot& s : FSlots)
        if (s.id == id) return &s;
    return nullptr;
}

const SimLine::Slot* SimLine::Find(SimControllerId id) const {
    for (const Slot& s : FSlots)
        if (s.id == id) return &s;
    return nullptr;
}

SimControllerId SimLine::Add(const SimControllerSetup& setup) {
    std::lock_guard lock(FLock);
    FSlots.push_back(Slot{FNextId, SimController(setup), true, {}, 0, {}});
    return FNextId++;
}

bool SimLine::Remove(SimControllerId id) {
    std::lock_guard lock(FLock);
    const auto it = std::find_if(FSlots.begin(), FSlots.end(), [id](const Slot& s) { return s.id == id; });
    if (it == FSlots.end()) return false;
    FSlots.erase(it);
    return true;
}

bool SimLine::Unplug(SimControllerId id) {
    std::lock_guard lock(FLock);
    Slot* s = Find(id);
    if (s) s->plugged = false;
    return s != nullptr;
}

bool SimLine::Plug(SimControllerId id) {
    std::lock_guard lock(FLock);
    Slot* s = Find(id);
    if (s) s->plugged = true;
    return s != nullptr;
}

bool SimLine::IsPlugged(SimControllerId id) const {
    std::lock_guard lock(FLock);
    const Slot* s = Find(id);
    return s && s->plugged;
}

std::vector<SimControllerId> SimLine::Ids() const {
    std::lock_guard lock(FLock);
    std::vector<SimControllerId> ids;
    for (const Slot& s : FSlots) ids.push_back(s.id);
    return ids;
}

std::vector<SimControllerId> SimLine::FindByAdr(std::uint8_t adr) const {
    std::lock_guard lock(FLock);
    std::vector<SimControllerId> ids;
    for (const Slot& s : FSlots)
        if (s.plugged && s.ctrl.Adr() == adr) ids.push_back(s.id);
    return ids;
}

std::optional<SimController> SimLine::Snapshot(SimControllerId id) const {
    std::lock_guard lock(FLock);
    const Slot* s = Find(id);
    if (!s) return std::nullopt;
    return s->ctrl;
}

bool SimLine::PresentCard(SimControllerId id, const SimCode& code) {
    return With(id, [&](SimController& c) { c.PresentCard(code); });
}

bool SimLine::RemoveCard(SimControllerId id) {
    return With(id, [](SimController& c) { c.RemoveCard(); });
}

bool SimLine::SetButton(SimControllerId id, bool on) {
    return With(id, [on](SimController& c) { c.SetButton(on); });
}

bool SimLine::AddFault(SimControllerId id, const SimFault& fault) {
    std::lock_guard lock(FLock);
    Slot* s = Find(id);
    if (!s) return false;
    if (fault.kind == SimFaultKind::NoReturn)
        s->ctrl.SetNeverReturns(true);
    else
        s->faults.push_back(fault);
    return true;
}

bool SimLine::ClearFaults(SimControllerId id) {
    std::lock_guard lock(FLock);
    Slot* s = Find(id);
    if (!s) return false;
    s->faults.clear();
    s->ctrl.SetNeverReturns(false);
    return true;
}

void SimLine::Reseed(std::uint64_t seed) {
    std::lock_guard lock(FLock);
    FRng.seed(seed);
}

void SimLine::SetTurnaroundUs(std::int64_t us) {
    std::lock_guard lock(FLock);
    FTurnaroundUs = us;
}

void SimLine::SetEcho(bool on) {
    std::lock_guard lock(FLock);
    FEcho = on;
}

void SimLine::SetAdapterLatencyUs(std::int64_t us) {
    std::lock_guard lock(FLock);
    FAdapterLatencyUs = us;
}

std::int64_t SimLine::AdapterLatencyUs() const {
    std::lock_guard lock(FLock);
    return FAdapterLatencyUs;
}

bool SimLine::Echo() const {
    std::lock_guard lock(FLock);
    return FEcho;
}

void SimLine::SetPortLost(bool lost) {
    std::lock_guard lock(FLock);
    FPortLost = lost;
}

bool SimLine::PortLost() const {
    std::lock_guard lock(FLock);
    return FPortLost;
}

void SimLine::LosePortAfterWrites(std::size_t writes) {
    std::lock_guard lock(FLock);
    FWritesToLoss = writes;
}

std::vector<SimAnswer> SimLine::Transmit(const std::uint8_t* data, std::size_t n, std::uint32_t baud,
                                         std::int64_t startUs) {
    std::lock_guard lock(FLock);
    AddLog({startUs, baud, true, Bytes(data, data + n), {}});
    if (FWritesToLoss > 0 && --FWritesToLoss == 0) FPortLost = true;
    if (!IsStandardBaud(baud)) return {};  // no controller can make sense of it
    const std::int64_t byteUs = ByteTimeUs(baud);
    if (baud != FFramerBaud) {
        FFramer.Reset();  // a frame cut by a speed change is lost
        FFramerBaud = baud;
    }
    std::erase_if(FWire, [startUs](const WireFrame& w) { return w.EndUs() < startUs - kWireMemoryUs; });
    std::vector<SimAnswer> out;
    if (FEcho) {
        SimAnswer e{startUs, byteUs, Bytes(data, data + n), 0, true};
        AddLog({e.startUs, baud, false, e.bytes, "echo"});
        out.push_back(std::move(e));
    }
    std::vector<std::size_t> sent;
    for (std::size_t i = 0; i < n; ++i)
        for (const auto& f : FFramer.Feed(data[i], startUs + static_cast<std::int64_t>(i) * byteUs, byteUs))
            OnFrame(f, baud, out, sent);
    for (std::size_t i : sent) {
        WireFrame& w = FWire[i];
        out.push_back(w.frame);
        out.back().replaces = w.handedOut;
        w.handedOut = true;
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const SimAnswer& a, const SimAnswer& b) { return a.startUs < b.startUs; });
    return out;
}

void SimLine::OnFrame(const SimFramer::Frame& f, std::uint32_t baud, std::vector<SimAnswer>& out,
                      std::vector<std::size_t>& sent) {
    bool echoed = FEcho;  // the whole line echoes already
    const std::int64_t byteUs = ByteTimeUs(baud);
    const std::int64_t frameStartUs = f.endUs - static_cast<std::int64_t>(f.bytes.size()) * byteUs;
    // Two drivers on the wire: a frame that meets any controller's frame
    // reaches nobody intact.
    for (const WireFrame& w : FWire)
        if (frameStartUs < w.EndUs() && f.endUs > w.frame.startUs) return;
    std::vector<std::size_t> touched;
    for (Slot& s : FSlots) {
        if (!s.plugged || s.ctrl.Baud() != baud || s.ctrl.Adr() != f.bytes[0] || !s.ctrl.Listening(f.endUs))
            continue;
        auto heard = Serve(s, f.bytes, f.endUs);
        if (heard && heard->echo && !echoed) {
            // The converter's receiver hears the frame as it goes out.
            echoed = true;
            SimAnswer e{frameStartUs, byteUs, f.bytes, 0, true};
            AddLog({e.startUs, baud, false, e.bytes, "echo"});
            out.push_back(std::move(e));
        }
        if (!heard || heard->answer.empty()) continue;
        const Bytes previous = std::exchange(s.lastAnswer, heard->answer);
        // A frame heard while its previous answer is still being prepared
        // is handled once that answer has gone out, whatever the host did meanwhile.
        const std::int64_t readyUs = std::max(f.endUs, s.busyUntilUs);
        const std::int64_t startUs = readyUs + FTurnaroundUs + s.ctrl.AnswerDelayUs() + heard->delayUs;
        Send(s, Plan(*heard, previous), startUs, f.endUs + FTurnaroundUs, baud, heard->note, touched);
    }
    // Each frame logged once, as it stands after every driver this request drew.
    std::vector<std::size_t> logged;
    for (std::size_t i : touched) {
        if (std::find(logged.begin(), logged.end(), i) != logged.end()) continue;
        logged.push_back(i);
        const WireFrame& w = FWire[i];
        AddLog({w.frame.startUs, w.baud, false, w.frame.bytes, w.note});
        if (std::find(sent.begin(), sent.end(), i) == sent.end()) sent.push_back(i);
    }
}

// The frames a controller puts out for one request: its answer, and around
// it what a repeating fault sends again.
std::vector<SimLine::Outgoing> SimLine::Plan(const Heard& h, const Bytes& previous) {
    std::vector<Outgoing> frames;
    if (h.extra == SimFaultKind::RepeatPrevious && !previous.empty()) frames.push_back({previous, 0, false});
    frames.push_back({h.answer, 0, true});
    if (h.extra == SimFaultKind::Twice) frames.push_back({h.answer, h.extraGapUs, false});
    if (h.extra == SimFaultKind::Stray && !previous.empty()) frames.push_back({previous, h.extraGapUs, false});
    return frames;
}

// Puts a controller's frames on the wire one after another, the first at
// firstUs; heardUs is when an answer given at once would start, so that each
// frame's delay holds what was added before it.
void SimLine::Send(Slot& s, const std::vector<Outgoing>& frames, std::int64_t firstUs, std::int64_t heardUs,
                   std::uint32_t baud, const std::string& note, std::vector<std::size_t>& sent) {
    const std::int64_t byteUs = ByteTimeUs(baud);
    std::int64_t prevEndUs = heardUs;
    std::int64_t nextUs = firstUs;
    std::int64_t delayUs = 0;
    for (const Outgoing& o : frames) {
        const std::int64_t lengthUs = static_cast<std::int64_t>(o.bytes.size()) * byteUs;
        const std::int64_t startUs = OwnFreeFromUs(s.id, nextUs + o.gapUs, lengthUs);
        delayUs += startUs - prevEndUs;
        sent.push_back(PutOnWire({startUs, byteUs, o.bytes, delayUs}, baud, note, s.id));
        prevEndUs = nextUs = startUs + lengthUs;
        if (o.isAnswer) s.busyUntilUs = prevEndUs;
    }
}

// A controller has one transmitter: a frame that would overlap one of its
// own still on the wire goes out after it.
std::int64_t SimLine::OwnFreeFromUs(SimControllerId id, std::int64_t startUs, std::int64_t lengthUs) const {
    for (bool moved = true; moved;) {
        moved = false;
        for (const WireFrame& w : FWire) {
            const bool own = std::find(w.drivers.begin(), w.drivers.end(), id) != w.drivers.end();
            if (own && startUs < w.EndUs() && startUs + lengthUs > w.frame.startUs) {
                startUs = w.EndUs();
                moved = true;
            }
        }
    }
    return startUs;
}

// Frames that overlap on the line collide: the drivers fight and every
// receiver sees the wired-AND of the bytes. Returns the frame's place in FWire.
std::size_t SimLine::PutOnWire(SimAnswer a, std::uint32_t baud, const std::string& note, SimControllerId driver) {
    const std::int64_t endUs = a.startUs + static_cast<std::int64_t>(a.bytes.size()) * a.byteUs;
    for (std::size_t i = 0; i < FWire.size(); ++i) {
        WireFrame& w = FWire[i];
        if (a.startUs >= w.EndUs() || endUs <= w.frame.startUs) continue;
        Bytes& m = w.frame.bytes;
        const bool differ = m != a.bytes;
        if (a.startUs < w.frame.startUs) {
            w.frame.startUs = a.startUs;
            w.frame.delayUs = a.delayUs;
        }
        if (a.bytes.size() > m.size()) m.resize(a.bytes.size(), 0xFF);
        for (std::size_t k = 0; k < a.bytes.size(); ++k) m[k] &= a.bytes[k];
        if (differ) w.note += w.note.empty() ? "collision" : " collision";
        if (!note.empty()) w.note += (w.note.empty() ? "" : " ") + note;
        w.drivers.push_back(driver);
        return i;
    }
    a.frameId = FNextFrameId++;
    FWire.push_back({std::move(a), baud, note, {driver}});
    return FWire.size() - 1;
}

std::optional<SimLine::Heard> SimLine::Serve(Slot& s, const Bytes& frame, std::int64_t nowUs) {
    SimFault* fault = DrawFault(s, frame[2]);
    if (fault && fault->kind == SimFaultKind::Silent) return std::nullopt;
    Heard h;
    if (fault && (fault->kind == SimFaultKind::Busy || fault->kind == SimFaultKind::Short)) {
        h.answer = fault->kind == SimFaultKind::Busy ? SimController::Refusal(s.ctrl.Adr(), frame[2])
                                                     : SimController::ShortAnswer(s.ctrl.Adr(), frame[2]);
        h.note = FaultKindName(fault->kind);
        return h;
    }
    h.answer = s.ctrl.Handle(frame, nowUs);
    if (fault && !h.answer.empty()) Spoil(*fault, h);
    return h;
}

SimFault* SimLine::DrawFault(Slot& s, std::uint8_t cmd) {
    for (SimFault& f : s.faults) {
        if ((f.command >= 0 && f.command != cmd) || f.count == 0) continue;
        if (f.skip > 0) {
            --f.skip;
            continue;
        }
        if (f.rate < 1.0 && Draw(FRng) >= f.rate) continue;
        if (f.count > 0) --f.count;
        return &f;
    }
    return nullptr;
}

void SimLine::Spoil(SimFault& f, Heard& h) {
    h.note = FaultKindName(f.kind);
    switch (f.kind) {
        case SimFaultKind::BadChecksum:
            h.answer.back() ^= 0x5A;
            break;
        case SimFaultKind::Late:
            h.delayUs = (f.param ? f.param : kDefaultLateMs) * 1000;
            break;
        case SimFaultKind::Echo:
            h.echo = true;
            break;
        case SimFaultKind::OtherAddress:
            h.answer[0] = static_cast<std::uint8_t>(f.param ? f.param : h.answer[0] % 254 + 1);
            h.answer = Reframe(h.answer);
            break;
        case SimFaultKind::Twice:
            h.extra = f.kind;
            h.extraGapUs = static_cast<std::int64_t>(f.param) * 1000;
            break;
        case SimFaultKind::RepeatPrevious:
            h.extra = f.kind;
            break;
        case SimFaultKind::Stray:
            h.extra = f.kind;
            h.extraGapUs = (f.param ? f.param : kDefaultStrayMs) * 1000;
            break;
        default:
            break;
    }
}

void SimLine::SetLogSink(std::function<void(const SimLogEntry&)> sink) {
    std::lock_guard lock(FLock);
    FLogSink = std::move(sink);
}

void SimLine::AddLog(SimLogEntry e) {
    if (FLogSink) FLogSink(e);
    if (FLogLimit == 0) return;
    FLog.push_back(std::move(e));
    while (FLog.size() > FLogLimit) FLog.pop_front();
}

std::vector<SimLogEntry> SimLine::Log() const {
    std::lock_guard lock(FLock);
    return {FLog.begin(), FLog.end()};
}

void SimLine::ClearLog() {
    std::lock_guard lock(FLock);
    FLog.clear();
}

void SimLine::SetLogLimit(std::size_t limit) {
    std::lock_guard lock(FLock);
    FLogLimit = limit;
    while (FLog.size() > FLogLimit) FLog.pop_front();
}

std::size_t SimLine::DroppedBytes() const {
    std::lock_guard lock(FLock);
    return FFramer.Dropped();
}

bool SimLine::TryAttach() {
    std::lock_guard lock(FLock);
    if (FAttached) return false;
    FAttached = true;
    return true;
}

void SimLine::Detach(std::deque<SimRxByte> inFlight) {
    std::lock_guard lock(FLock);
    FAttached = false;
    FInFlight = std::move(inFlight);
}

std::deque<SimRxByte> SimLine::TakeInFlight() {
    std::lock_guard lock(FLock);
    std::deque<SimRxByte> bytes = std::move(FInFlight);
    FInFlight.clear();
    // Those that came while no port was open are lost.
    const std::int64_t now = FClock->NowUs();
    std::erase_if(bytes, [now](const SimRxByte& b) { return b.atUs <= now; });
    return bytes;
}

}  // namespace pelko
