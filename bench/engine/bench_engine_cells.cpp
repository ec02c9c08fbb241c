// Reading all 1010 cells of one controller through the engine and writing
// them back, against pelko-sim on a pseudo-terminal with its answers paced
// at the line speed. The elapsed time is set against the line floor: per
// exchange 2 ms + request bytes + TailinUS + answer bytes on the line.
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

#include "config/program_settings.h"
#include "engine/engine.h"
#include "engine/headless_host.h"
#include "link/baud_rate.h"
#include "link/posix_serial_port.h"
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

Result Measure(std::uint32_t baud) {
    Result r;
    SimProcess sim(SimProgram(), {"--controllers", "1@" + std::to_string(baud), "--timing"});
    if (sim.Path().empty()) {
        std::fprintf(stderr, "pelko-sim did not start (%s)\n", SimProgram().c_str());
        return r;
    }
    const std::string path = sim.Path();
    PortOpener opener = [path](std::uint8_t, std::string& error) -> std::unique_ptr<SerialPort> {
        return PosixSerialPort::Open(path, error);
    };
    HeadlessHost host;
    TPelkoSession session(opener, host.Notifier());
    host.AttachSession(&session);
    ProgramSettings settings;
    settings.PortBaudRate = settings.PrevBaudRate = static_cast<std::int32_t>(baud);
    session.SetPortBaudRate(settings.PortBaudRate);
    session.SetMax_Attempt(SessionMaxAttempt(settings.MaxAttempt));
    session.SetTimeOutConstant(settings.TOConstant);
    session.SetTimeOutMultiplier(settings.TOMultiplier);
    session.SetTailinUS(kTailUs);
    session.SetSmartPI(true);
    session.SetFound(false);
    TGroupDev group;
    TEngine engine(session, group, settings, host, opener);
    const DevIndex i = group.AddDevice(1);
    group.SetState(i, dfOpened);
    group.SetPass(i, FactoryPass);
    group.Select(i);
    session.SetActive(true);
    if (!session.Active()) {
        std::fprintf(stderr, "%s\n", session.LastError().c_str());
        return r;
    }
    r.readS = Seconds([&] { engine.ReadCards(group.Selected()); });
    r.readCells = engine.CellsConfirmed(1);
    r.writeS = Seconds([&] { engine.WriteCards(group.Selected()); });
    r.writeCells = engine.CellsConfirmed(1);
    r.readFloorS = Floor(baud, kReadBytes);
    r.writeFloorS = Floor(baud, kWriteBytes);
    r.ok = !host.Stalled;
    return r;
}

}  // namespace
}  // namespace pelko::bench

int main() {
    using namespace pelko::bench;
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
