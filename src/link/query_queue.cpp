#include "link/query_queue.h"

#include <utility>

namespace pelko {

void TPelkoQuery::Push(std::unique_ptr<TQueryItem> item) {
    std::lock_guard<std::mutex> lock(FLock);
    FItems.push_back(std::move(item));
}

bool TPelkoQuery::PushWasEmpty(std::unique_ptr<TQueryItem> item) {
    std::lock_guard<std::mutex> lock(FLock);
    const bool wasEmpty = FItems.empty();
    FItems.push_back(std::move(item));
    return wasEmpty;
}

std::unique_ptr<TQueryItem> TPelkoQuery::Pop() {
    std::lock_guard<std::mutex> lock(FLock);
    if (FItems.empty()) return nullptr;
    std::unique_ptr<TQueryItem> item = std::move(FItems.front());
    FItems.pop_front();
    return item;
}

bool TPelkoQuery::IsEmpty() const {
    std::lock_guard<std::mutex> lock(FLock);
    return FItems.empty();
}

}  // namespace pelko
