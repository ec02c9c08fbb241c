#include "sim/pty_service.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <system_error>
#include <utility>

#include "sim/pty_loop.h"

namespace pelko {

PtyService::PtyService(std::shared_ptr<SimLine> line, bool timing) : FLine(std::move(line)), FTiming(timing) {}

PtyService::~PtyService() {
    Stop();
    if (FWake >= 0) ::close(FWake);
}

bool PtyService::Start(std::string& error) {
    if (FStarted) return error = "симулятор уже запущен", false;
    FStarted = true;  // a pseudo-terminal opened halfway cannot be opened again
    if (FLine->Clock().IsVirtual()) return error = "линия симулятора должна идти в реальном времени", false;
    if (!FPty.Open(error)) return false;
    FWake = ::eventfd(0, EFD_CLOEXEC);
    if (FWake < 0) return error = std::string("eventfd: ") + std::strerror(errno), false;
    try {
        FThread = std::thread(&PtyService::Run, this);
    } catch (const std::system_error& e) {
        return error = e.what(), false;
    }
    return true;
}

void PtyService::Stop() {
    if (!FThread.joinable()) return;
    const std::uint64_t one = 1;
    while (::write(FWake, &one, sizeof one) < 0 && errno == EINTR) {
    }
    FThread.join();
}

void PtyService::Run() {
    PtyLoop loop(*FLine, FPty, FTiming);
    for (;;) {
        pollfd wake{FWake, POLLIN, 0};
        if (!loop.Turn({&wake, 1})) {
            FFailed = true;
            return;
        }
        if (wake.revents & POLLIN) return;
    }
}

}  // namespace pelko
