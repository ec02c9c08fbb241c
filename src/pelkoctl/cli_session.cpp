#include "pelkoctl/cli_session.h"

#include <iostream>

#include "link/posix_serial_port.h"

namespace pelkoctl {
namespace {

// Whatever the port number, the device is the one given with --port.
pelko::PortOpener OpenExactly(const std::string& path) {
    return [path](std::uint8_t, std::string& error) -> std::unique_ptr<pelko::SerialPort> {
        return pelko::PosixSerialPort::Open(path, error);
    };
}

}  // namespace

CliSession::CliSession(const Args& args, bool found)
    : FArgs(args), FSession(OpenExactly(args.port), [this] { Notified(); }) {
    FSession.SetPortBaudRate(static_cast<std::int32_t>(args.baud));
    FSession.SetMax_Attempt(static_cast<std::uint8_t>(args.attempts));
    FSession.SetTimeOutConstant(static_cast<std::int32_t>(args.timeoutMs));
    FSession.SetTimeOutMultiplier(static_cast<std::int32_t>(args.multiplierMs));
    FSession.SetIntervalTimeOut(0);
    FSession.SetTailinUS(static_cast<std::int32_t>(args.tailUs));
    FSession.SetSmartPI(true);
    FSession.SetCircle(0);
    FSession.SetFound(found);
    FSession.SetSearchAddr(found);
}

CliSession::~CliSession() { FSession.SetActive(false); }

int CliSession::Open() {
    if (FArgs.port.empty()) {
        std::cerr << "pelkoctl: не указан порт (--port PATH)\n";
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

void CliSession::RunUntil(const std::function<bool()>& done) {
    while (!done()) {
        {
            std::unique_lock<std::mutex> lock(FLock);
            FCond.wait(lock, [this] { return FPending; });
            FPending = false;
        }
        FSession.Dispatch();
    }
}

}  // namespace pelkoctl
