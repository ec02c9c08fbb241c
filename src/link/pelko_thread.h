#pragma once
// TPelkoThread: the one thread that touches the serial port. It serves the
// session's queued requests, scans the line at start-up, polls the present
// controllers and re-probes absent addresses, and hands everything it learns
// back through the session's incoming queue.
#include <array>
#include <atomic>
#include <bitset>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "link/bytes.h"
#include "link/exchange_log.h"
#include "link/line_evidence.h"
#include "link/query_queue.h"
#include "link/serial_port.h"

namespace pelko {

class TPelkoSession;
class LinkTiming;

class TPelkoThread {
public:
    // Opens the session's port and starts the thread. nullptr, with the
    // reason in error, when the port cannot be opened.
    static std::unique_ptr<TPelkoThread> Create(TPelkoSession& session, std::string& error);
    // Sets the terminate flag, waits for the thread body to end, closes the port.
    ~TPelkoThread();
    TPelkoThread(const TPelkoThread&) = delete;
    TPelkoThread& operator=(const TPelkoThread&) = delete;

    // Answer capacities: an answer that goes into a queue item, and the
    // worker's own probes and polls.
    static constexpr std::size_t kItemAnswerCapacity = 17;
    static constexpr std::size_t kOwnAnswerCapacity = 255;

    // Main-thread side.
    void SetPresent(std::uint8_t adr);
    void Wake();  // something was queued or changed: leave the idle wait

private:
    friend class FastScan;
    explicit TPelkoThread(TPelkoSession& session);

    bool OpenPort(std::uint8_t n, std::string& error);
    bool SetBaudRate(std::int32_t baud);
    void ClosePort();
    bool Exchange(const Bytes& request, Bytes& answer, std::size_t capacity);
    bool Settled(bool ok);
    bool Attempt(const Bytes& frame, const Bytes& request, Bytes& answer, std::size_t capacity);
    std::size_t ReadAnswer(const Bytes& frame, Bytes& answer, std::size_t capacity);
    bool IsLateFromAnother(const Bytes& request, const Bytes& answer, std::size_t got) const;
    void NoteLateness(std::uint8_t adr, const Bytes& answer, std::size_t got, std::int64_t sentUs);
    static std::array<std::int64_t, 256> MissNone() {
        std::array<std::int64_t, 256> a{};
        a.fill(-1);
        return a;
    }
    void Settle();
    std::size_t Look();
    void LookAtLine();
    void Weigh(const Bytes& request, const Bytes& answer, std::size_t got, bool accepted);
    void WaitQuiet();
    void PostDoubts();
    bool PortGone();
    void LosePort(const std::string& message);
    void FailQueued();
    void PostItem(std::unique_ptr<TQueryItem> item);
    void PostEvent(std::uint8_t kind, std::uint32_t data, Bytes request = {}, Bytes answer = {});

    void Execute();
    void StartupScan();
    void ServeRequest();
    void PollStep();
    void PollCards(std::uint8_t adr, Bytes& answer);
    void PollButton(std::uint8_t adr, Bytes& answer);
    void ReprobeStep();
    void Announce(std::uint8_t adr, bool on);  // qkDevOn or qkDevOff, remembered
    int NextCandidate(std::uint8_t start, bool present) const;

    bool HasWork() const;
    void IdleWait();
    bool Terminated() const { return FTerminated.load(); }

    TPelkoSession& FSession;
    LinkTiming& FTiming;
    const std::shared_ptr<ExchangeLog> FLog;  // fixed for the worker's life
    // The last attempt, as the log reports it.
    std::size_t FGot = 0;
    std::int64_t FSentUs = 0;
    std::unique_ptr<SerialPort> FPort;  // changed by the worker only, under FPortLock
    std::mutex FPortLock;
    bool FDriverSwitches = false;  // the port's driver keys the converter (program mode)
    // Addresses whose last attempt got no whole answer: theirs may still be
    // on its way and must not pass for the answer to a later frame.
    std::bitset<256> FUnsettled;
    bool FAllUnsettled = false;  // the port was reopened over an answer in flight
    // Per address: when its first attempt without a whole answer since the
    // line last settled went out; -1 none.
    std::array<std::int64_t, 256> FMissSinceUs = MissNone();
    std::int64_t FLateUs = 0;    // the longest a late answer was seen to take on this line
    PortTimeouts FTimeouts;      // the port's read time-outs as the settings give them
    LineEvidence FEvidence;
    // The queued request being served, whose answer a later stray byte may put in doubt.
    bool FServingQueued = false;
    std::uint32_t FServing = 0;
    std::array<std::atomic<bool>, 256> FPresent{};

    // Local state of the thread body.
    Bytes FPrevCard;
    bool FLastButton = false;
    std::uint8_t FNextPoll = 0;
    std::uint8_t FNextProbe = 0;
    std::uint32_t FPassCount = 0;
    // Addresses announced with qkDevOn and not lost since. A controller made
    // present by SetPresent (after an operation, or after a poll it missed)
    // is announced at its first answered poll, so the program shows it again.
    std::array<bool, 256> FAnnounced{};

    std::atomic<bool> FTerminated{false};
    mutable std::mutex FWakeLock;
    std::condition_variable FWakeCond;
    std::thread FThread;
};

}  // namespace pelko
