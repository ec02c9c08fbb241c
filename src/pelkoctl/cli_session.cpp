#include "pelkoctl/cli_session.h"

#include <algorithm>
#include <iostream>

#include "link/platform_port.h"
#include "link/port_notice.h"

namespace pelkoctl {

pelko::PortOpener OpenExactly(const std::string& path) {
    return [path](std::uint8_t, std::string& error) -> std::unique_ptr<pelko::SerialPort> {
        return pelko::OpenPlatformPort(path, error);
    };
}

namespace {

// Every queued request comes back, answered or failed, within its attempts
// (the link bounds reads that the time-outs leave open); the margin covers
// the 2 ms pauses, frame times and a loaded machine.
std::chrono::milliseconds StallLimit(const Args& args) {
    const pelko::PortTimeouts t = pelko::BoundedTimeouts({0, args.multiplierMs, args.timeoutMs}, args.baud);
    const std::uint64_t attempt = 2 + t.constantMs + std::uint64_t{t.multiplierMs} * 17 + 50;
    return std::chrono::milliseconds(std::max<std::uint64_t>(args.attempts, 1) * attempt + 10000);
}

}  // namespace

CliSession::CliSession(const Args& args, bool found)
    : FArgs(args),
      FStallLimit(StallLimit(args)),
      // A slow adapter works, only slower: said on stderr, the output stays clean.
      FOpener(pelko::TellingNotices(OpenExactly(args.port),
                                    [](const std::string& text) { std::cerr << "pelkoctl: " << text << "\n"; })),
      FSession(FOpener, [this] { Notified(); }) {
    FSession.SetPortBaudRate(static_cast<std::int32_t>(args.baud));
    FSession.SetMax_Attempt(static_cast<std::uint8_t>(args.attempts));
    FSession.SetTimeOutConstant(static_cast<std::int32_t>(args.timeoutMs));
    FSession.SetTimeOutMultiplier(static_cast<std::int32_t>(args.multiplierMs));
    FSession.SetIntervalTimeOut(0);
    FSession.SetTailinUS(static_cast<std::int32_t>(args.tailUs));
    FSession.SetSmartPI(args.rtsAuto);
    FSession.SetCircle(0);
    FSession.SetFound(found);
    FSession.SetSearchAddr(found);
    if (args.trace || !args.traceFile.empty()) {
        FTrace = std::make_unique<Trace>(args.trace, args.traceFile, std::cerr);
        FTrace->onRecord = [this](const pelko::ExchangeRecord& r) { FNotes.Observe(r); };
        FSession.SetExchangeLog(FTrace->log());
    } else {
        FNotesLog = std::make_shared<pelko::ExchangeLog>(65536);
        FSession.SetExchangeLog(FNotesLog);
    }
}

CliSession::~CliSession() {
    FSession.SetActive(false);
    if (FTrace) FTrace->Flush();
    DrainNotes();
    for (const std::string& line : FNotes.Lines()) std::cerr << "pelkoctl: " << line << "\n";
}

void CliSession::DrainNotes() {
    if (!FNotesLog) return;
    std::vector<pelko::ExchangeRecord> records;
    FNotesLog->Drain(records);
    for (const pelko::ExchangeRecord& r : records) FNotes.Observe(r);
}

int CliSession::Open() {
    if (FArgs.port.empty()) {
        std::cerr << "pelkoctl: не указан порт (--port PATH)\n";
        return kBadArgs;
    }
    if (FTrace && !FTrace->Ok()) {
        std::cerr << "pelkoctl: не могу открыть файл " << FArgs.traceFile << "\n";
        return kBadArgs;
    }
    FSession.SetActive(true);
    if (FSession.Active()) return kOk;
    std::cerr << "pelkoctl: " << FSession.LastError() << "\n";
    return kNoPort;
}

void CliSession::Notified() {
    std::lock_guard<std::mutex> lock(FLock);
    FPending = true;
    FCond.notify_one();
}

std::string CliSession::StallMessage() const {
    if (PortLost()) return FSession.PortLostMessage();
    return "ответа нет дольше " + std::to_string(FStallLimit.count() / 1000) +
           " с, хотя тайм-ауты ограничивают обмен (--timeout " + std::to_string(FArgs.timeoutMs) +
           " мс, --multiplier " + std::to_string(FArgs.multiplierMs) + " мс)";
}

bool CliSession::RunUntil(const std::function<bool()>& done) {
    while (!done()) {
        if (PortLost()) return false;  // nothing more will come
        {
            std::unique_lock<std::mutex> lock(FLock);
            if (!FTrace) {
                if (!FCond.wait_for(lock, FStallLimit, [this] { return FPending; })) return false;
            } else {
                // Polls make no events: write the trace as it comes, not at the end.
                const auto deadline = std::chrono::steady_clock::now() + FStallLimit;
                while (!FPending) {
                    lock.unlock();
                    FTrace->Flush();
                    lock.lock();
                    const auto slice = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
                    if (!FCond.wait_until(lock, std::min(slice, deadline), [this] { return FPending; }) &&
                        std::chrono::steady_clock::now() >= deadline)
                        return false;
                }
            }
            FPending = false;
        }
        if (FTrace) FTrace->Flush();
        DrainNotes();
        FSession.Dispatch();
    }
    return true;
}

}  // namespace pelkoctl
