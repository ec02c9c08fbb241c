#include "sim/sim_serial_port.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "sim/instant_timing.h"
#include "sim_test_util.h"

namespace pelko {
namespace {

using testing::Body;
using testing::Req;

class SimPortTest : public ::testing::Test {
protected:
    SimPortTest() : clock(std::make_shared<VirtualClock>()), line(std::make_shared<SimLine>(clock)) {
        std::string error;
        port = SimSerialPort::Open(line, error);
        port->setTimeouts({0, 1, 120});
    }
    // One exchange as the worker makes it: purge, write, read 6, read the rest.
    Bytes Exchange(const Bytes& frame) {
        port->purge();
        port->write(frame.data(), frame.size());
        Bytes a(6);
        const std::size_t n = port->read(a.data(), 6);
        a.resize(n);
        if (n == 6 && a[1] > 6) {
            a.resize(a[1]);
            a.resize(6 + port->read(a.data() + 6, a.size() - 6));
        }
        return a;
    }

    std::shared_ptr<VirtualClock> clock;
    std::shared_ptr<SimLine> line;
    std::unique_ptr<SimSerialPort> port;
};

TEST_F(SimPortTest, ReadsTheAnswerInTwoPiecesOnVirtualTime) {
    const auto id = line->Add({.adr = 3});
    line->PresentCard(id, {1, 2, 3, 4, 5});
    const Bytes req = Req(3, 0x02);
    const Bytes a = Exchange(req);
    EXPECT_EQ(a.size(), 11u);
    EXPECT_TRUE(AcceptAnswer(req, a));
    // The clock stands where the last answer byte came in: request, turnaround, answer.
    EXPECT_EQ(clock->NowUs(), (5 + 11) * ByteTimeUs(9600) + kDefaultTurnaroundUs);
}

TEST_F(SimPortTest, SilentAddressCostsTheReadTimeOut) {
    line->Add({.adr = 3});
    const std::int64_t before = clock->NowUs();
    EXPECT_TRUE(Exchange(Req(4, 0xFE)).empty());
    EXPECT_EQ(clock->NowUs() - before, (6 * 1 + 120) * 1000);
}

TEST_F(SimPortTest, ShortAnswerEndsAtTheTotalTimeOut) {
    line->Add({.adr = 3});
    port->setTimeouts({0, 0, 50});
    const Bytes req = Req(3, 0xFE);
    port->write(req.data(), req.size());
    std::uint8_t buf[16];
    const std::int64_t start = clock->NowUs();
    EXPECT_EQ(port->read(buf, 16), 6u);
    EXPECT_EQ(clock->NowUs(), start + 50'000);
}

// A late answer goes out when it is ready, whatever the host does meanwhile:
// it outlives a purge and the host's next frame, which the controller answers
// only once that answer has gone out; answer bytes that start while the
// host's frame is on the wire are lost against it.
TEST_F(SimPortTest, LateAnswerGoesOutWhateverTheHostDoes) {
    const auto id = line->Add({.adr = 3});
    line->AddFault(id, {.kind = SimFaultKind::Late, .count = 1, .command = 0xFE, .param = 200});
    const Bytes probe = Req(3, 0xFE);
    EXPECT_TRUE(Exchange(probe).empty());
    port->purge();
    EXPECT_EQ(port->Pending(), 6u) << "not arrived yet: a purge cannot drop it";
    EXPECT_TRUE(AcceptAnswer(probe, Exchange(probe))) << "the first frame's late answer";
    EXPECT_EQ(port->Pending(), 6u) << "the second frame's answer follows it";
    Bytes a(6);
    a.resize(port->read(a.data(), 6));
    EXPECT_TRUE(AcceptAnswer(probe, a));

    // A longer frame sent just as a late answer starts: the answer is lost
    // against it, and the controller, talking, does not hear the frame.
    line->AddFault(id, {.kind = SimFaultKind::Late, .count = 1, .command = 0xFE, .param = 200});
    EXPECT_TRUE(Exchange(probe).empty());
    const std::int64_t answerAt = line->Log().back().timeUs;
    clock->WaitUntilUs(answerAt - 2 * ByteTimeUs(9600));
    const Bytes login = Req(3, 0x24, {1, 2, 3, 4, 5});
    port->purge();
    port->write(login.data(), login.size());
    Bytes rest(16);
    rest.resize(port->read(rest.data(), rest.size()));
    EXPECT_TRUE(rest.empty());
}

TEST_F(SimPortTest, PortSpeedIsTheLineSpeed) {
    line->Add({.adr = 3, .baud = 115200});
    EXPECT_TRUE(Exchange(Req(3, 0xFE)).empty());
    EXPECT_TRUE(port->setBaudRate(115200));
    EXPECT_EQ(Exchange(Req(3, 0xFE)).size(), 6u);
    EXPECT_FALSE(port->setBaudRate(1200));
    EXPECT_FALSE(port->setBaudRate(0));
    EXPECT_EQ(port->BaudRate(), 115200u);
    EXPECT_EQ(line->Log().front().baud, 9600u);
    EXPECT_EQ(line->Log().back().baud, 115200u);
}

TEST_F(SimPortTest, OnlyOnePortAtATime) {
    std::string error;
    EXPECT_EQ(SimSerialPort::Open(line, error), nullptr);
    EXPECT_FALSE(error.empty());
    auto opener = MakeSimPortOpener(line, 2);
    port.reset();
    error.clear();
    EXPECT_EQ(opener(1, error), nullptr);
    EXPECT_EQ(error, "Порт COM1 не найден");
    auto second = opener(2, error);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(MakeSimPortOpener(line)(7, error), nullptr);
    second.reset();
    EXPECT_NE(MakeSimPortOpener(line)(7, error), nullptr);
}

TEST_F(SimPortTest, InstantTimingSharesTheLineClock) {
    InstantTiming timing(clock);
    const std::int64_t t0 = timing.nowUs();
    timing.sleepMs(2);
    EXPECT_EQ(clock->NowUs(), t0 + 2000);
    timing.waitUntilUs(t0 + 1000);  // in the past: no change
    EXPECT_EQ(timing.nowUs(), t0 + 2000);
    timing.waitUntilUs(t0 + 9000);
    EXPECT_EQ(line->Clock().NowUs(), t0 + 9000);
}

TEST(SimPortRealClock, ExchangesOnTheMonotonicClock) {
    auto line = std::make_shared<SimLine>(std::make_shared<RealClock>());
    line->Add({.adr = 3, .baud = 115200});
    std::string error;
    auto port = SimSerialPort::Open(line, error);
    port->setBaudRate(115200);
    port->setTimeouts({0, 1, 100});
    const Bytes req = Req(3, 0xFE);
    port->write(req.data(), req.size());
    Bytes a(6);
    a.resize(port->read(a.data(), 6));
    EXPECT_TRUE(AcceptAnswer(req, a));
}

// The worker's thread exchanges while another thread changes the line; run
// under the thread sanitizer this catches unguarded state.
TEST_F(SimPortTest, LineChangesWhileAnotherThreadExchanges) {
    const auto a = line->Add({.adr = 3});
    line->Add({.adr = 17});
    std::atomic<bool> stop{false};
    std::thread tester([&] {
        for (int i = 0; !stop; ++i) {
            line->PresentCard(a, {static_cast<std::uint8_t>(i), 0, 0, 0, 0});
            line->RemoveCard(a);
            line->Unplug(a);
            line->Plug(a);
            line->AddFault(a, {.kind = SimFaultKind::BadChecksum, .rate = 0.1});
            line->ClearFaults(a);
            line->Log();
        }
    });
    int answered = 0;
    for (int round = 0; round < 300; ++round) {
        for (std::uint8_t adr : {3, 17}) {
            const Bytes req = Req(adr, 0x02);
            const Bytes ans = Exchange(req);
            if (AcceptAnswer(req, ans)) {
                ++answered;
                EXPECT_EQ(ans[0], adr);
            }
        }
    }
    stop = true;
    tester.join();
    EXPECT_GT(answered, 0);
}

}  // namespace
}  // namespace pelko
