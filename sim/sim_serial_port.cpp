#include "sim/sim_serial_port.h"

#include <algorithm>
#include <limits>

#include "sim/sim_adapter.h"
#include "sim/sim_controller.h"

namespace pelko {
namespace {
constexpr std::int64_t kNoLimit = std::numeric_limits<std::int64_t>::max();
}

SimSerialPort::SimSerialPort(std::shared_ptr<SimLine> line, std::string name)
    : FLine(std::move(line)), FName(std::move(name)), FRx(FLine->TakeInFlight()) {
    for (RxByte& b : FRx) b.hostUs = b.atUs;
    ThroughAdapter(FLine->Clock().NowUs());
}

SimSerialPort::~SimSerialPort() {
    const std::int64_t now = FLine->Clock().NowUs();
    std::erase_if(FRx, [now](const RxByte& b) { return b.hostUs <= now; });
    FLine->Detach(std::move(FRx));
}

std::unique_ptr<SimSerialPort> SimSerialPort::Open(std::shared_ptr<SimLine> line, std::string& error,
                                                   std::string name) {
    if (line->PortLost()) {
        error = "Порт " + name + " не найден";
        return nullptr;
    }
    if (!line->TryAttach()) {
        error = "Порт занят другой программой";
        return nullptr;
    }
    return std::make_unique<SimSerialPort>(std::move(line), std::move(name));
}

std::string SimSerialPort::lostMessage() const {
    return FLine->PortLost() ? PortLostText(FName) : std::string();
}

bool SimSerialPort::setBaudRate(std::uint32_t baud) {
    if (SpeedCodeOfBaud(baud) == 0) return false;
    FBaud = baud;
    return true;
}

void SimSerialPort::setTimeouts(const PortTimeouts& t) { FTimeouts = t; }

void SimSerialPort::purge() {
    const std::int64_t now = FLine->Clock().NowUs();
    std::erase_if(FRx, [now](const RxByte& b) { return b.hostUs <= now; });
}

// Bytes the host has by `now` stay as they came; the rest, held in the
// adapter, start its timer afresh from the first of them.
void SimSerialPort::ThroughAdapter(std::int64_t now) {
    const auto held = std::find_if(FRx.begin(), FRx.end(), [now](const RxByte& b) { return b.hostUs > now; });
    std::vector<std::int64_t> wire;
    for (auto it = held; it != FRx.end(); ++it) wire.push_back(it->atUs);
    const std::vector<std::int64_t> host = AdapterDeliveryUs(wire, FLine->AdapterLatencyUs());
    for (std::size_t i = 0; i < host.size(); ++i) held[static_cast<std::ptrdiff_t>(i)].hostUs = host[i];
}

void SimSerialPort::setRts(bool on) {
    const std::int64_t now = FLine->Clock().NowUs();
    if (FRts && !on) DropDriven(FRtsSinceUs, now);
    if (!FRts && on) FRtsSinceUs = now;
    FRts = on;
}

void SimSerialPort::abortWait() {
    std::lock_guard lock(FAbortLock);
    FAborted = true;
    FAbortCond.notify_all();
}

void SimSerialPort::DropDriven(std::int64_t fromUs, std::int64_t toUs) {
    std::erase_if(FRx, [&](const RxByte& b) { return !b.echo && b.startUs >= fromUs && b.startUs < toUs; });
}

std::size_t SimSerialPort::write(const std::uint8_t* data, std::size_t n) {
    if (FLine->PortLost()) return 0;
    const std::int64_t start = std::max(FLine->Clock().NowUs(), FTxEndUs);
    FTxEndUs = start + static_cast<std::int64_t>(n) * ByteTimeUs(FBaud);
    // Answer bytes that start while the frame goes out meet it on the wire; a
    // late reply that starts afterwards still comes, whatever the host sends.
    DropDriven(start, FTxEndUs);
    for (const SimAnswer& a : FLine->Transmit(data, n, FBaud, start)) Receive(a);
    std::stable_sort(FRx.begin(), FRx.end(), [](const RxByte& a, const RxByte& b) { return a.atUs < b.atUs; });
    ThroughAdapter(FLine->Clock().NowUs());
    return n;
}

void SimSerialPort::Receive(const SimAnswer& a) {
    std::size_t from = 0;
    if (a.replaces) {
        // A frame on its way met a later one: what of it has not arrived
        // yet is the collision; what has arrived stays as it was.
        std::size_t first = a.bytes.size();
        bool any = false;
        for (const RxByte& b : FRx) {
            if (b.frameId != a.frameId) continue;
            first = std::min(first, b.index);
            any = true;
        }
        if (!any) return;
        std::erase_if(FRx, [&](const RxByte& b) { return b.frameId == a.frameId; });
        from = first;
    }
    for (std::size_t i = from; i < a.bytes.size(); ++i) {
        const std::int64_t at = a.startUs + static_cast<std::int64_t>(i) * a.byteUs;
        FRx.push_back({at + a.byteUs, at, a.bytes[i], a.echo, at + a.byteUs, a.frameId, i});
    }
}

std::size_t SimSerialPort::read(std::uint8_t* buf, std::size_t n) {
    if (FLine->PortLost()) return 0;
    SimClock& clock = FLine->Clock();
    const std::int64_t start = clock.NowUs();
    // The converter's receiver is off while RTS holds it in transmit.
    if (FRts) DropDriven(FRtsSinceUs, std::numeric_limits<std::int64_t>::max());
    const std::int64_t totalMs = static_cast<std::int64_t>(FTimeouts.multiplierMs) * static_cast<std::int64_t>(n) +
                                 FTimeouts.constantMs;
    const std::int64_t deadline = totalMs ? start + totalMs * 1000 : kNoLimit;
    std::size_t got = 0;
    std::int64_t lastByteUs = start;
    while (got < n) {
        const std::int64_t now = clock.NowUs();
        while (got < n && !FRx.empty() && FRx.front().hostUs <= now) {
            lastByteUs = FRx.front().hostUs;
            buf[got++] = FRx.front().value;
            FRx.pop_front();
        }
        if (got == n || FRx.empty()) break;  // nothing else is on its way: a real port would only wait
        std::int64_t limit = deadline;
        if (FTimeouts.intervalMs && got > 0)
            limit = std::min(limit, lastByteUs + static_cast<std::int64_t>(FTimeouts.intervalMs) * 1000);
        if (FRx.front().hostUs > limit) {
            clock.WaitUntilUs(limit);
            break;
        }
        clock.WaitUntilUs(FRx.front().hostUs);
    }
    if (got < n && FRx.empty()) {
        std::int64_t limit = deadline;
        if (FTimeouts.intervalMs && got > 0)
            limit = std::min(limit, lastByteUs + static_cast<std::int64_t>(FTimeouts.intervalMs) * 1000);
        if (limit != kNoLimit) {
            clock.WaitUntilUs(limit);
        } else {
            // No time-out and nothing on its way: a real port waits for ever.
            std::unique_lock lock(FAbortLock);
            FAbortCond.wait(lock, [this] { return FAborted; });
        }
    }
    return got;
}

std::size_t SimSerialPort::readArrived(std::uint8_t* buf, std::size_t n) {
    if (FLine->PortLost()) return 0;
    const std::int64_t now = FLine->Clock().NowUs();
    if (FRts) DropDriven(FRtsSinceUs, std::numeric_limits<std::int64_t>::max());
    std::size_t got = 0;
    while (got < n && !FRx.empty() && FRx.front().hostUs <= now) {
        buf[got++] = FRx.front().value;
        FRx.pop_front();
    }
    return got;
}

PortOpener MakeSimPortOpener(std::shared_ptr<SimLine> line, std::uint8_t onlyComPort) {
    return [line, onlyComPort](std::uint8_t comPort, std::string& error) -> std::unique_ptr<SerialPort> {
        if (onlyComPort != 0 && comPort != onlyComPort) {
            error = "Порт COM" + std::to_string(comPort) + " не найден";
            return nullptr;
        }
        return SimSerialPort::Open(line, error, "COM" + std::to_string(comPort));
    };
}

}  // namespace pelko
