// CPU time of this whole process while the worker polls three simulated
// controllers at 9600 baud for 10 s, as a share of one core.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "bench_session.h"
#include "link/posix_serial_port.h"
#include "process_cpu.h"
#include "sim_process.h"

namespace pelko::bench {
namespace {

// Counts the exchanges the worker starts.
class CountingPort : public SerialPort {
public:
    CountingPort(std::unique_ptr<SerialPort> port, std::atomic<long>& writes) : FPort(std::move(port)), FWrites(writes) {}
    bool setBaudRate(std::uint32_t baud) override { return FPort->setBaudRate(baud); }
    void setTimeouts(const PortTimeouts& t) override { FPort->setTimeouts(t); }
    void purge() override { FPort->purge(); }
    std::size_t write(const std::uint8_t* d, std::size_t n) override {
        ++FWrites;
        return FPort->write(d, n);
    }
    std::size_t read(std::uint8_t* b, std::size_t n) override { return FPort->read(b, n); }
    void setDtr(bool on) override { FPort->setDtr(on); }
    void setRts(bool on) override { FPort->setRts(on); }
    void abortWait() override { FPort->abortWait(); }

private:
    std::unique_ptr<SerialPort> FPort;
    std::atomic<long>& FWrites;
};

}  // namespace
}  // namespace pelko::bench

int main() {
    using namespace pelko;
    using namespace pelko::bench;
    constexpr double kSeconds = 10.0;
    SimProcess sim(SimProgram(), {"--controllers", "1,2,3", "--timing"});
    if (sim.Path().empty()) {
        std::fprintf(stderr, "pelko-sim did not start (%s)\n", SimProgram().c_str());
        return 1;
    }
    std::atomic<long> writes{0};
    std::atomic<bool> stop{false};
    std::atomic<int> offEvents{0};
    std::thread host;
    {
        std::mutex lock;
        std::condition_variable cond;
        bool pending = false;
        const std::string path = sim.Path();
        TPelkoSession s(
            [&](std::uint8_t, std::string& error) -> std::unique_ptr<SerialPort> {
                auto port = PosixSerialPort::Open(path, error);
                if (!port) return nullptr;
                return std::make_unique<CountingPort>(std::move(port), writes);
            },
            [&] {
                std::lock_guard<std::mutex> l(lock);
                pending = true;
                cond.notify_one();
            });
        s.SetTimeOutConstant(120);
        s.SetTimeOutMultiplier(1);
        s.SetMax_Attempt(3);
        s.SetFound(false);
        s.SetCircle(30);
        s.OnDevOff = [&](std::uint32_t) { ++offEvents; };
        s.SetActive(true);
        if (!s.Active()) {
            std::fprintf(stderr, "%s\n", s.LastError().c_str());
            return 1;
        }
        for (std::uint8_t a : {1, 2, 3}) s.SetDevPresent(a);

        // The main thread plays the window: it dispatches whatever comes.
        const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(kSeconds);
        const double cpu0 = ProcessCpuSeconds();
        const long writes0 = writes.load();
        const auto t0 = std::chrono::steady_clock::now();
        while (std::chrono::steady_clock::now() < end) {
            {
                std::unique_lock<std::mutex> l(lock);
                cond.wait_until(l, end, [&] { return pending; });
                pending = false;
            }
            s.Dispatch();
        }
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        const double cpu = ProcessCpuSeconds() - cpu0;
        const long frames = writes.load() - writes0;
        std::printf("Background polling of 3 controllers at 9600 baud (Circle 30) for %.1f s\n", wall);
        std::printf("frames sent: %ld (%.1f per second), controllers lost: %d\n", frames, frames / wall,
                    offEvents.load());
        std::printf("process CPU time: %.3f s = %.2f %% of one core\n", cpu, 100.0 * cpu / wall);
    }
    return 0;
}
