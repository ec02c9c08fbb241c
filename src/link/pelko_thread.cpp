#include "link/pelko_thread.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "link/answer_wait.h"
#include "link/baud_rate.h"
#include "link/fast_scan.h"
#include "link/frame.h"
#include "link/link_timing.h"
#include "link/pelko_session.h"
#include "link/sync_waiter.h"

namespace pelko {
namespace {

// Stands for "no card seen yet" until the first card poll answer arrives.
const Bytes kInitialCardAnswer = {0x01, 0x06, 0x03, 0x1A, 0x22, 0x3C};

std::uint32_t NonNegative(std::int32_t v) { return v < 0 ? 0 : static_cast<std::uint32_t>(v); }

// Reads a settling line makes at most, so a babbling line cannot hold the worker.
constexpr int kSettleReads = 8;
// The longest quiet a settling line waits for, however late answers came.
constexpr std::int64_t kMaxSettleUs = 1'500'000;

// Every byte the answer declared has come from the address asked: nothing
// more of it is on its way.
bool WholeFrameFrom(std::uint8_t adr, const Bytes& a, std::size_t got) {
    return got >= kMinAnswer && a[1] == got && a[0] == adr;
}

bool CarriesNoCard(const Bytes& answer) {
    return std::all_of(answer.begin() + 3, answer.begin() + 8, [](std::uint8_t b) { return b == 0xFF; });
}

}  // namespace

std::unique_ptr<TPelkoThread> TPelkoThread::Create(TPelkoSession& session, std::string& error) {
    std::unique_ptr<TPelkoThread> worker(new TPelkoThread(session));
    if (!worker->OpenPort(session.FComPort, error)) return nullptr;
    worker->FThread = std::thread([w = worker.get()] { w->Execute(); });
    return worker;
}

TPelkoThread::TPelkoThread(TPelkoSession& session)
    : FSession(session), FTiming(*session.FTiming), FLog(session.FExchangeLog),
      FAllUnsettled(session.FLineUnsettled), FLateUs(session.FLineLateUs), FPrevCard(kInitialCardAnswer) {
    for (auto& p : FPresent) p.store(false);
}

TPelkoThread::~TPelkoThread() {
    if (FThread.joinable()) {
        FTerminated.store(true);
        Wake();
        // A read without time-outs would otherwise wait for ever on a
        // silent line; the answer would be discarded anyway.
        {
            std::lock_guard<std::mutex> lock(FPortLock);
            if (FPort) FPort->abortWait();
        }
        FThread.join();
    }
    ClosePort();
}

// --- port -----------------------------------------------------------------

bool TPelkoThread::OpenPort(std::uint8_t n, std::string& error) {
    ClosePort();
    FPort = FSession.FOpener(n, error);
    if (!FPort) return false;
    if (!SetBaudRate(FSession.FPortBaudRate)) {
        error = "Скорость " + std::to_string(FSession.FPortBaudRate) + " бод не поддерживается";
        ClosePort();
        return false;
    }
    FTimeouts = BoundedTimeouts(PortTimeouts{NonNegative(FSession.FIntervalTimeOut),
                                             NonNegative(FSession.FTimeOutMultiplier),
                                             NonNegative(FSession.FTimeOutConstant)},
                                static_cast<std::uint32_t>(FSession.FPortBaudRate));
    FPort->setTimeouts(FTimeouts);
    // An RTS-keyed converter holds the line while RTS is up: release it now,
    // not at the first exchange (and in the converter's own mode, ever). The
    // driver's delay comes in whole milliseconds: a tail of 400 us would hold
    // the line for 1 ms, into a fast controller's answer, so the program's own
    // switch keeps any other tail.
    const std::uint32_t tailUs = NonNegative(FSession.FTailinUS);
    FDriverSwitches = !FSession.FSmartPI && tailUs % 1000 == 0 && FPort->setDriverRtsSwitching(tailUs);
    if (!FDriverSwitches) FPort->setRts(false);
    return true;
}

bool TPelkoThread::SetBaudRate(std::int32_t baud) {
    // Below 10 baud the byte time is undefined; the line only runs standard speeds.
    if (!FPort || !IsStandardBaud(baud)) return false;
    if (!FPort->setBaudRate(static_cast<std::uint32_t>(baud))) return false;
    FSession.FPortBaudRate = baud;
    return true;
}

// The worker closes a lost port while the main thread may be aborting its wait.
void TPelkoThread::ClosePort() {
    std::unique_ptr<SerialPort> closing;
    {
        std::lock_guard<std::mutex> lock(FPortLock);
        closing = std::move(FPort);
    }
}

bool TPelkoThread::PortGone() {
    if (!FPort) return true;
    const std::string message = FPort->lostMessage();
    if (message.empty()) return false;
    LosePort(message);
    return true;
}

// The device has gone: close it at once (a re-plugged adapter gets its name
// back only once nobody holds it), tell the main thread, fail what waits.
void TPelkoThread::LosePort(const std::string& message) {
    ClosePort();
    auto item = std::make_unique<TQueryItem>();
    item->Kind = qkPortLost;
    item->Text = message;
    PostItem(std::move(item));
    FailQueued();
}

void TPelkoThread::FailQueued() {
    while (std::unique_ptr<TQueryItem> item = FSession.FOutQueue.Pop()) {
        item->Answer = FailureAnswer();
        if (item->Kind == qkSync) {
            SyncWaiter* event = item.release()->Event;
            if (event) event->Signal();
        } else if (item->Kind == qkAsync || item->Kind == qkScan || item->Kind == qkQuiet) {
            item->List.clear();
            PostItem(std::move(item));
        }
    }
}

// A late answer to an attempt that got none would be read as the answer to
// the next frame (a cell's code carries no cell number): let the line stay
// quiet for a whole read time-out, or as long as a late answer was seen to
// take if that is longer (a retry's own answer comes as late). What came
// meanwhile is weighed, not dropped unseen: more than the late answers owed
// puts the last exchanges in doubt.
void TPelkoThread::Settle() {
    std::array<std::uint8_t, kMaxAnswer + 1> junk{};
    const std::uint64_t readMs =
        std::uint64_t{FTimeouts.multiplierMs} * junk.size() + FTimeouts.constantMs;
    const std::uint64_t lateMs = static_cast<std::uint64_t>(std::min(FLateUs, kMaxSettleUs) + 999) / 1000;
    if (lateMs > readMs) FPort->setTimeouts(PortTimeouts{0, 0, static_cast<std::uint32_t>(lateMs)});
    bool quiet = false;
    for (int i = 0; i < kSettleReads && !quiet && !Terminated(); ++i) {
        const std::size_t n = FPort->read(junk.data(), junk.size());
        quiet = n == 0;
        FEvidence.Heard(junk.data(), n);
    }
    if (lateMs > readMs) FPort->setTimeouts(FTimeouts);
    if (Look() > 0) quiet = false;
    if (!quiet) {
        // Still talking: whatever is taken from such a line is in doubt, and
        // the next frame lets it settle again.
        FEvidence.Babbling();
        FAllUnsettled = true;
        return;
    }
    FEvidence.Quiet();
    FUnsettled.reset();
    FMissSinceUs.fill(-1);
    FAllUnsettled = false;
}

// What has arrived, taken into the evidence instead of being purged unseen.
std::size_t TPelkoThread::Look() {
    std::array<std::uint8_t, kMaxAnswer + 2> held{};
    std::size_t total = 0;
    for (int i = 0; i < kSettleReads; ++i) {
        const std::size_t n = FPort->readArrived(held.data(), held.size());
        if (n == 0) break;
        FEvidence.Heard(held.data(), n);
        total += n;
    }
    return total;
}

// Before a frame goes out the line should hold nothing: what it holds is
// looked at, and the line is let settle before the frame goes.
void TPelkoThread::LookAtLine() {
    if (Look() > 0) Settle();
}

// The end of an operation: the line is let stay quiet for as long as an
// answer takes, so that an answer still coming is seen before the last
// exchange counts as sure.
void TPelkoThread::WaitQuiet() {
    if (!FPort) return;
    if (FAllUnsettled || FUnsettled.any() || FEvidence.Owed()) return Settle();
    const std::int64_t fullUs = (std::int64_t{FTimeouts.multiplierMs} * (kMaxAnswer + 1) + FTimeouts.constantMs) * 1000;
    const std::int64_t byteUs = ByteTimeUs(FSession.FPortBaudRate);
    const std::int64_t learned = std::max<std::int64_t>(0, FSession.FAnswerWait.LearnedUs(FSession.FPortBaudRate));
    const std::int64_t waitUs = std::min(learned + ProbeAnswerFloorUs(FSession.FPortBaudRate) +
                                             static_cast<std::int64_t>(kMaxAnswer) * byteUs,
                                         std::max<std::int64_t>(fullUs, 1000));
    std::array<std::uint8_t, kMaxAnswer + 1> heard{};
    FPort->setTimeouts(PortTimeouts{0, 0, static_cast<std::uint32_t>((waitUs + 999) / 1000)});
    const std::size_t n = FPort->read(heard.data(), heard.size());
    FPort->setTimeouts(FTimeouts);
    if (n == 0) return FEvidence.Quiet();
    FEvidence.Heard(heard.data(), n);
    Settle();
}

void TPelkoThread::PostDoubts() {
    for (std::uint32_t check : FEvidence.TakeDoubts()) PostEvent(qkDoubt, check);
}

// --- one exchange ---------------------------------------------------------

bool TPelkoThread::Exchange(const Bytes& request, Bytes& answer, std::size_t capacity) {
    answer.clear();
    if (!FPort || request.empty()) return false;
    // Retries of this frame may take its own late answer; another frame may not.
    if (FAllUnsettled || FUnsettled[request[0]]) Settle();
    const Bytes frame = BuildFrame(request);
    const int attempts = std::max<int>(1, FSession.FMaxAttempt);
    if (!FLog) {  // nothing measured, nothing copied
        bool ok = false;
        for (int i = 0; i < attempts && !ok; ++i) {
            if (i > 0 && Terminated()) break;  // the port's waits are aborted: nothing more to hear
            ok = Attempt(frame, request, answer, capacity);
            if (!ok && PortGone()) break;
        }
        return Settled(ok);
    }
    ExchangeRecord record;
    record.startUs = FTiming.nowUs();
    record.wallUs = std::chrono::duration_cast<std::chrono::microseconds>(
                        std::chrono::system_clock::now().time_since_epoch())
                        .count();
    record.baud = FSession.FPortBaudRate;
    record.request = frame;
    bool ok = false;
    for (int i = 0; i < attempts && !ok; ++i) {
        if (i > 0 && Terminated()) break;
        FGot = 0;
        FSentUs = -1;
        ok = Attempt(frame, request, answer, capacity);
        if (!ok && PortGone()) i = attempts;
        ExchangeAttempt& a = record.attempts.emplace_back();
        const std::size_t got = std::min(FGot, answer.size());
        a.received.assign(answer.begin(), answer.begin() + static_cast<std::ptrdiff_t>(got));
        a.verdict = FSentUs < 0 ? Verdict::NotSent : Classify(request, a.received.data(), a.received.size());
        a.sentUs = FSentUs < 0 ? record.startUs : FSentUs;
        a.roundTripUs = FSentUs < 0 ? 0 : FTiming.nowUs() - FSentUs;
    }
    FLog->Push(std::move(record));
    return Settled(ok);
}

// Doubts found on the way concern earlier exchanges and go out first; this
// one becomes the newest a stray byte can be taken for.
bool TPelkoThread::Settled(bool ok) {
    PostDoubts();
    if (ok) {
        if (FServingQueued) FEvidence.Accepted(FServing);
        else FEvidence.AcceptedOwn();
    }
    return ok;
}

bool TPelkoThread::Attempt(const Bytes& frame, const Bytes& request, Bytes& answer,
                           std::size_t capacity) {
    // Where the driver keys the converter, toggling from here as well would fight it.
    const bool driveLines = !FSession.FSmartPI && !FDriverSwitches;
    const std::int64_t byteUs = ByteTimeUs(FSession.FPortBaudRate);
    FTiming.sleepMs(2);
    LookAtLine();
    if (driveLines) {
        FPort->setDtr(false);
        FPort->setRts(true);
        Look();  // what came while keying the converter is evidence too
    }
    // The hold is counted from before the write: the frame's own time plus the tail.
    const std::int64_t t0 = FTiming.nowUs();
    const std::size_t written = FPort->write(frame.data(), frame.size());
    FTiming.waitUntilUs(t0 + byteUs * static_cast<std::int64_t>(frame.size()) + FSession.FTailinUS);
    if (driveLines) {
        FPort->setDtr(true);
        FPort->setRts(false);
    }
    if (written != frame.size()) return false;
    const std::size_t got = ReadAnswer(frame, answer, capacity);
    if (FLog) {
        FGot = got;
        FSentUs = t0;
    }
    NoteLateness(request[0], answer, got, t0);
    const bool accepted = !IsLateFromAnother(request, answer, got) && AcceptAnswer(request, answer.data(), got);
    Weigh(request, answer, got, accepted);
    if (!accepted) return false;
    // The answer's first byte, counted back from its last: what the fast search learns its wait from.
    if (answer[0] == request[0])
        FSession.FAnswerWait.Note(FSession.FPortBaudRate, FTiming.nowUs() - t0 -
                                                              byteUs * static_cast<std::int64_t>(frame.size() + got));
    return true;
}

// After an attempt without a whole answer, a whole frame from that address
// may be the answer to it: the frames still queued in the controller will
// come as late, and the line must stay quiet that long before another frame.
void TPelkoThread::NoteLateness(std::uint8_t adr, const Bytes& answer, std::size_t got, std::int64_t sentUs) {
    if (got >= kMinAnswer && answer[1] == got) {
        const std::int64_t since = FMissSinceUs[answer[0]];
        if (since >= 0) FLateUs = std::max(FLateUs, FTiming.nowUs() - since);
    }
    if (WholeFrameFrom(adr, answer, got)) return;
    FUnsettled.set(adr);
    if (FMissSinceUs[adr] < 0) FMissSinceUs[adr] = sentUs;
}

// What an attempt read, as evidence: nothing (its answer may still come),
// a refusal, a late answer owed, or bytes that are no answer to it.
void TPelkoThread::Weigh(const Bytes& request, const Bytes& answer, std::size_t got, bool accepted) {
    if (accepted) return;
    if (got == 0) return FEvidence.Missed();
    const bool whole = got >= kMinAnswer && got <= kMaxAnswer && answer[1] == got &&
                       Crc16(answer.data(), got - 2) == (answer[got - 2] << 8 | answer[got - 1]);
    if (whole && IsLateFromAnother(request, answer, got)) return FEvidence.LateFrame();
    if (whole && answer[0] == request[0] && answer[2] == request[2] + 1 && IsBusyAnswer(answer.data(), got)) return;
    FEvidence.Stray();
}

// The answer of an address still unsettled, come while another is asked.
bool TPelkoThread::IsLateFromAnother(const Bytes& request, const Bytes& answer, std::size_t got) const {
    return got >= kMinAnswer && answer[0] != request[0] && FUnsettled[answer[0]];
}

std::size_t TPelkoThread::ReadAnswer(const Bytes& frame, Bytes& answer, std::size_t capacity) {
    answer.assign(kMinAnswer, 0);
    // A converter that hears its own transmitter hands the frame back first.
    // No answer can start like the frame (its command byte differs), so a
    // received prefix equal to the frame's is the echo. The first read takes
    // no more than the frame holds: after a short frame's echo it would
    // otherwise wait out its time-out for a byte of an answer that may never come.
    const std::size_t head = std::min(kMinAnswer, frame.size());
    std::size_t got = FPort->read(answer.data(), head);
    const bool echo =
        got == head && std::equal(frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(head), answer.begin());
    if (!echo && got == head && head < kMinAnswer) got += FPort->read(answer.data() + got, kMinAnswer - got);
    if (echo) {
        Bytes rx(answer.begin(), answer.begin() + static_cast<std::ptrdiff_t>(got));
        if (rx.size() < frame.size()) {
            Bytes rest(frame.size() - rx.size(), 0);
            rest.resize(FPort->read(rest.data(), rest.size()));
            rx.insert(rx.end(), rest.begin(), rest.end());
        }
        if (rx.size() < frame.size() || !std::equal(frame.begin(), frame.end(), rx.begin())) return 0;
        rx.erase(rx.begin(), rx.begin() + static_cast<std::ptrdiff_t>(frame.size()));
        answer.assign(kMinAnswer, 0);
        std::copy(rx.begin(), rx.end(), answer.begin());
        got = rx.size() + FPort->read(answer.data() + rx.size(), kMinAnswer - rx.size());
    }
    if (got == kMinAnswer && answer[1] > kMinAnswer) {
        // Never more than the buffer holds; a declared length above the
        // longest answer is refused below whatever arrives.
        const std::size_t want = std::max(kMinAnswer, std::min<std::size_t>(answer[1], capacity));
        answer.resize(want, 0);
        if (want > kMinAnswer) got += FPort->read(answer.data() + kMinAnswer, want - kMinAnswer);
    }
    return got;
}

// --- hand-over to the main thread ----------------------------------------

void TPelkoThread::PostItem(std::unique_ptr<TQueryItem> item) { FSession.PostItem(std::move(item)); }

void TPelkoThread::PostEvent(std::uint8_t kind, std::uint32_t data, Bytes request, Bytes answer) {
    auto item = std::make_unique<TQueryItem>();
    item->Kind = kind;
    item->Data = data;
    item->Request = std::move(request);
    item->Answer = std::move(answer);
    PostItem(std::move(item));
}

// --- thread body ----------------------------------------------------------

void TPelkoThread::Execute() {
    if (FSession.FFound) StartupScan();
    while (!Terminated()) {
        if (!HasWork()) {
            IdleWait();
            continue;
        }
        ServeRequest();
        if (!FPort || !FSession.ERUniqueButton()) continue;  // a lost port only fails requests
        PollStep();
        ReprobeStep();
    }
    // The next worker on this session must not take an answer still on its way.
    FSession.FLineUnsettled = FAllUnsettled || FUnsettled.any();
    FSession.FLineLateUs = FSession.FLineUnsettled ? FLateUs : 0;
}

void TPelkoThread::StartupScan() {
    Bytes all;
    for (unsigned a = 1; a <= 254; ++a) all.push_back(static_cast<std::uint8_t>(a));
    const Bytes found = FastScan(*this, all).Run();
    if (Terminated()) return;
    // A port lost under the search: those that answered are still named, before the loss.
    const bool lost = !FPort || !FPort->lostMessage().empty();
    for (unsigned a = 1; a <= 254; ++a) {
        const bool answered = std::find(found.begin(), found.end(), a) != found.end();
        if (lost && !answered) continue;
        // Made whenever reporting is on; dispatch drops it if no handler is
        // assigned (the handler is main-thread state the worker must not read).
        if (FSession.FSearchAddr) PostEvent(qkSearchAddr, a | (answered ? 1u : 0u) << 8);
        if (answered) {
            FPresent[a].store(true);
            Announce(static_cast<std::uint8_t>(a), true);
        }
    }
    PortGone();
}

void TPelkoThread::ServeRequest() {
    std::unique_ptr<TQueryItem> item = FSession.FOutQueue.Pop();
    if (item && item->Kind == qkScan) {
        if (FPort) item->List = FastScan(*this, item->List).Run();
        // A port lost under the search is named before its result, which then goes with the queues.
        if (PortGone()) item->List.clear();
        PostItem(std::move(item));
        return;
    }
    if (item && item->Kind == qkQuiet) {
        WaitQuiet();
        PostDoubts();
        PostItem(std::move(item));
        return;
    }
    if (!item || (item->Kind != qkSync && item->Kind != qkAsync)) return;
    FServingQueued = item->Kind == qkAsync;
    FServing = item->Data;
    const bool ok = Exchange(item->Request, item->Answer, kItemAnswerCapacity);
    FServingQueued = false;
    if (!ok) item->Answer = FailureAnswer();
    if (item->Kind == qkSync) {
        // The waiting caller owns the item from here on.
        SyncWaiter* event = item.release()->Event;
        if (event) event->Signal();
        return;
    }
    const Bytes& rq = item->Request;
    const Bytes& an = item->Answer;
    if (rq.size() < 3 || an.size() < 3 || an[2] != rq[2] + 1) item->Answer = FailureAnswer();
    PostItem(std::move(item));
}

int TPelkoThread::NextCandidate(std::uint8_t start, bool present) const {
    for (unsigned i = 0; i < 256; ++i) {
        const unsigned a = (start + i) & 0xFF;
        if (a == 0 || a == 255) continue;
        if (FPresent[a].load() == present) return static_cast<int>(a);
    }
    return -1;
}

void TPelkoThread::PollStep() {
    const int found = NextCandidate(FNextPoll, true);
    if (found < 0) return;
    const auto adr = static_cast<std::uint8_t>(found);
    Bytes answer;
    if (!Exchange(CardPollBody(adr), answer, kOwnAnswerCapacity)) {
        FPresent[adr].store(false);
        Announce(adr, false);
    } else {
        if (!FAnnounced[adr]) Announce(adr, true);
        PollCards(adr, answer);
        PollButton(adr, answer);
    }
    FNextPoll = static_cast<std::uint8_t>(adr + 1);
}

void TPelkoThread::PollCards(std::uint8_t adr, Bytes& answer) {
    // One previous answer for all controllers: the same card at another
    // reader differs in address and checksum and is reported again.
    if (answer.size() == 11) {
        FPrevCard[0] = adr;
        if (FPrevCard != answer && !CarriesNoCard(answer))
            PostEvent(qkReadCard, 0, CardPollBody(adr), answer);
    }
    FPrevCard = answer;
}

void TPelkoThread::PollButton(std::uint8_t adr, Bytes& answer) {
    if (!Exchange(ButtonPollBody(adr), answer, kOwnAnswerCapacity)) return;
    const bool on = answer[3] == 1;
    if (on != FLastButton) PostEvent(qkChangBut, 0, ButtonPollBody(adr), answer);
    FLastButton = on;
}

void TPelkoThread::ReprobeStep() {
    ++FPassCount;
    const std::uint32_t circle = FSession.FCircle;
    if (circle == 0 || circle != FPassCount) return;
    FPassCount = 0;
    const int found = NextCandidate(FNextProbe, false);
    if (found < 0) return;
    const auto adr = static_cast<std::uint8_t>(found);
    Bytes answer;
    if (Exchange(ProbeBody(adr), answer, kOwnAnswerCapacity)) {
        FPresent[adr].store(true);
        Announce(adr, true);
    }
    FNextProbe = static_cast<std::uint8_t>(adr + 1);
}

// --- waking, idling, pausing ------------------------------------------------

bool TPelkoThread::HasWork() const {
    if (!FSession.FOutQueue.IsEmpty()) return true;
    if (!FPort || !FSession.ERUniqueButton()) return false;
    // Re-probing keeps the worker busy even with nobody present.
    return FSession.FCircle != 0 || NextCandidate(0, true) >= 0;
}

void TPelkoThread::IdleWait() {
    std::unique_lock<std::mutex> lock(FWakeLock);
    FWakeCond.wait(lock, [this] { return Terminated() || HasWork(); });
}

void TPelkoThread::Wake() {
    std::lock_guard<std::mutex> lock(FWakeLock);
    FWakeCond.notify_all();
}

void TPelkoThread::Announce(std::uint8_t adr, bool on) {
    FAnnounced[adr] = on;
    PostEvent(on ? qkDevOn : qkDevOff, adr);
}

void TPelkoThread::SetPresent(std::uint8_t adr) {
    FPresent[adr].store(true);
    Wake();
}


}  // namespace pelko
