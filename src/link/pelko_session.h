#pragma once
// TPelkoSession: the link between the program and the controllers. Owns the
// two queues and the worker thread; every event is raised on the thread that
// calls Dispatch() (the main thread), never on the worker.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "link/answer_wait.h"
#include "link/bytes.h"
#include "link/exchange_log.h"
#include "link/link_timing.h"
#include "link/query_queue.h"
#include "link/serial_port.h"

namespace pelko {

class TPelkoThread;

class TPelkoSession {
public:
    using TOnReadCard = std::function<void(const Bytes& Answer)>;
    using TOnChangBut = std::function<void(const Bytes& Answer)>;
    using TOnAsyncAnswer = std::function<void(const Bytes& Answer, std::uint32_t Check)>;
    using TOnDevOn = std::function<void(std::uint32_t AddrDevice)>;
    using TOnSearchAddr = std::function<void(std::uint32_t AddrDevice, bool found)>;
    using TOnPortLost = std::function<void(const std::string& Message)>;
    using TOnScanProgress = std::function<void(std::uint32_t Done, std::uint32_t Total, std::uint32_t Found)>;
    using TOnScanDone = std::function<void(const Bytes& Found, std::uint32_t Check)>;
    using TOnCheck = std::function<void(std::uint32_t Check)>;
    // Called on the worker thread when the incoming queue goes from empty to
    // non-empty. The host must arrange for Dispatch() to run on its own thread
    // (the window posts a queued call; tests run their own loop).
    using Notifier = std::function<void()>;

    explicit TPelkoSession(PortOpener opener, Notifier notifier = {});
    ~TPelkoSession();  // stops the worker as SetActive(false) does
    TPelkoSession(const TPelkoSession&) = delete;
    TPelkoSession& operator=(const TPelkoSession&) = delete;

    // Link settings: stored only while inactive, silently ignored while active.
    std::uint8_t Max_Attempt() const { return FMaxAttempt; }
    void SetMax_Attempt(std::uint8_t v);
    std::int32_t PortBaudRate() const { return FPortBaudRate; }
    void SetPortBaudRate(std::int32_t v);
    std::int32_t IntervalTimeOut() const { return FIntervalTimeOut; }
    void SetIntervalTimeOut(std::int32_t v);
    std::int32_t TimeOutMultiplier() const { return FTimeOutMultiplier; }
    void SetTimeOutMultiplier(std::int32_t v);
    std::int32_t TimeOutConstant() const { return FTimeOutConstant; }
    void SetTimeOutConstant(std::int32_t v);
    std::int32_t TailinUS() const { return FTailinUS; }
    void SetTailinUS(std::int32_t v);
    bool SmartPI() const { return FSmartPI; }
    void SetSmartPI(bool v);
    bool Found() const { return FFound; }
    void SetFound(bool v);
    bool SearchAddr() const { return FSearchAddr; }
    void SetSearchAddr(bool v);
    std::uint32_t Circle() const { return FCircle; }
    void SetCircle(std::uint32_t v);
    std::uint8_t ComPort() const { return FComPort; }
    void SetComPort(std::uint8_t v);
    // Waits used by the worker; refused while active like the other settings.
    void SetTiming(std::shared_ptr<LinkTiming> timing);
    // Every exchange the worker makes is reported here; nullptr (the
    // default) reports nothing. Refused while active like the settings.
    void SetExchangeLog(std::shared_ptr<ExchangeLog> log);
    const std::shared_ptr<ExchangeLog>& GetExchangeLog() const { return FExchangeLog; }

    bool Active() const { return FActive; }
    // True opens the port and starts the worker; stays False when the port
    // cannot be opened (LastError() then says why).
    void SetActive(bool v);
    const std::string& LastError() const { return FLastError; }
    // The words of the last loss of the port in this session's life (an
    // unplugged adapter); empty when the port never went away.
    const std::string& PortLostMessage() const { return FPortLostMessage; }

    bool ERUniqueButton() const { return FERUniqueButton.load(); }
    void SetERUniqueButton(bool v);

    // Blocks until the worker has made the exchange. Answer is cut to
    // answerCapacity bytes. On an inactive session: the failure answer at once.
    bool SyncQuery(const Bytes& Request, Bytes& Answer, std::size_t answerCapacity = 17);
    // Queues the request; its outcome comes back through OnAsyncAnswer(Check).
    bool AsyncQuery(const Bytes& Request, std::uint32_t& Check);
    bool SetDevPresent(std::uint8_t AddrDevice);
    // Queues a fast search of the addresses (in the order given): progress
    // comes through OnScanProgress, the addresses that answered (ascending)
    // through OnScanDone(Check). Addresses 0 and 255 are left out.
    bool AsyncScan(const Bytes& Addresses, std::uint32_t& Check);
    // Queued after the last request of an operation: the line is let stay
    // quiet as long as an answer takes (longer after missed answers), and
    // OnQuiet(Check) follows any OnDoubt that this brought out.
    bool AsyncQuiet(std::uint32_t& Check);
    // The search on the line ends after the probe in flight and reports what it found so far.
    void StopScan() { FStopScan.store(true); }
    bool ScanStopAsked() const { return FStopScan.load(); }

    // Drains the incoming queue, raising the events in order. Main thread only.
    void Dispatch();

    TOnReadCard OnReadCard;
    TOnChangBut OnChangBut;
    TOnAsyncAnswer OnAsyncAnswer;
    TOnDevOn OnDevOn;
    TOnDevOn OnDevOff;
    TOnSearchAddr OnSearchAddr;
    // The port went away under the worker: the session has already gone
    // inactive (queued requests failed, nothing more comes); activating it
    // again opens the port afresh. LastError() holds the same words.
    TOnPortLost OnPortLost;
    TOnScanProgress OnScanProgress;
    TOnScanDone OnScanDone;
    // Bytes the line held outside the order of requests and answers: the
    // answer already handed out for Check may belong to another request
    // (a cell's answer does not carry the cell). Ask again after quiet.
    TOnCheck OnDoubt;
    TOnCheck OnQuiet;

private:
    friend class TPelkoThread;
    friend class FastScan;
    void PostItem(std::unique_ptr<TQueryItem> item);  // worker side
    std::uint32_t Queue(std::unique_ptr<TQueryItem> item);  // main thread: its check
    void Raise(const TQueryItem& item);
    void DiscardQueues();
    void PortLost(std::string message);

    PortOpener FOpener;
    Notifier FNotifier;
    std::shared_ptr<LinkTiming> FTiming;
    std::shared_ptr<ExchangeLog> FExchangeLog;
    std::uint8_t FMaxAttempt = 1;
    std::int32_t FPortBaudRate = 9600;
    std::int32_t FIntervalTimeOut = 0;
    std::int32_t FTimeOutMultiplier = 0;
    std::int32_t FTimeOutConstant = 40;
    std::int32_t FTailinUS = 400;
    bool FSmartPI = true;
    bool FFound = true;
    bool FSearchAddr = false;
    std::uint32_t FCircle = 0;
    std::uint8_t FComPort = 1;
    bool FActive = false;
    std::atomic<bool> FERUniqueButton{true};
    std::uint32_t FQueryNo = 0;
    std::string FLastError;
    std::string FPortLostMessage;
    // The last worker ended with an answer possibly still on its way, and
    // how late answers were seen to come.
    bool FLineUnsettled = false;
    std::int64_t FLineLateUs = 0;
    // Learned on this port; a new port number starts afresh.
    AnswerWait FAnswerWait;
    std::atomic<bool> FStopScan{false};
    TPelkoQuery FOutQueue;
    TPelkoQuery FInQueue;
    std::unique_ptr<TPelkoThread> FThread;
};

}  // namespace pelko
