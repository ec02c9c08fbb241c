#include "link/pelko_thread.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "link/baud_rate.h"
#include "link/frame.h"
#include "link/link_timing.h"
#include "link/pelko_session.h"
#include "link/sync_waiter.h"

namespace pelko {
namespace {

// Stands for "no card seen yet" until the first card poll answer arrives.
const Bytes kInitialCardAnswer = {0x01, 0x06, 0x03, 0x1A, 0x22, 0x3C};

std::uint32_t NonNegative(std::int32_t v) { return v < 0 ? 0 : static_cast<std::uint32_t>(v); }

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
    : FSession(session), FTiming(*session.FTiming), FLog(session.FExchangeLog), FPrevCard(kInitialCardAnswer) {
    for (auto& p : FPresent) p.store(false);
}

TPelkoThread::~TPelkoThread() {
    if (FThread.joinable()) {
        FTerminated.store(true);
        Wake();
        // A read without time-outs would otherwise wait for ever on a
        // silent line; the answer would be discarded anyway.
        FPort->abortWait();
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
    FPort->setTimeouts(BoundedTimeouts(PortTimeouts{NonNegative(FSession.FIntervalTimeOut),
                                                    NonNegative(FSession.FTimeOutMultiplier),
                                                    NonNegative(FSession.FTimeOutConstant)},
                                       static_cast<std::uint32_t>(FSession.FPortBaudRate)));
    // An RTS-keyed converter holds the line while RTS is up: release it now,
    // not at the first exchange (and in the converter's own mode, ever).
    FDriverSwitches = !FSession.FSmartPI && FPort->setDriverRtsSwitching(NonNegative(FSession.FTailinUS));
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

void TPelkoThread::ClosePort() { FPort.reset(); }

// --- one exchange ---------------------------------------------------------

bool TPelkoThread::Exchange(const Bytes& request, Bytes& answer, std::size_t capacity) {
    answer.clear();
    if (!FPort) return false;
    const Bytes frame = BuildFrame(request);
    const int attempts = std::max<int>(1, FSession.FMaxAttempt);
    if (!FLog) {  // nothing measured, nothing copied
        for (int i = 0; i < attempts; ++i) {
            if (i > 0 && Terminated()) break;  // the port's waits are aborted: nothing more to hear
            if (Attempt(frame, request, answer, capacity)) return true;
        }
        return false;
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
        ExchangeAttempt& a = record.attempts.emplace_back();
        const std::size_t got = std::min(FGot, answer.size());
        a.received.assign(answer.begin(), answer.begin() + static_cast<std::ptrdiff_t>(got));
        a.verdict = FSentUs < 0 ? Verdict::NotSent : Classify(request, a.received.data(), a.received.size());
        a.sentUs = FSentUs < 0 ? record.startUs : FSentUs;
        a.roundTripUs = FSentUs < 0 ? 0 : FTiming.nowUs() - FSentUs;
    }
    FLog->Push(std::move(record));
    return ok;
}

bool TPelkoThread::Attempt(const Bytes& frame, const Bytes& request, Bytes& answer,
                           std::size_t capacity) {
    // Where the driver keys the converter, toggling from here as well would fight it.
    const bool driveLines = !FSession.FSmartPI && !FDriverSwitches;
    const std::int64_t byteUs = ByteTimeUs(FSession.FPortBaudRate);
    FTiming.sleepMs(2);
    if (driveLines) {
        FPort->setDtr(false);
        FPort->setRts(true);
    }
    FPort->purge();
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
    return AcceptAnswer(request, answer.data(), got);
}

std::size_t TPelkoThread::ReadAnswer(const Bytes& frame, Bytes& answer, std::size_t capacity) {
    answer.assign(kMinAnswer, 0);
    std::size_t got = FPort->read(answer.data(), kMinAnswer);
    // A converter that hears its own transmitter hands the frame back first.
    // No answer can start like the frame (its command byte differs), so a
    // received prefix equal to the whole frame is the echo.
    const std::size_t head = std::min(kMinAnswer, frame.size());
    if (got >= head && std::equal(frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(head), answer.begin())) {
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
        if (!FSession.ERUniqueButton()) continue;
        PollStep();
        ReprobeStep();
    }
}

void TPelkoThread::StartupScan() {
    Bytes body = ProbeBody(1);
    Bytes answer;
    for (unsigned a = 1; a <= 254 && !Terminated(); ++a) {
        body[0] = static_cast<std::uint8_t>(a);
        const bool found = Exchange(body, answer, kOwnAnswerCapacity);
        // Made whenever reporting is on; dispatch drops it if no handler is
        // assigned (the handler is main-thread state the worker must not read).
        if (FSession.FSearchAddr) PostEvent(qkSearchAddr, a | (found ? 1u : 0u) << 8);
        if (found) {
            FPresent[a].store(true);
            Announce(static_cast<std::uint8_t>(a), true);
        }
    }
}

void TPelkoThread::ServeRequest() {
    std::unique_ptr<TQueryItem> item = FSession.FOutQueue.Pop();
    if (!item || (item->Kind != qkSync && item->Kind != qkAsync)) return;
    if (!Exchange(item->Request, item->Answer, kItemAnswerCapacity)) item->Answer = FailureAnswer();
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
    if (!FSession.ERUniqueButton()) return false;
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
