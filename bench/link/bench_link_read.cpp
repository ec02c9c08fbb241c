// Reads all 1010 cells of one simulated controller through a real
// pseudo-terminal, answers paced at the line speed, and sets the elapsed time
// against the line floor: per exchange 2 ms + request bytes + TailinUS +
// answer bytes on the line.
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_session.h"
#include "link/baud_rate.h"
#include "link/exchange_log.h"
#include "link/frame.h"
#include "process_cpu.h"
#include "sim_process.h"

namespace pelko::bench {
namespace {

constexpr int kCells = 1010;
struct Run {
    std::uint32_t baud;
    std::int32_t tailUs;
    bool async;
    bool observed = false;  // an exchange log attached and drained as the window does
};

struct Result {
    double elapsedS = 0;
    double floorS = 0;
    double cpuS = 0;  // the whole process: worker, host loop and the port's driver calls
    int exchanges = 0;
    int failures = 0;
    bool ok = false;
};

Bytes ReadCellBody(int cell) {
    return Bytes{1, 0x07, 0x20, static_cast<std::uint8_t>(cell & 0xFF), static_cast<std::uint8_t>(cell >> 8)};
}

Result Measure(const Run& run) {
    Result r;
    SimProcess sim(SimProgram(), {"--controllers", "1@" + std::to_string(run.baud), "--timing"});
    if (sim.Path().empty()) {
        std::fprintf(stderr, "pelko-sim did not start (%s)\n", SimProgram().c_str());
        return r;
    }
    BenchSession bs(sim.Path());
    TPelkoSession& s = bs.session;
    s.SetPortBaudRate(static_cast<std::int32_t>(run.baud));
    s.SetMax_Attempt(3);
    s.SetTimeOutConstant(120);
    s.SetTimeOutMultiplier(1);
    s.SetTailinUS(run.tailUs);
    s.SetFound(false);
    std::atomic<bool> reading{run.observed};
    std::thread reader;
    if (run.observed) {
        auto log = std::make_shared<ExchangeLog>();
        s.SetExchangeLog(log);
        reader = std::thread([log, &reading] {
            std::vector<ExchangeRecord> taken;
            while (reading.load()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                log->Drain(taken);
                taken.clear();
            }
        });
    }
    struct Stop {
        std::atomic<bool>& flag;
        std::thread& t;
        ~Stop() {
            flag.store(false);
            if (t.joinable()) t.join();
        }
    } stop{reading, reader};
    s.SetActive(true);
    if (!s.Active()) {
        std::fprintf(stderr, "%s\n", s.LastError().c_str());
        return r;
    }
    s.SetERUniqueButton(false);

    const std::int64_t byteUs = ByteTimeUs(run.baud);
    std::int64_t floorUs = 0;
    auto account = [&](const Bytes& body, const Bytes& answer) {
        floorUs += 2000 + static_cast<std::int64_t>(body.size() + 2 + answer.size()) * byteUs + run.tailUs;
        ++r.exchanges;
        if (IsFailureAnswer(answer)) ++r.failures;
    };

    const auto start = std::chrono::steady_clock::now();
    const double cpu0 = ProcessCpuSeconds();
    const Bytes login{1, 0x0A, 0x24, 0x11, 0x22, 0x33, 0x44, 0x55};
    Bytes answer;
    s.SyncQuery(login, answer);
    account(login, answer);
    if (run.async) {
        int cell = 0;
        std::uint32_t check = 0;
        s.OnAsyncAnswer = [&](const Bytes& a, std::uint32_t) {
            account(ReadCellBody(cell), a);
            if (++cell < kCells) s.AsyncQuery(ReadCellBody(cell), check);
        };
        s.AsyncQuery(ReadCellBody(0), check);
        bs.RunUntil([&] { return cell == kCells; });
    } else {
        for (int cell = 0; cell < kCells; ++cell) {
            s.SyncQuery(ReadCellBody(cell), answer);
            account(ReadCellBody(cell), answer);
        }
    }
    r.elapsedS = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.cpuS = ProcessCpuSeconds() - cpu0;
    r.floorS = static_cast<double>(floorUs) / 1e6;
    r.ok = true;
    return r;
}

}  // namespace
}  // namespace pelko::bench

int main(int argc, char** argv) {
    using namespace pelko::bench;
    std::vector<Run> runs = {{9600, 400, true}, {115200, 400, true}, {115200, 400, false}};
    // One run of its own: bench_link_read BAUD TAIL async|sync
    // The exchange log's cost: bench_link_read observer (115200 async, without and with, twice)
    if (argc == 2 && std::string(argv[1]) == "observer") {
        double plain = 0, observed = 0;
        for (int i = 0; i < 2; ++i) {
            for (const bool with : {false, true}) {
                const Result r = Measure(Run{115200, 400, true, with});
                if (!r.ok) return 1;
                (with ? observed : plain) += r.elapsedS;
                std::printf("%-9s %8.3fs  fail %d\n", with ? "observed" : "plain", r.elapsedS, r.failures);
                std::fflush(stdout);
            }
        }
        std::printf("observed / plain = %.4f (target <= 1.01)\n", observed / plain);
        return 0;
    }
    if (argc == 4)
        runs = {Run{static_cast<std::uint32_t>(std::stoul(argv[1])), std::stoi(argv[2]), std::string(argv[3]) == "async"}};
    std::printf("Reading 1010 cells (plus login) of one controller through pelko-sim --timing\n");
    std::printf("floor = sum over exchanges of 2 ms + request + TailinUS + answer on the line; target ratio <= 1.10\n\n");
    std::printf("%7s %6s %6s %9s %8s %6s %12s %5s %5s\n", "baud", "tail", "mode", "elapsed", "floor", "ratio",
                "per exchange", "fail", "cpu");
    for (const Run& run : runs) {
        const Result r = Measure(run);
        if (!r.ok) return 1;
        std::printf("%7u %6d %6s %8.3fs %7.3fs %6.3f %9.3f ms %5d %4.0f%%\n", run.baud, run.tailUs,
                    run.async ? "async" : "sync", r.elapsedS, r.floorS, r.elapsedS / r.floorS,
                    1000.0 * r.elapsedS / r.exchanges, r.failures, 100.0 * r.cpuS / r.elapsedS);
        std::fflush(stdout);
    }
    return 0;
}
