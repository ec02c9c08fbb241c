#include "link/pelko_session.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "link/frame.h"
#include "link/pelko_thread.h"
#include "link/steady_link_timing.h"
#include "link/sync_waiter.h"

namespace pelko {
namespace {

const char kPortOpenFailed[] = "Не могу открыть порт!";

std::unique_ptr<TQueryItem> MakeRequestItem(const Bytes& request, std::uint8_t kind) {
    auto item = std::make_unique<TQueryItem>();
    item->Kind = kind;
    item->Request.assign(request.begin(),
                         request.begin() + std::min(request.size(), kMaxRequestBody));
    return item;
}

}  // namespace

TPelkoSession::TPelkoSession(PortOpener opener, Notifier notifier)
    : FOpener(std::move(opener)),
      FNotifier(std::move(notifier)),
      FTiming(std::make_shared<SteadyLinkTiming>()) {}

TPelkoSession::~TPelkoSession() { SetActive(false); }

// Settings are read by the worker without a lock, so they only change while
// no worker runs.
void TPelkoSession::SetMax_Attempt(std::uint8_t v) { if (!FActive) FMaxAttempt = v; }
void TPelkoSession::SetPortBaudRate(std::int32_t v) { if (!FActive) FPortBaudRate = v; }
void TPelkoSession::SetIntervalTimeOut(std::int32_t v) { if (!FActive) FIntervalTimeOut = v; }
void TPelkoSession::SetTimeOutMultiplier(std::int32_t v) { if (!FActive) FTimeOutMultiplier = v; }
void TPelkoSession::SetTimeOutConstant(std::int32_t v) { if (!FActive) FTimeOutConstant = v; }
void TPelkoSession::SetTailinUS(std::int32_t v) { if (!FActive) FTailinUS = v; }
void TPelkoSession::SetSmartPI(bool v) { if (!FActive) FSmartPI = v; }
void TPelkoSession::SetFound(bool v) { if (!FActive) FFound = v; }
void TPelkoSession::SetSearchAddr(bool v) { if (!FActive) FSearchAddr = v; }
void TPelkoSession::SetCircle(std::uint32_t v) { if (!FActive) FCircle = v; }
void TPelkoSession::SetComPort(std::uint8_t v) {
    if (FActive || v == FComPort) return;
    FComPort = v;
    FAnswerWait.Clear();
}

void TPelkoSession::SetExchangeLog(std::shared_ptr<ExchangeLog> log) {
    if (!FActive) FExchangeLog = std::move(log);
}

void TPelkoSession::SetTiming(std::shared_ptr<LinkTiming> timing) {
    if (!FActive && timing) FTiming = std::move(timing);
}

void TPelkoSession::SetActive(bool v) {
    if (v == FActive) return;
    if (v) {
        std::string error;
        FThread = TPelkoThread::Create(*this, error);
        FActive = FThread != nullptr;
        FLastError = FActive ? std::string() : error.empty() ? std::string(kPortOpenFailed) : error;
        return;
    }
    FThread.reset();
    FActive = false;
    DiscardQueues();
}

void TPelkoSession::DiscardQueues() {
    while (std::unique_ptr<TQueryItem> item = FOutQueue.Pop()) {
        // A synchronous caller still waiting (another thread) gets the failure answer.
        if (item->Kind == qkSync && item->Event) {
            item->Answer = FailureAnswer();
            item.release()->Event->Signal();
        }
    }
    while (FInQueue.Pop()) {
    }
}

void TPelkoSession::SetERUniqueButton(bool v) {
    if (!FThread || v == FERUniqueButton.load()) return;
    // The worker reads the flag once per pass, so a plain store takes effect
    // between two of its passes without making the main thread wait for it.
    FERUniqueButton.store(v);
    FThread->Wake();
}

bool TPelkoSession::SyncQuery(const Bytes& Request, Bytes& Answer, std::size_t answerCapacity) {
    Bytes answer = FailureAnswer();
    if (FActive) {
        SyncWaiter event;
        std::unique_ptr<TQueryItem> item = MakeRequestItem(Request, qkSync);
        item->Event = &event;
        TQueryItem* raw = item.get();
        FOutQueue.Push(std::move(item));
        FThread->Wake();
        event.Wait();
        // The worker hands the item back to us with the signal.
        std::unique_ptr<TQueryItem> done(raw);
        answer = std::move(done->Answer);
    }
    if (answer.size() > answerCapacity) answer.resize(answerCapacity);
    Answer = std::move(answer);
    return !IsFailureAnswer(Answer);
}

// Every queued item answered later carries the next check number.
std::uint32_t TPelkoSession::Queue(std::unique_ptr<TQueryItem> item) {
    item->Data = FQueryNo;
    FOutQueue.Push(std::move(item));
    if (FThread) FThread->Wake();
    return FQueryNo++;
}

bool TPelkoSession::AsyncQuery(const Bytes& Request, std::uint32_t& Check) {
    Check = Queue(MakeRequestItem(Request, qkAsync));
    return true;
}

bool TPelkoSession::AsyncScan(const Bytes& Addresses, std::uint32_t& Check) {
    auto item = std::make_unique<TQueryItem>();
    item->Kind = qkScan;
    for (std::uint8_t a : Addresses)
        if (a != 0 && a != 255) item->List.push_back(a);
    FStopScan.store(false);
    Check = Queue(std::move(item));
    return true;
}

bool TPelkoSession::AsyncQuiet(std::uint32_t& Check) {
    auto item = std::make_unique<TQueryItem>();
    item->Kind = qkQuiet;
    Check = Queue(std::move(item));
    return true;
}

bool TPelkoSession::SetDevPresent(std::uint8_t AddrDevice) {
    if (AddrDevice == 0 || AddrDevice == 255 || !FActive) return false;
    FThread->SetPresent(AddrDevice);
    return true;
}

void TPelkoSession::PostItem(std::unique_ptr<TQueryItem> item) {
    // Only the first item of a burst notifies; the dispatch it causes drains the rest.
    if (FInQueue.PushWasEmpty(std::move(item)) && FNotifier) FNotifier();
}

void TPelkoSession::Dispatch() {
    while (std::unique_ptr<TQueryItem> item = FInQueue.Pop()) {
        try {
            Raise(*item);
        } catch (...) {
            // The worker will not notify again while items wait here, so ask
            // for a fresh dispatch before the exception leaves.
            if (!FInQueue.IsEmpty() && FNotifier) FNotifier();
            throw;
        }
    }
}

void TPelkoSession::Raise(const TQueryItem& item) {
    const std::uint32_t data = item.Data;
    switch (item.Kind) {
        case qkAsync:
            if (OnAsyncAnswer) OnAsyncAnswer(item.Answer, data);
            break;
        case qkChangBut:
            if (OnChangBut) OnChangBut(item.Answer);
            break;
        case qkReadCard:
            if (OnReadCard) OnReadCard(item.Answer);
            break;
        case qkDevOn:
            if (OnDevOn) OnDevOn(data);
            break;
        case qkDevOff:
            if (OnDevOff) OnDevOff(data);
            break;
        case qkSearchAddr:
            if (OnSearchAddr) OnSearchAddr(data & 0xFF, (data >> 8 & 0xFF) != 0);
            break;
        case qkPortLost:
            PortLost(item.Text);
            break;
        case qkScan:
            if (OnScanDone) OnScanDone(item.List, data);
            break;
        case qkScanProgress:
            if (OnScanProgress) {
                const TScanProgress p = UnpackScanProgress(data);
                OnScanProgress(p.done, p.total, p.found);
            }
            break;
        case qkDoubt:
            if (OnDoubt) OnDoubt(data);
            break;
        case qkQuiet:
            if (OnQuiet) OnQuiet(data);
            break;
        default:
            break;
    }
}

// The worker has closed the port and failed what was queued; what it posted
// after the loss is dropped with the queues, so the handler hears of the
// loss before any failed answer.
void TPelkoSession::PortLost(std::string message) {
    SetActive(false);
    FLastError = message;
    FPortLostMessage = message;
    if (OnPortLost) OnPortLost(message);
}

}  // namespace pelko
