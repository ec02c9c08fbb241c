// The port worker against the simulated controllers, on virtual time.
#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "link/frame.h"
#include "link/pelko_session.h"
#include "session_pump.h"
#include "sim/instant_timing.h"
#include "sim/sim_line.h"
#include "sim/sim_serial_port.h"

namespace pelko::test {
namespace {

// Counts the host's frames on the line by address and command.
class FrameWatch {
public:
    explicit FrameWatch(SimLine& line) {
        line.SetLogSink([this](const SimLogEntry& e) {
            if (!e.fromHost || e.bytes.size() < 3) return;
            std::lock_guard<std::mutex> lock(FLock);
            ++FCount[{e.bytes[0], e.bytes[2]}];
            FOrder.push_back({e.bytes[0], e.bytes[2]});
            FCond.notify_all();
        });
    }
    std::size_t Count(std::uint8_t adr, std::uint8_t cmd) {
        std::lock_guard<std::mutex> lock(FLock);
        return FCount[{adr, cmd}];
    }
    std::size_t Total() {
        std::lock_guard<std::mutex> lock(FLock);
        return FOrder.size();
    }
    std::vector<std::uint8_t> AddressesOf(std::uint8_t cmd) {
        std::lock_guard<std::mutex> lock(FLock);
        std::vector<std::uint8_t> out;
        for (const auto& [adr, c] : FOrder)
            if (c == cmd) out.push_back(adr);
        return out;
    }
    // Blocks until adr has had `more` further frames of cmd.
    void WaitMore(std::uint8_t adr, std::uint8_t cmd, std::size_t more) {
        std::unique_lock<std::mutex> lock(FLock);
        const std::size_t target = FCount[{adr, cmd}] + more;
        if (!FCond.wait_for(lock, std::chrono::seconds(60), [&] { return FCount[{adr, cmd}] >= target; }))
            throw std::runtime_error("the expected frames never came");
    }

private:
    std::mutex FLock;
    std::condition_variable FCond;
    std::map<std::pair<std::uint8_t, std::uint8_t>, std::size_t> FCount;
    std::vector<std::pair<std::uint8_t, std::uint8_t>> FOrder;
};

class WorkerSimTest : public ::testing::Test {
protected:
    void SetUp() override {
        session = std::make_unique<TPelkoSession>(MakeSimPortOpener(line), pump.Notifier());
        session->SetTiming(std::make_shared<InstantTiming>(clock));
        session->SetTimeOutConstant(120);
        session->SetTimeOutMultiplier(1);
    }
    void TearDown() override { session.reset(); }

    SimControllerId Add(std::uint8_t adr) {
        SimControllerSetup setup;
        setup.adr = adr;
        return line->Add(setup);
    }
    void RunUntil(const std::function<bool()>& done) { pump.RunUntil(*session, done); }
    void Barrier() {
        Bytes answer;
        session->SyncQuery(Bytes{250, 0x05, kCmdProbe}, answer);
    }

    std::shared_ptr<VirtualClock> clock = std::make_shared<VirtualClock>();
    std::shared_ptr<SimLine> line = std::make_shared<SimLine>(clock);
    FrameWatch watch{*line};
    SessionPump pump;
    std::unique_ptr<TPelkoSession> session;
};

TEST_F(WorkerSimTest, ScanAndPollOrder) {
    Add(17);
    Add(3);
    session->SetSearchAddr(true);
    ScanRecorder scan(*session);
    session->SetActive(true);
    RunUntil([&] { return scan.searched == 254 && scan.events.size() == 4; });
    EXPECT_EQ(scan.events, (std::vector<std::string>{"found 3", "on 3", "found 17", "on 17"}));
    watch.WaitMore(17, kCmdCardPoll, 3);
    std::vector<std::uint8_t> polls = watch.AddressesOf(kCmdCardPoll);
    polls.resize(6);
    EXPECT_EQ(polls, (std::vector<std::uint8_t>{3, 17, 3, 17, 3, 17}));
}

TEST_F(WorkerSimTest, CardEventsOnlyOnChange) {
    const SimControllerId id = Add(3);
    line->PresentCard(id, SimCode{0x12, 0x34, 0x56, 0x78, 0x9A});
    std::vector<Bytes> cards;
    session->OnReadCard = [&](const Bytes& a) { cards.push_back(a); };
    session->SetActive(true);
    watch.WaitMore(3, kCmdCardPoll, 5);
    Barrier();
    session->Dispatch();
    ASSERT_EQ(cards.size(), 1u);
    EXPECT_EQ(Bytes(cards[0].begin() + 3, cards[0].begin() + 8), (Bytes{0x12, 0x34, 0x56, 0x78, 0x9A}));

    line->RemoveCard(id);
    watch.WaitMore(3, kCmdCardPoll, 3);
    line->PresentCard(id, SimCode{0x12, 0x34, 0x56, 0x78, 0x9A});
    watch.WaitMore(3, kCmdCardPoll, 3);
    Barrier();
    session->Dispatch();
    EXPECT_EQ(cards.size(), 2u);
}

TEST_F(WorkerSimTest, UnpluggedControllerGoesOffOnceAndComesBackByReprobe) {
    const SimControllerId id3 = Add(3);
    Add(17);
    session->SetMax_Attempt(3);
    session->SetCircle(4);
    std::vector<std::uint32_t> off;
    std::vector<std::uint32_t> on;
    session->OnDevOff = [&](std::uint32_t a) { off.push_back(a); };
    session->OnDevOn = [&](std::uint32_t a) { on.push_back(a); };
    session->SetActive(true);
    RunUntil([&] { return on.size() == 2; });
    watch.WaitMore(3, kCmdCardPoll, 2);
    line->Unplug(id3);
    RunUntil([&] { return !off.empty(); });
    const std::size_t pollsOf3 = watch.Count(3, kCmdCardPoll);
    watch.WaitMore(17, kCmdCardPoll, 20);
    Barrier();
    session->Dispatch();
    EXPECT_EQ(off, std::vector<std::uint32_t>{3});
    EXPECT_EQ(watch.Count(3, kCmdCardPoll), pollsOf3) << "an absent controller is not polled";

    line->Plug(id3);
    RunUntil([&] { return on.size() == 3; });  // the round-robin re-probe finds it again
    EXPECT_EQ(on.back(), 3u);
}

TEST_F(WorkerSimTest, ThreeAttemptsOnASilentAddressAndNoPollsWhenPollingIsOff) {
    Add(3);
    session->SetMax_Attempt(3);
    session->SetCircle(1);
    session->SetActive(true);
    session->SetERUniqueButton(false);
    Barrier();
    const std::size_t before = watch.Total();
    const std::size_t before42 = watch.Count(42, kCmdProbe);
    Bytes answer;
    EXPECT_FALSE(session->SyncQuery(Bytes{42, 0x05, kCmdProbe}, answer));
    EXPECT_TRUE(session->SyncQuery(Bytes{3, 0x05, kCmdProbe}, answer));
    EXPECT_EQ(watch.Total() - before, 4u) << "three attempts at 42, one at 3, nothing else";
    EXPECT_EQ(watch.Count(42, kCmdProbe) - before42, 3u);
}

TEST_F(WorkerSimTest, FaultyAnswersAreRetriedAndRefused) {
    const SimControllerId id = Add(3);
    session->SetMax_Attempt(2);
    session->SetFound(false);
    session->SetActive(true);
    struct Case {
        const char* fault;
        bool accepted;
        std::size_t frames;
    };
    const Case cases[] = {
        {"badcrc", false, 2}, {"busy", false, 2}, {"late", false, 2},
        {"otheraddr", true, 1}, {"echo", true, 1},
    };
    for (const Case& c : cases) {
        const std::optional<SimFault> fault = ParseFault(c.fault);
        ASSERT_TRUE(fault) << c.fault;
        line->ClearFaults(id);
        line->AddFault(id, *fault);
        const std::size_t before = watch.Count(3, kCmdProbe);
        Bytes answer;
        EXPECT_EQ(session->SyncQuery(Bytes{3, 0x05, kCmdProbe}, answer), c.accepted) << c.fault;
        EXPECT_EQ(watch.Count(3, kCmdProbe) - before, c.frames) << c.fault;
        clock->AdvanceUs(2'000'000);  // late answers go out before the next case
    }
    // One spoiled answer, then a good one: the second attempt succeeds.
    line->ClearFaults(id);
    SimFault once = *ParseFault("busy");
    once.count = 1;
    line->AddFault(id, once);
    Bytes answer;
    EXPECT_TRUE(session->SyncQuery(Bytes{3, 0x05, kCmdProbe}, answer));
}

TEST_F(WorkerSimTest, ZeroTimeOutsStillEndEveryRead) {
    Add(3);
    session->SetTimeOutConstant(0);
    session->SetTimeOutMultiplier(0);
    session->SetFound(false);
    session->SetActive(true);
    const std::int64_t t0 = clock->NowUs();
    std::vector<Bytes> answers;
    session->OnAsyncAnswer = [&](const Bytes& a, std::uint32_t) { answers.push_back(a); };
    std::uint32_t check = 0;
    session->AsyncQuery(Bytes{42, 0x05, kCmdProbe}, check);
    session->AsyncQuery(Bytes{3, 0x05, kCmdProbe}, check);
    // A read left unbounded would never end: fail within seconds, not at CTest's time-out.
    pump.RunUntil(*session, [&] { return answers.size() == 2; }, std::chrono::seconds(5));
    EXPECT_TRUE(IsFailureAnswer(answers[0]));
    EXPECT_FALSE(IsFailureAnswer(answers[1]));
    EXPECT_LT(clock->NowUs() - t0, 100'000) << "bounded by the frame and the speed";
}

// The controller answers 1 ms after the request: a host that keeps RTS up
// longer loses the answer's first bytes.
TEST_F(WorkerSimTest, ProgramModeMustReleaseTheLineBeforeTheAnswer) {
    Add(3);
    session->SetFound(false);
    session->SetSmartPI(false);
    for (const std::int32_t tailUs : {400, 3000}) {
        session->SetActive(false);
        session->SetTailinUS(tailUs);
        session->SetActive(true);
        Bytes answer;
        EXPECT_EQ(session->SyncQuery(Bytes{3, 0x05, kCmdProbe}, answer), tailUs == 400) << tailUs;
    }
}

// Answers carry no cell number: a late answer to one cell read must never
// pass for another cell's, wherever in the following exchanges it comes, with
// one attempt or three, and across a restart of the session (settings
// accepted while an answer was on its way).
TEST_F(WorkerSimTest, LateAnswerIsNeverTakenForAnotherCell) {
    const SimControllerId id = Add(3);
    const SimCode codes[] = {{0x10, 0, 0, 0, 0x10}, {0x11, 0, 0, 0, 0x11}, {0x12, 0, 0, 0, 0x12}};
    line->With(id, [&](SimController& c) {
        for (std::uint16_t n = 0; n < 3; ++n) c.SetCell(n, codes[n]);
    });
    session->SetFound(false);
    session->SetSmartPI(false);
    const Bytes login = {3, 0x0A, 0x24, kFactoryPassword[0], kFactoryPassword[1], kFactoryPassword[2],
                         kFactoryPassword[3], kFactoryPassword[4]};
    struct Case {
        std::uint8_t attempts;
        bool restart;  // the session restarts after the first read of a round
    };
    for (const Case c : {Case{1, false}, Case{3, false}, Case{1, true}, Case{3, true}}) {
        const std::string name = std::to_string(c.attempts) + (c.restart ? " attempts, restart" : " attempts");
        session->SetActive(false);
        session->SetMax_Attempt(c.attempts);
        session->SetActive(true);
        session->SetERUniqueButton(false);
        Bytes answer;
        ASSERT_TRUE(session->SyncQuery(login, answer)) << name;
        int failed = 0;
        // With three attempts up to three read windows late: two missed
        // before the first attempt's answer is taken, and the quiet after it
        // must count from the first. (One attempt cannot tell by timing an
        // answer later than any seen before; the engine's doubts catch that.)
        const std::uint32_t maxLateMs = c.attempts == 1 ? 220 : 400;
        for (std::uint32_t lateMs = 100; lateMs <= maxLateMs; lateMs += 6) {
            // Every attempt at the round's first cell is answered late.
            line->AddFault(id, {.kind = SimFaultKind::Late, .count = c.attempts, .command = 0x20, .param = lateMs});
            for (std::uint8_t n = 0; n < 3; ++n) {
                const bool ok = session->SyncQuery(Bytes{3, 0x07, 0x20, n, 0}, answer);
                if (c.restart && n == 0) {
                    session->SetActive(false);
                    session->SetActive(true);
                    session->SetERUniqueButton(false);
                }
                if (!ok) {
                    ++failed;
                    continue;
                }
                EXPECT_EQ(Bytes(answer.begin() + 3, answer.begin() + 8), Bytes(codes[n].begin(), codes[n].end()))
                    << name << ": cell " << int(n) << ", answers " << lateMs << " ms late";
            }
            clock->AdvanceUs(2'000'000);  // the line falls quiet before the next round
            line->ClearFaults(id);
        }
        EXPECT_GT(failed, 0) << name << ": some answers came too late for every attempt";
    }
}

// A good answer leaves the line settled: the next exchange goes out after the
// usual 2 ms, with no wait for a quiet line.
TEST_F(WorkerSimTest, AfterAGoodAnswerTheNextFrameGoesOutAtOnce) {
    Add(3);
    session->SetFound(false);
    session->SetActive(true);
    session->SetERUniqueButton(false);
    Bytes answer;
    ASSERT_TRUE(session->SyncQuery(Bytes{3, 0x05, kCmdProbe}, answer));
    const std::int64_t t0 = clock->NowUs();
    ASSERT_TRUE(session->SyncQuery(Bytes{3, 0x05, kCmdProbe}, answer));
    // 2 ms, five bytes out, 400 us, turnaround, six bytes back: under 20 ms.
    EXPECT_LT(clock->NowUs() - t0, 20'000);
}

// The adapter goes away under a stream of requests: the session names the
// port once, goes inactive at once, fails what was queued without delivering
// anything after the loss, and the next activation opens the port again.
TEST_F(WorkerSimTest, ALostPortEndsTheWorkAndIsNamed) {
    Add(3);
    session->SetFound(false);
    session->SetMax_Attempt(3);
    std::vector<std::string> lost;
    int answers = 0;
    int afterLoss = 0;
    std::int64_t lostAtUs = 0;
    session->OnPortLost = [&](const std::string& m) {
        lost.push_back(m);
        lostAtUs = clock->NowUs();
    };
    session->OnAsyncAnswer = [&](const Bytes& a, std::uint32_t) {
        ++answers;
        if (!lost.empty() || IsFailureAnswer(a)) ++afterLoss;
    };
    session->SetActive(true);
    session->SetERUniqueButton(false);
    line->LosePortAfterWrites(10);
    std::uint32_t check = 0;
    for (int i = 0; i < 200; ++i) session->AsyncQuery(Bytes{3, 0x05, kCmdProbe}, check);
    RunUntil([&] { return !lost.empty(); });
    Barrier();
    session->Dispatch();
    EXPECT_EQ(lost, std::vector<std::string>{"Порт COM1 потерян: устройство отключено"});
    EXPECT_EQ(answers, 9);
    EXPECT_EQ(afterLoss, 0) << "the failed requests are dropped with the session";
    EXPECT_EQ(watch.Total(), 10u) << "no frame after the loss, not even a retry";
    EXPECT_LT(lostAtUs - line->Log().back().timeUs, 1'000'000);
    EXPECT_FALSE(session->Active());
    EXPECT_EQ(session->LastError(), lost[0]);
    EXPECT_EQ(session->PortLostMessage(), lost[0]);
    Bytes answer;
    EXPECT_FALSE(session->SyncQuery(Bytes{3, 0x05, kCmdProbe}, answer));

    session->SetActive(true);  // still unplugged
    EXPECT_FALSE(session->Active());
    EXPECT_EQ(session->LastError(), "Порт COM1 не найден");
    line->SetPortLost(false);  // plugged back under the same name
    session->SetActive(true);
    ASSERT_TRUE(session->Active());
    EXPECT_TRUE(session->SyncQuery(Bytes{3, 0x05, kCmdProbe}, answer));
}

// A synchronous caller waiting behind the exchange that finds the port gone
// is released with the failure answer, not left waiting.
TEST_F(WorkerSimTest, ALostPortReleasesASynchronousCaller) {
    Add(3);
    session->SetFound(false);
    session->SetActive(true);
    session->SetERUniqueButton(false);
    line->SetPortLost(true);
    Bytes answer;
    EXPECT_FALSE(session->SyncQuery(Bytes{3, 0x05, kCmdProbe}, answer));
    EXPECT_TRUE(IsFailureAnswer(answer));
    EXPECT_FALSE(session->SyncQuery(Bytes{3, 0x05, kCmdProbe}, answer));
    session->Dispatch();
    EXPECT_FALSE(session->Active());
    EXPECT_EQ(session->PortLostMessage(), "Порт COM1 потерян: устройство отключено");
}

// Whatever the frame's length, its echo is skipped and its answer read
// without waiting out a time-out: the first read takes no more than the
// shorter of the frame and an answer's head.
TEST_F(WorkerSimTest, EchoIsSkippedForFramesOfEveryLength) {
    Add(3);
    session->SetFound(false);
    session->SetActive(true);
    session->SetERUniqueButton(false);
    const auto p = kFactoryPassword;
    const Bytes frames[] = {
        {3, 0x0A, 0x24, p[0], p[1], p[2], p[3], p[4]},                                  // 10: login
        {3, 0x05, kCmdProbe},                                                           // 5
        {3, 0x07, 0x20, 0x05, 0x00},                                                    // 7: read cell 5
        {3, 0x0C, 0x22, 0x05, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55},                      // 12: write cell 5
        {3, 0x0F, 0x26, p[0], p[1], p[2], p[3], p[4], p[0], p[1], p[2], p[3], p[4]},    // 15: password
    };
    for (const bool echo : {false, true}) {
        line->SetEcho(echo);
        for (const Bytes& f : frames) {
            const std::int64_t t0 = clock->NowUs();
            Bytes answer;
            EXPECT_TRUE(session->SyncQuery(f, answer)) << "echo " << echo << ", " << f.size() + 2 << " bytes";
            EXPECT_LT(clock->NowUs() - t0, 60'000) << "echo " << echo << ", " << f.size() + 2 << " bytes";
        }
    }
}

// A converter that echoes every frame, to addresses nobody has as well, costs
// a scan no more than a line without echo, and the scan finds the same.
TEST_F(WorkerSimTest, AnEchoingLineScansAsFastAsAQuietOne) {
    Add(3);
    Add(17);
    session->SetSearchAddr(true);
    std::int64_t elapsed[2] = {};
    for (const bool echo : {false, true}) {
        session->SetActive(false);
        line->SetEcho(echo);
        ScanRecorder scan(*session);
        const std::int64_t t0 = clock->NowUs();
        std::int64_t t1 = 0;
        session->OnSearchAddr = [&](std::uint32_t a, bool found) {
            if (++scan.searched == 254) t1 = clock->NowUs();
            if (found) scan.events.push_back("found " + std::to_string(a));
        };
        session->SetActive(true);
        session->SetERUniqueButton(false);
        RunUntil([&] { return scan.searched == 254; });
        elapsed[echo] = t1 - t0;
        EXPECT_EQ(scan.events, (std::vector<std::string>{"found 3", "on 3", "found 17", "on 17"})) << echo;
    }
    EXPECT_LE(static_cast<double>(elapsed[1]), 1.1 * static_cast<double>(elapsed[0]))
        << "echo " << elapsed[1] << " us, without " << elapsed[0] << " us";
}

}  // namespace
}  // namespace pelko::test
