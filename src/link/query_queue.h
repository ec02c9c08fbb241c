#pragma once
// TQueryItem and TPelkoQuery: one request or line event, and the locked FIFO
// that carries items between the main thread and the worker.
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "link/bytes.h"

namespace pelko {

enum TQueryKind : std::uint8_t {
    qkSync = 0,
    qkAsync = 1,
    qkChangBut = 2,
    qkReadCard = 3,
    qkDevOn = 4,
    qkDevOff = 5,
    qkSearchAddr = 6,
    qkPortLost = 7,  // the worker's port has gone; Text says which and why
    qkScan = 8,          // a fast search: List the addresses asked, then those that answered
    qkScanProgress = 9,  // Data: PackScanProgress
    qkDoubt = 10,        // Data: the Check of an answered request that a stray byte puts in doubt
    qkQuiet = 11,        // the line has been quiet as long as an answer takes; Data: its Check
};

class SyncWaiter;  // auto-reset event a synchronous caller waits on

// A search's progress in one item's Data: ten bits each for the addresses
// done, of how many, and the controllers found (at most 254 of each).
struct TScanProgress {
    std::uint32_t done = 0, total = 0, found = 0;
};
inline std::uint32_t PackScanProgress(const TScanProgress& p) {
    return (p.done & 0x3FF) | (p.total & 0x3FF) << 10 | (p.found & 0x3FF) << 20;
}
inline TScanProgress UnpackScanProgress(std::uint32_t data) {
    return {data & 0x3FF, data >> 10 & 0x3FF, data >> 20 & 0x3FF};
}

struct TQueryItem {
    Bytes Request;  // at most 16 bytes
    Bytes Answer;   // at most 17 bytes
    std::uint8_t Kind = qkAsync;
    std::uint32_t Data = 0;  // Check number, address, or address | found << 8
    SyncWaiter* Event = nullptr;  // qkSync only
    std::string Text;             // qkPortLost only
    Bytes List;                   // qkScan only
};

class TPelkoQuery {
public:
    void Push(std::unique_ptr<TQueryItem> item);
    // Appends and tells whether the queue was empty before, as one step.
    bool PushWasEmpty(std::unique_ptr<TQueryItem> item);
    std::unique_ptr<TQueryItem> Pop();  // nullptr when empty
    bool IsEmpty() const;

private:
    mutable std::mutex FLock;
    std::deque<std::unique_ptr<TQueryItem>> FItems;
};

}  // namespace pelko
