#pragma once
// Plays the host's part for a session under test: the notifier wakes this
// loop, which runs Dispatch() on the test's own thread.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "link/pelko_session.h"

namespace pelko::test {

class SessionPump {
public:
    TPelkoSession::Notifier Notifier() {
        return [this] {
            std::lock_guard<std::mutex> lock(FLock);
            ++FNotifications;
            FPending = true;
            FCond.notify_all();
        };
    }

    int Notifications() {
        std::lock_guard<std::mutex> lock(FLock);
        return FNotifications;
    }

    // Dispatches every notification until done() holds; throws when none
    // comes within bound.
    void RunUntil(TPelkoSession& session, const std::function<bool()>& done,
                  std::chrono::seconds bound = std::chrono::seconds(60)) {
        while (!done()) {
            {
                std::unique_lock<std::mutex> lock(FLock);
                // A guard against a broken worker hanging the suite, not a speed check.
                if (!FCond.wait_for(lock, bound, [this] { return FPending; }))
                    throw std::runtime_error("no notification came");
                FPending = false;
            }
            session.Dispatch();
        }
    }

private:
    std::mutex FLock;
    std::condition_variable FCond;
    int FNotifications = 0;
    bool FPending = false;
};

// Records the start-up scan as the main thread sees it: how many addresses
// were reported, and "found N" / "on N" in the order they were raised.
struct ScanRecorder {
    explicit ScanRecorder(TPelkoSession& session) {
        session.OnSearchAddr = [this](std::uint32_t a, bool found) {
            ++searched;
            if (found) events.push_back("found " + std::to_string(a));
        };
        session.OnDevOn = [this](std::uint32_t a) { events.push_back("on " + std::to_string(a)); };
    }
    int searched = 0;
    std::vector<std::string> events;
};

}  // namespace pelko::test
