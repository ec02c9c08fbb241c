#include "sim/pty_server.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "sim/sim_adapter.h"

namespace pelko {

void PtyServer::OnReadable() {
    std::uint8_t buf[256];
    for (;;) {
        const ssize_t n = ::read(FPty.MasterFd(), buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;  // drained (EAGAIN), or no program on the other side
        const std::uint32_t baud = FPty.Baud();
        const std::int64_t now = FLine.Clock().NowUs();
        // Without timing the answers come at once and the program runs ahead of
        // the line's time; a pause it makes is still a pause on the line.
        const std::int64_t pause = std::max<std::int64_t>(0, now - FLastHeardEndUs);
        const std::int64_t start = std::max({now, FRxEndUs + pause, FAnsweredUntilUs});
        if (baud) {
            FRxEndUs = start + n * ByteTimeUs(baud);
            FLastHeardEndUs = now + n * ByteTimeUs(baud);
        }
        for (const SimAnswer& a : FLine.Transmit(buf, static_cast<std::size_t>(n), baud, start)) Queue(a, now);
    }
}

void PtyServer::Queue(const SimAnswer& a, std::int64_t now) {
    std::int64_t at = FTiming ? a.startUs : now + a.delayUs;
    std::size_t from = 0;
    if (a.replaces) {
        // A frame not yet sent met a later one on the line: the collision
        // takes the place of what of it is still queued.
        const auto first = std::find_if(FOut.begin(), FOut.end(), [&](const OutByte& o) { return o.frameId == a.frameId; });
        if (first == FOut.end()) return;
        from = first->index;
        if (!FTiming) at = first->wireUs;
        std::erase_if(FOut, [&](const OutByte& o) { return o.frameId == a.frameId; });
    }
    const std::int64_t lineEnd = a.startUs + static_cast<std::int64_t>(a.bytes.size()) * a.byteUs;
    if (FTiming) at += static_cast<std::int64_t>(from) * a.byteUs;
    for (std::size_t i = from; i < a.bytes.size(); ++i) {
        if (FTiming) at += a.byteUs;
        FOut.push_back({at, a.bytes[i], lineEnd, at, a.frameId, i});
    }
    std::stable_sort(FOut.begin(), FOut.end(), [](const OutByte& x, const OutByte& y) { return x.wireUs < y.wireUs; });
    // Nothing queued has reached the program yet: the adapter's timer starts
    // from the first of them.
    std::vector<std::int64_t> wire;
    for (const OutByte& o : FOut) wire.push_back(o.wireUs);
    const std::vector<std::int64_t> host = AdapterDeliveryUs(wire, FLine.AdapterLatencyUs());
    for (std::size_t i = 0; i < host.size(); ++i) FOut[i].atUs = host[i];
}

void PtyServer::SendDue() {
    const std::int64_t now = FLine.Clock().NowUs();
    std::vector<std::uint8_t> due;
    while (!FOut.empty() && FOut.front().atUs <= now) {
        due.push_back(FOut.front().value);
        FAnsweredUntilUs = std::max(FAnsweredUntilUs, FOut.front().lineEndUs);
        FOut.pop_front();
    }
    // A full receive queue on the program's side loses bytes, as a UART would.
    if (!due.empty()) FPty.Send(due.data(), due.size());
}

}  // namespace pelko
