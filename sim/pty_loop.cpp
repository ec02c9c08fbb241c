#include "sim/pty_loop.h"

#include <algorithm>
#include <cerrno>
#include <ctime>

namespace pelko {

bool PtyLoop::Turn(std::span<pollfd> extra) {
    FFds.assign(1, pollfd{FPty.MasterFd(), POLLIN, 0});
    for (const pollfd& p : extra) FFds.push_back({p.fd, p.events, 0});
    const std::int64_t due = FServer.NextDueUs();
    timespec wait{};
    if (due >= 0) {
        const std::int64_t us = std::max<std::int64_t>(0, due - FLine.Clock().NowUs());
        wait = {static_cast<time_t>(us / 1'000'000), static_cast<long>(us % 1'000'000) * 1000};
    }
    if (::ppoll(FFds.data(), FFds.size(), due >= 0 ? &wait : nullptr, nullptr) < 0) {
        if (errno != EINTR) return false;
        for (pollfd& p : FFds) p.revents = 0;
    }
    for (std::size_t i = 0; i < extra.size(); ++i) extra[i].revents = FFds[i + 1].revents;
    if (FFds[0].revents & POLLIN) FServer.OnReadable();
    FServer.SendDue();
    return true;
}

}  // namespace pelko
