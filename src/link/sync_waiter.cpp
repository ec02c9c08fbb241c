#include "link/sync_waiter.h"

namespace pelko {

void SyncWaiter::Signal() {
    // Notify under the lock: the waiter may destroy this object as soon as it
    // sees the flag, so nothing of ours may be touched after the unlock.
    std::lock_guard<std::mutex> lock(FLock);
    FSignalled = true;
    FCond.notify_one();
}

void SyncWaiter::Wait() {
    std::unique_lock<std::mutex> lock(FLock);
    FCond.wait(lock, [this] { return FSignalled; });
    FSignalled = false;
}

}  // namespace pelko
