#include "fake_line.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "link/frame.h"

namespace pelko::test {

void FakeTiming::waitUntilUs(std::int64_t untilUs) {
    std::int64_t now = FNow.load();
    while (now < untilUs && !FNow.compare_exchange_weak(now, untilUs)) {
    }
}

Bytes MakeAnswer(std::uint8_t adr, std::uint8_t cmd, const Bytes& data) {
    return BuildFrame(MakeBody(adr, cmd, data));
}

void FakeBus::SetController(std::uint8_t adr, FakeController c) {
    std::lock_guard<std::mutex> lock(FLock);
    FControllers[adr] = std::move(c);
}

void FakeBus::RemoveController(std::uint8_t adr) {
    std::lock_guard<std::mutex> lock(FLock);
    FControllers.erase(adr);
}

void FakeBus::SetSilent(std::uint8_t adr, bool silent) {
    std::lock_guard<std::mutex> lock(FLock);
    FControllers[adr].silent = silent;
}

void FakeBus::SetCard(std::uint8_t adr, std::optional<Bytes> card) {
    std::lock_guard<std::mutex> lock(FLock);
    FControllers[adr].card = std::move(card);
}

void FakeBus::SetButton(std::uint8_t adr, std::uint8_t state) {
    std::lock_guard<std::mutex> lock(FLock);
    FControllers[adr].button = state;
}

void FakeBus::SetScript(Script s) {
    std::lock_guard<std::mutex> lock(FLock);
    FScript = std::move(s);
}

void FakeBus::SetSlowReadMs(int ms) { FSlowReadMs = ms; }

void FakeBus::HoldSilentReads(bool hold) {
    std::lock_guard<std::mutex> lock(FLock);
    FHold = hold;
    FCond.notify_all();
}

void FakeBus::WaitWhileHeld() const {
    std::unique_lock<std::mutex> lock(FLock);
    FCond.wait(lock, [this] { return !FHold; });
}

std::vector<Bytes> FakeBus::Frames() const {
    std::lock_guard<std::mutex> lock(FLock);
    return FFrames;
}

std::vector<PortOp> FakeBus::Ops() const {
    std::lock_guard<std::mutex> lock(FLock);
    return FOps;
}

std::vector<std::uint32_t> FakeBus::Bauds() const {
    std::lock_guard<std::mutex> lock(FLock);
    return FBauds;
}

void FakeBus::RecordBaud(std::uint32_t baud) {
    std::lock_guard<std::mutex> lock(FLock);
    FBauds.push_back(baud);
}

std::vector<std::uint8_t> FakeBus::AddressesOf(std::uint8_t cmd) const {
    std::vector<std::uint8_t> out;
    for (const Bytes& f : Frames())
        if (f.size() >= 3 && f[2] == cmd) out.push_back(f[0]);
    return out;
}

std::size_t FakeBus::CountOf(std::uint8_t adr, std::uint8_t cmd) const {
    const std::vector<std::uint8_t> a = AddressesOf(cmd);
    return static_cast<std::size_t>(std::count(a.begin(), a.end(), adr));
}

void FakeBus::WaitFrames(const std::function<bool(const std::vector<Bytes>&)>& pred) const {
    std::unique_lock<std::mutex> lock(FLock);
    // A generous guard so a broken worker fails the test instead of hanging it.
    const bool ok = FCond.wait_for(lock, std::chrono::seconds(60), [&] { return pred(FFrames); });
    if (!ok) throw std::runtime_error("the expected frames never came");
}

void FakeBus::Log(const std::string& op) {
    std::lock_guard<std::mutex> lock(FLock);
    FOps.push_back(PortOp{op, FTiming->nowUs()});
}

std::vector<Bytes> FakeBus::OnFrame(const Bytes& frame) {
    std::lock_guard<std::mutex> lock(FLock);
    // A runaway worker on the fake clock would fill memory long before any wait times out.
    if (FFrames.size() >= 100000) {
        std::fprintf(stderr, "fake line: %zu frames written, the worker runs away\n", FFrames.size());
        std::abort();
    }
    FFrames.push_back(frame);
    FOps.push_back(PortOp{"write", FTiming->nowUs()});
    FCond.notify_all();
    if (FScript) return FScript(frame);
    return ControllerReply(frame);
}

std::vector<Bytes> FakeBus::ControllerReply(const Bytes& frame) {
    if (frame.size() < 5 || frame[1] != frame.size()) return {};
    if (Crc16(frame.data(), frame.size() - 2) != (frame[frame.size() - 2] << 8 | frame.back()))
        return {};
    const auto it = FControllers.find(frame[0]);
    if (it == FControllers.end() || it->second.silent) return {};
    const FakeController& c = it->second;
    const std::uint8_t adr = frame[0];
    const std::uint8_t cmd = frame[2];
    switch (cmd) {
        case kCmdProbe:
            return {MakeAnswer(adr, 0xFF, {0x00})};
        case kCmdCardPoll: {
            Bytes data = c.card ? *c.card : Bytes(5, 0xFF);
            data.push_back(0x00);
            return {MakeAnswer(adr, 0x03, data)};
        }
        case kCmdButtonPoll:
            return {MakeAnswer(adr, 0x73, {c.button})};
        default:
            return {MakeAnswer(adr, static_cast<std::uint8_t>(cmd + 1), {0xFF})};
    }
}

bool FakePort::setBaudRate(std::uint32_t baud) {
    FBus->RecordBaud(baud);
    return true;
}

void FakePort::purge() {
    FPending.clear();
    FBus->Log("purge");
}

std::size_t FakePort::write(const std::uint8_t* data, std::size_t n) {
    FPending = FBus->OnFrame(Bytes(data, data + n));
    return FBus->TakeShortWrite() ? n - 1 : n;
}

// A scripted reply belongs to the frame just written: nothing waits before it.
std::size_t FakePort::readArrived(std::uint8_t*, std::size_t) {
    FBus->Log("look");
    return 0;
}

std::size_t FakePort::read(std::uint8_t* buf, std::size_t n) {
    FBus->Log("read");
    FBus->ReadStarting();
    // A chunk boundary is a pause longer than the time-out: one read never
    // crosses it.
    if (FPending.empty()) {
        FBus->WaitWhileHeld();
        if (const int ms = FBus->SlowReadMs())
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        return 0;
    }
    Bytes& chunk = FPending.front();
    const std::size_t k = std::min(n, chunk.size());
    std::copy_n(chunk.begin(), k, buf);
    chunk.erase(chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(k));
    if (chunk.empty()) FPending.erase(FPending.begin());
    return k;
}

PortOpener FakeOpener(std::shared_ptr<FakeBus> bus, std::shared_ptr<std::atomic<bool>> refuse) {
    return [bus, refuse](std::uint8_t, std::string& error) -> std::unique_ptr<SerialPort> {
        if (refuse && refuse->load()) {
            error = "порт занят";
            return nullptr;
        }
        return std::make_unique<FakePort>(bus);
    };
}

}  // namespace pelko::test
