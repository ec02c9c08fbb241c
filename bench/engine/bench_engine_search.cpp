// The device search through the engine against pelko-sim --timing on a
// pseudo-terminal, with the program's default settings (120 ms, 3 attempts):
// one speed with three controllers at 9600 and at 115200, the same with one
// controller answering 100 ms late, and the search over every speed on the
// window's demonstration line. Set against the full wait the search made
// before it learned its wait: 251 empty addresses x 3 attempts x (2 ms +
// probe + TailinUS + 126 ms).
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "config/program_settings.h"
#include "engine/engine.h"
#include "tests/engine/test_front_end.h"
#include "link/baud_rate.h"
#include "link/posix_serial_port.h"
#include "sim_process.h"

namespace pelko::bench {
namespace {

struct Case {
    const char* name;
    std::uint32_t baud;
    std::vector<std::string> sim;
    bool allSpeeds;
    std::size_t expected;
};

struct Result {
    double seconds = 0;
    std::size_t found = 0;
    std::size_t opened = 0;
    bool ok = false;
};

Result Measure(const Case& c) {
    Result r;
    std::vector<std::string> args = c.sim;
    args.push_back("--timing");
    SimProcess sim(SimProgram(), args);
    if (sim.Path().empty()) {
        std::fprintf(stderr, "pelko-sim did not start (%s)\n", SimProgram().c_str());
        return r;
    }
    const std::string path = sim.Path();
    PortOpener opener = [path](std::uint8_t, std::string& error) -> std::unique_ptr<SerialPort> {
        return PosixSerialPort::Open(path, error);
    };
    test::TestFrontEnd host;  // runs each command to its end on the real clock
    TPelkoSession session(opener, host.Notifier());
    ProgramSettings settings;
    settings.PortBaudRate = settings.PrevBaudRate = static_cast<std::int32_t>(c.baud);
    session.SetPortBaudRate(settings.PortBaudRate);
    session.SetMax_Attempt(SessionMaxAttempt(settings.MaxAttempt));
    session.SetTimeOutConstant(settings.TOConstant);
    session.SetTimeOutMultiplier(settings.TOMultiplier);
    session.SetTailinUS(settings.TailinUS);
    session.SetSmartPI(settings.SmartPI);
    session.SetFound(false);
    TGroupDev group;
    TEngine engine(session, group, settings, host, opener);
    host.Attach(&session, &engine);
    const auto t0 = std::chrono::steady_clock::now();
    if (c.allSpeeds) engine.SearchAllSpeeds(false);
    else engine.Search(false);
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    r.found = static_cast<std::size_t>(group.Count());
    for (DevIndex i = 0; i < group.Count(); ++i) r.opened += group.GetState(i, dfOpened) ? 1 : 0;
    r.ok = !host.Stalled;
    return r;
}

double FullWaitSeconds(std::uint32_t baud) {
    const std::int64_t attemptUs = 2000 + 5 * ByteTimeUs(baud) + 400 + 126'000;
    return 251.0 * 3 * static_cast<double>(attemptUs) / 1e6;
}

}  // namespace
}  // namespace pelko::bench

int main() {
    using namespace pelko::bench;
    const std::vector<Case> cases = {
        {"3 controllers", 9600, {"--controllers", "3,17,40"}, false, 3},
        {"3 controllers", 115200, {"--controllers", "3@115200,17@115200,40@115200"}, false, 3},
        {"40 100 ms late", 9600, {"--controllers", "3,17,40", "--delay", "40:100"}, false, 3},
        {"40 100 ms late", 115200, {"--controllers", "3@115200,17@115200,40@115200", "--delay", "40:100"}, false, 3},
        {"every speed, demo", 9600, {"--demo"}, true, 2},
    };
    std::printf("Device search through the engine, pelko-sim --timing on a pty, default settings\n");
    std::printf("full wait = 251 empty addresses x 3 attempts x (2 ms + probe + 400 us + 126 ms)\n\n");
    std::printf("%-18s %7s %9s %9s %6s %6s %7s\n", "line", "baud", "elapsed", "full", "ratio", "found", "opened");
    int rc = 0;
    for (const Case& c : cases) {
        const Result r = Measure(c);
        if (!r.ok) return 1;
        const double full = FullWaitSeconds(c.baud);
        if (c.allSpeeds)
            std::printf("%-18s %7s %8.2fs %9s %6s %6zu %7zu\n", c.name, "all", r.seconds, "-", "-", r.found, r.opened);
        else
            std::printf("%-18s %7u %8.2fs %8.1fs %6.3f %6zu %7zu\n", c.name, c.baud, r.seconds, full, r.seconds / full,
                        r.found, r.opened);
        if (r.found != c.expected) rc = 1;
        std::fflush(stdout);
    }
    return rc;
}
