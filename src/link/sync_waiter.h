#pragma once
// An auto-reset event: Signal() releases exactly one Wait(), and the event
// falls back to non-signalled as that wait returns.
#include <condition_variable>
#include <mutex>

namespace pelko {

class SyncWaiter {
public:
    void Signal();
    void Wait();

private:
    std::mutex FLock;
    std::condition_variable FCond;
    bool FSignalled = false;
};

}  // namespace pelko
