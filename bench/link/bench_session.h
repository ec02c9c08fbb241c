#pragma once
// A session on a device path for the benchmarks, with a host loop that runs
// its events on the calling thread.
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>

#include "link/pelko_session.h"
#include "link/platform_port.h"

namespace pelko::bench {

class BenchSession {
public:
    explicit BenchSession(const std::string& path)
        : session(
              [path](std::uint8_t, std::string& error) -> std::unique_ptr<SerialPort> {
                  return OpenPlatformPort(path, error);
              },
              [this] {
                  std::lock_guard<std::mutex> lock(FLock);
                  FPending = true;
                  FCond.notify_one();
              }) {}

    // Dispatches events until done() holds.
    void RunUntil(const std::function<bool()>& done) {
        while (!done()) {
            {
                std::unique_lock<std::mutex> lock(FLock);
                FCond.wait(lock, [this] { return FPending; });
                FPending = false;
            }
            session.Dispatch();
        }
    }

private:
    std::mutex FLock;
    std::condition_variable FCond;
    bool FPending = false;

public:
    TPelkoSession session;  // last: its worker stops before the loop's state goes
};

}  // namespace pelko::bench
