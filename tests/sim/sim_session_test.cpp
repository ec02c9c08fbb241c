// The link's session and worker against the in-process simulated line.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "link/pelko_session.h"
#include "sim/instant_timing.h"
#include "sim/sim_serial_port.h"
#include "sim_test_util.h"

namespace pelko {
namespace {

using testing::Body;

class SimSessionTest : public ::testing::Test {
protected:
    SimSessionTest()
        : clock(std::make_shared<VirtualClock>()),
          line(std::make_shared<SimLine>(clock)),
          session(MakeSimPortOpener(line), [this] { Notified(); }) {
        session.SetTiming(std::make_shared<InstantTiming>(clock));
        session.SetTimeOutConstant(120);
        session.SetTimeOutMultiplier(1);
        session.SetCircle(0);
    }
    ~SimSessionTest() override { session.SetActive(false); }

    // Raises the session's events here until done() holds; the real-time limit
    // only keeps a broken build from hanging the suite.
    bool RunUntil(const std::function<bool()>& done) {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!done()) {
            std::unique_lock lock(FLock);
            if (!FCond.wait_until(lock, limit, [this] { return FPending; })) return false;
            FPending = false;
            lock.unlock();
            session.Dispatch();
        }
        return true;
    }

    std::shared_ptr<VirtualClock> clock;
    std::shared_ptr<SimLine> line;
    TPelkoSession session;

private:
    void Notified() {
        std::lock_guard lock(FLock);
        FPending = true;
        FCond.notify_one();
    }
    std::mutex FLock;
    std::condition_variable FCond;
    bool FPending = false;
};

TEST_F(SimSessionTest, StartupScanFindsControllers3And17InOrder) {
    line->Add({.adr = 3});
    line->Add({.adr = 17});
    line->Add({.adr = 30, .baud = 19200});  // another speed: not found
    std::vector<std::uint32_t> on;
    int searched = 0;
    session.OnDevOn = [&](std::uint32_t adr) { on.push_back(adr); };
    session.OnSearchAddr = [&](std::uint32_t, bool) { ++searched; };
    session.SetFound(true);
    session.SetSearchAddr(true);
    session.SetActive(true);
    ASSERT_TRUE(session.Active());
    ASSERT_TRUE(RunUntil([&] { return searched == 254; }));
    EXPECT_EQ(on, (std::vector<std::uint32_t>{3, 17}));
}

TEST_F(SimSessionTest, CardAtAReaderAndAnUnpluggedController) {
    const auto a = line->Add({.adr = 3});
    const auto b = line->Add({.adr = 17});
    std::vector<Bytes> cards;
    std::vector<std::uint32_t> off;
    session.OnReadCard = [&](const Bytes& ans) { cards.push_back(ans); };
    session.OnDevOff = [&](std::uint32_t adr) { off.push_back(adr); };
    session.SetFound(false);
    session.SetActive(true);
    session.SetDevPresent(3);
    session.SetDevPresent(17);
    line->PresentCard(b, {0x0A, 0x1B, 0x2C, 0x3D, 0x4E});
    ASSERT_TRUE(RunUntil([&] { return !cards.empty(); }));
    EXPECT_EQ(cards[0][0], 17);
    EXPECT_EQ(Bytes(cards[0].begin() + 3, cards[0].begin() + 8), (Bytes{0x0A, 0x1B, 0x2C, 0x3D, 0x4E}));
    line->Unplug(a);
    ASSERT_TRUE(RunUntil([&] { return !off.empty(); }));
    EXPECT_EQ(off, std::vector<std::uint32_t>{3});
}

TEST_F(SimSessionTest, SyncQueriesOpenReadAndWriteACell) {
    const auto id = line->Add({.adr = 5});
    session.SetFound(false);
    session.SetActive(true);
    Bytes ans;
    ASSERT_TRUE(session.SyncQuery({5, 0x0A, 0x24, 0x11, 0x22, 0x33, 0x44, 0x55}, ans));
    EXPECT_EQ(Body(ans), (Bytes{5, 6, 0x25, 0xFF}));
    session.SyncQuery({5, 0x0C, 0x22, 0xF1, 0x03, 1, 2, 3, 4, 5}, ans);
    EXPECT_EQ(Body(ans), (Bytes{5, 6, 0x23, 0xFF}));
    EXPECT_EQ(line->Snapshot(id)->Cell(1009), (SimCode{1, 2, 3, 4, 5}));
    // A busy controller is retried as a missing answer.
    line->AddFault(id, {.kind = SimFaultKind::Busy, .count = 1});
    session.SyncQuery({5, 0x07, 0x20, 0xF1, 0x03}, ans);
    EXPECT_TRUE(IsFailureAnswer(ans));  // one attempt only
    session.SyncQuery({5, 0x07, 0x20, 0xF1, 0x03}, ans);
    EXPECT_EQ(Body(ans), (Bytes{5, 10, 0x21, 1, 2, 3, 4, 5}));
}

TEST_F(SimSessionTest, ResetControllerComesBackAtAddress1AfterItsRestart) {
    line->Add({.adr = 9, .baud = 19200, .restartUs = 5'000'000});
    session.SetFound(false);
    session.SetPortBaudRate(19200);
    session.SetActive(true);
    Bytes ans;
    session.SyncQuery({9, 0x0A, 0x28, 'r', 'e', 's', 'e', 't'}, ans);
    EXPECT_EQ(Body(ans), (Bytes{9, 6, 0x29, 0xFF}));
    session.SetActive(false);
    session.SetPortBaudRate(9600);
    session.SetActive(true);
    session.SyncQuery({1, 0x05, 0xFE}, ans);
    EXPECT_TRUE(IsFailureAnswer(ans));  // still restarting
    clock->AdvanceUs(5'000'000);
    session.SyncQuery({1, 0x05, 0xFE}, ans);
    EXPECT_EQ(Body(ans), (Bytes{1, 6, 0xFF, 0x01}));
}

}  // namespace
}  // namespace pelko
