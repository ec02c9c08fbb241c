// The locked FIFO between the two threads.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "link/query_queue.h"
#include "link/sync_waiter.h"

namespace pelko {
namespace {

std::unique_ptr<TQueryItem> Item(std::uint32_t data) {
    auto item = std::make_unique<TQueryItem>();
    item->Data = data;
    return item;
}

TEST(QueryQueue, FirstInFirstOutAndEmptiness) {
    TPelkoQuery q;
    EXPECT_TRUE(q.IsEmpty());
    EXPECT_EQ(q.Pop(), nullptr);
    EXPECT_TRUE(q.PushWasEmpty(Item(1)));
    EXPECT_FALSE(q.PushWasEmpty(Item(2)));
    q.Push(Item(3));
    EXPECT_FALSE(q.IsEmpty());
    for (std::uint32_t want : {1u, 2u, 3u}) EXPECT_EQ(q.Pop()->Data, want);
    EXPECT_TRUE(q.IsEmpty());
    EXPECT_TRUE(q.PushWasEmpty(Item(4)));
}

TEST(QueryQueue, ProducerAndConsumerThreadsKeepOrder) {
    TPelkoQuery q;
    constexpr std::uint32_t kCount = 20000;
    std::thread producer([&] {
        for (std::uint32_t i = 0; i < kCount; ++i) q.Push(Item(i));
    });
    std::uint32_t next = 0;
    while (next < kCount) {
        if (auto item = q.Pop()) {
            ASSERT_EQ(item->Data, next);
            ++next;
        }
    }
    producer.join();
    EXPECT_TRUE(q.IsEmpty());
}

TEST(SyncWaiter, ASignalBeforeTheWaitIsKeptAndConsumedOnce) {
    SyncWaiter w;
    w.Signal();
    w.Wait();  // returns: the event was set
    bool released = false;
    std::thread t([&] {
        w.Wait();  // auto-reset: waits for the next signal
        released = true;
    });
    w.Signal();
    t.join();
    EXPECT_TRUE(released);
}

}  // namespace
}  // namespace pelko
