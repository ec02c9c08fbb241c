// Reading all 1010 cells of one controller through the engine and writing
// them back, against pelko-sim on a pseudo-terminal with its answers paced
// at the line speed. The elapsed time is set against the line floor: per
// exchange 2 ms + request bytes + TailinUS + answer bytes on the line.
// Then the same through a modelled USB adapter whose latency timer is 16 ms
// (pelko-sim --adapter-latency 16), without and with the program's request
// for low latency, which the driver turns into a 1 ms timer (a pty cannot
// carry the request: the bench passes it on with `latency 1` at each open).
// And a write of only what changed set against one whole read of the same
// controller at 9600: a file differing in 5 of 300 cards, a fresh
// controller given 200, with nothing known beforehand or after a read (the
// backup's), and the old way of writing every cell.
//   bench_engine_cells [line|adapter|changed]   (all without an argument)
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "config/program_settings.h"
#include "engine/engine.h"
#include "tests/engine/test_front_end.h"
#include "link/baud_rate.h"
#include "link/posix_serial_port.h"
#include "model/code.h"
#include "sim_process.h"

namespace pelko::bench {
namespace {

constexpr int kCells = 1010;
constexpr std::int32_t kTailUs = 400;
// Frame sizes on the line, checksum included: request, answer.
constexpr int kLoginBytes = 10 + 6;
constexpr int kReadBytes = 7 + 10;
constexpr int kWriteBytes = 12 + 6;

struct Result {
    double readS = 0, readFloorS = 0;
    double writeS = 0, writeFloorS = 0;
    int readCells = 0, writeCells = 0;
    bool ok = false;
};

double Floor(std::uint32_t baud, int cellBytes) {
    const std::int64_t byteUs = ByteTimeUs(baud);
    auto exchange = [&](int bytes) { return 2000 + bytes * byteUs + kTailUs; };
    return static_cast<double>(exchange(kLoginBytes) + kCells * exchange(cellBytes)) / 1e6;
}

double Seconds(const std::function<void()>& run) {
    const auto t0 = std::chrono::steady_clock::now();
    run();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// The engine on pelko-sim's pty with controller 1 opened and selected;
// each command runs to its end on the real clock. Active() false when the
// port could not be opened.
struct Rig {
    Rig(std::uint32_t baud, PortOpener open)
        : opener(std::move(open)),
          session(opener, host.Notifier()),
          engine(session, group, Settings(baud), host, opener) {
        session.SetPortBaudRate(settings.PortBaudRate);
        session.SetMax_Attempt(SessionMaxAttempt(settings.MaxAttempt));
        session.SetTimeOutConstant(settings.TOConstant);
        session.SetTimeOutMultiplier(settings.TOMultiplier);
        session.SetTailinUS(kTailUs);
        session.SetSmartPI(true);
        session.SetFound(false);
        host.Attach(&session, &engine);
        device = group.AddDevice(1);
        group.SetState(device, dfOpened);
        group.SetPass(device, FactoryPass);
        group.Select(device);
        session.SetActive(true);
    }
    ProgramSettings& Settings(std::uint32_t baud) {
        settings.PortBaudRate = settings.PrevBaudRate = static_cast<std::int32_t>(baud);
        return settings;
    }
    bool Active() const { return session.Active(); }

    PortOpener opener;
    test::TestFrontEnd host;
    TPelkoSession session;
    ProgramSettings settings;
    TGroupDev group;
    TEngine engine;
    DevIndex device = NoDevice;
};

// adapterMs 0: the line straight on the port.
Result Measure(std::uint32_t baud, int adapterMs = 0, bool lowLatency = false) {
    Result r;
    std::vector<std::string> args{"--controllers", "1@" + std::to_string(baud), "--timing"};
    if (adapterMs > 0) args.insert(args.end(), {"--adapter-latency", std::to_string(adapterMs)});
    SimProcess sim(SimProgram(), args);
    if (sim.Path().empty()) {
        std::fprintf(stderr, "pelko-sim did not start (%s)\n", SimProgram().c_str());
        return r;
    }
    const std::string path = sim.Path();
    PortOpener opener = [path, lowLatency, &sim](std::uint8_t, std::string& error) -> std::unique_ptr<SerialPort> {
        auto port = PosixSerialPort::Open(path, error);
        if (port && lowLatency && !sim.Control("latency 1")) std::fprintf(stderr, "pelko-sim refused latency 1\n");
        return port;
    };
    Rig rig(baud, opener);
    if (!rig.Active()) {
        std::fprintf(stderr, "%s\n", rig.session.LastError().c_str());
        return r;
    }
    TEngine& engine = rig.engine;
    r.readS = Seconds([&] { engine.ReadCards(rig.device); });
    r.readCells = engine.CellsConfirmed(1);
    // Every cell, as the floor counts them: after the read nothing differs.
    r.writeS = Seconds([&] { engine.WriteCards(rig.device, {.allCells = true}); });
    r.writeCells = engine.CellsConfirmed(1);
    r.readFloorS = Floor(baud, kReadBytes);
    r.writeFloorS = Floor(baud, kWriteBytes);
    r.ok = !rig.host.Stalled;
    return r;
}

int LineTable() {
    std::printf("All 1010 cells of one controller through the engine, pelko-sim --timing on a pty\n");
    std::printf("floor = login + 1010 exchanges of 2 ms + request + TailinUS (%d us) + answer\n\n", kTailUs);
    std::printf("%7s %6s %9s %8s %6s %6s\n", "baud", "op", "elapsed", "floor", "ratio", "cells");
    for (std::uint32_t baud : {115200u, 9600u}) {
        const Result r = Measure(baud);
        if (!r.ok) return 1;
        std::printf("%7u %6s %8.3fs %7.3fs %6.3f %6d\n", baud, "read", r.readS, r.readFloorS,
                    r.readS / r.readFloorS, r.readCells);
        std::printf("%7u %6s %8.3fs %7.3fs %6.3f %6d\n", baud, "write", r.writeS, r.writeFloorS,
                    r.writeS / r.writeFloorS, r.writeCells);
        std::fflush(stdout);
    }
    return 0;
}

int AdapterTable() {
    constexpr int kTimerMs = 16;
    std::printf("\nThrough a USB adapter with a %d ms latency timer (pelko-sim --adapter-latency %d),\n", kTimerMs,
                kTimerMs);
    std::printf("without and with the program's low-latency request (the adapter's timer then 1 ms)\n\n");
    std::printf("%7s %6s %9s %9s %6s %6s\n", "baud", "op", "16 ms", "asked", "gain", "cells");
    for (std::uint32_t baud : {115200u, 9600u}) {
        const Result slow = Measure(baud, kTimerMs, false);
        if (!slow.ok) return 1;
        const Result fast = Measure(baud, kTimerMs, true);
        if (!fast.ok) return 1;
        std::printf("%7u %6s %8.3fs %8.3fs %6.2f %6d\n", baud, "read", slow.readS, fast.readS, slow.readS / fast.readS,
                    fast.readCells);
        std::printf("%7u %6s %8.3fs %8.3fs %6.2f %6d\n", baud, "write", slow.writeS, fast.writeS,
                    slow.writeS / fast.writeS, fast.writeCells);
        std::fflush(stdout);
    }
    return 0;
}

// --- writing what changed ---

using CellCodes = std::map<std::uint16_t, TCode>;

TCode CardCode(std::uint16_t cell, std::uint8_t salt = 0) {
    return TCode{0xB0, static_cast<std::uint8_t>(cell >> 8), static_cast<std::uint8_t>(cell), salt, 0x3C};
}

CellCodes Cards(std::uint16_t count) {
    CellCodes out;
    for (std::uint16_t c = 0; c < count; ++c) out[c] = CardCode(c);
    return out;
}

// One controller at 1 on pelko-sim --timing holding `held`, the engine's
// model of it holding `wanted`; a whole read first when readFirst.
struct WriteRun {
    const char* what;
    CellCodes held, wanted;
    bool readFirst = false;
    bool allCells = false;
};

struct WriteTimes {
    double readS = 0, writeS = 0;
    int written = 0, confirmed = 0;
    bool ok = false;
};

WriteTimes TimeWrite(std::uint32_t baud, const WriteRun& run) {
    WriteTimes t;
    SimProcess sim(SimProgram(), {"--controllers", "1@" + std::to_string(baud), "--timing"});
    if (sim.Path().empty()) return t;
    for (const auto& [cell, code] : run.held)
        if (!sim.Control("cell 1 " + std::to_string(cell) + " " + CodeToText(code))) return t;
    const std::string path = sim.Path();
    PortOpener opener = [path](std::uint8_t, std::string& error) -> std::unique_ptr<SerialPort> {
        return PosixSerialPort::Open(path, error);
    };
    Rig rig(baud, opener);
    if (!rig.Active()) return t;
    TEngine& engine = rig.engine;
    const DevIndex i = rig.device;
    if (run.readFirst) t.readS = Seconds([&] { engine.ReadCards(i); });
    TConfPelko& dev = *rig.group.GetDevice(i, nullptr);
    while (dev.UserCount() > 0) dev.DeleteCard(false, 0);
    while (dev.MasterCount() > 0) dev.DeleteCard(true, 0);
    for (const auto& [cell, code] : run.wanted) dev.AddCard(cell, code, "");
    t.writeS = Seconds([&] { engine.WriteCards(i, {.withoutBackup = true, .allCells = run.allCells}); });
    if (!engine.LastWriteChecks().empty()) t.written = engine.LastWriteChecks()[0].written;
    t.confirmed = engine.CellsConfirmed(1);
    t.ok = !rig.host.Stalled && t.confirmed == kCells;
    return t;
}

int ChangedTable() {
    constexpr std::uint32_t kBaud = 9600;
    CellCodes five = Cards(300);
    for (std::uint16_t c : {10, 120, 299}) five[c] = CardCode(c, 1);
    five.erase(50);
    five[400] = CardCode(400);
    const WriteRun runs[] = {
        {"5 of 300 changed, nothing known", Cards(300), five},
        {"5 of 300 changed, after a read", Cards(300), five, true},
        {"fresh controller, 200 cards", {}, Cards(200)},
        {"fresh controller, 200, after a read", {}, Cards(200), true},
        {"5 of 300, every cell (old way)", Cards(300), five, false, true},
    };
    std::printf("\nWriting what changed, pelko-sim --timing at %u bit/s, against one whole read\n\n", kBaud);
    const WriteTimes base = TimeWrite(kBaud, {"read", Cards(300), Cards(300), true});
    if (base.readS <= 0) return 1;
    std::printf("%-34s %9s %6s %8s\n", "write", "elapsed", "ratio", "written");
    std::printf("%-34s %8.2fs %6.2f %8s\n", "one whole read (300 cards)", base.readS, 1.0, "-");
    for (const WriteRun& run : runs) {
        const WriteTimes t = TimeWrite(kBaud, run);
        if (!t.ok) {
            std::fprintf(stderr, "%s: the write did not end confirmed\n", run.what);
            return 1;
        }
        const double total = t.readS + t.writeS;  // a read before counts: it is the backup's
        std::printf("%-34s %8.2fs %6.2f %8d\n", run.what, total, total / base.readS, t.written);
        std::fflush(stdout);
    }
    return 0;
}

}  // namespace
}  // namespace pelko::bench

int main(int argc, char** argv) {
    using namespace pelko::bench;
    const std::string which = argc > 1 ? argv[1] : "";
    if (which != "" && which != "line" && which != "adapter" && which != "changed") {
        std::fprintf(stderr, "usage: bench_engine_cells [line|adapter|changed]\n");
        return 2;
    }
    if ((which == "" || which == "line") && LineTable() != 0) return 1;
    if ((which == "" || which == "adapter") && AdapterTable() != 0) return 1;
    if ((which == "" || which == "changed") && ChangedTable() != 0) return 1;
    return 0;
}
