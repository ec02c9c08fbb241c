// Session semantics: settings, request numbering, queues and dispatch.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "link/frame.h"
#include "link_fixture.h"

namespace pelko::test {
namespace {

using SessionTest = LinkFixture;

struct Settings {
    std::uint8_t attempts;
    std::int32_t baud, interval, multiplier, constant, tail;
    bool smart, found, search;
    std::uint32_t circle;
    std::uint8_t com;
};

void Apply(TPelkoSession& s, const Settings& v) {
    s.SetMax_Attempt(v.attempts);
    s.SetPortBaudRate(v.baud);
    s.SetIntervalTimeOut(v.interval);
    s.SetTimeOutMultiplier(v.multiplier);
    s.SetTimeOutConstant(v.constant);
    s.SetTailinUS(v.tail);
    s.SetSmartPI(v.smart);
    s.SetFound(v.found);
    s.SetSearchAddr(v.search);
    s.SetCircle(v.circle);
    s.SetComPort(v.com);
}

void ExpectSettings(const TPelkoSession& s, const Settings& v) {
    EXPECT_EQ(s.Max_Attempt(), v.attempts);
    EXPECT_EQ(s.PortBaudRate(), v.baud);
    EXPECT_EQ(s.IntervalTimeOut(), v.interval);
    EXPECT_EQ(s.TimeOutMultiplier(), v.multiplier);
    EXPECT_EQ(s.TimeOutConstant(), v.constant);
    EXPECT_EQ(s.TailinUS(), v.tail);
    EXPECT_EQ(s.SmartPI(), v.smart);
    EXPECT_EQ(s.Found(), v.found);
    EXPECT_EQ(s.SearchAddr(), v.search);
    EXPECT_EQ(s.Circle(), v.circle);
    EXPECT_EQ(s.ComPort(), v.com);
}

TEST(SessionDefaults, FreshSessionHoldsTheDocumentedValues) {
    TPelkoSession s(FakeOpener(std::make_shared<FakeBus>(std::make_shared<FakeTiming>())));
    ExpectSettings(s, Settings{1, 9600, 0, 0, 40, 400, true, true, false, 0, 1});
    EXPECT_FALSE(s.Active());
    EXPECT_TRUE(s.ERUniqueButton());
}

TEST_F(SessionTest, SettersAreRefusedWhileActiveAndTakeEffectAfter) {
    const Settings first{2, 19200, 5, 2, 100, 300, false, false, false, 0, 3};
    const Settings second{4, 4800, 7, 3, 200, 500, true, true, true, 9, 5};
    Apply(*session, first);
    session->SetActive(true);
    ASSERT_TRUE(session->Active());
    Apply(*session, second);
    ExpectSettings(*session, first);
    session->SetActive(false);
    Apply(*session, second);
    ExpectSettings(*session, second);
}

TEST_F(SessionTest, CheckNumbersAreConsecutiveAndSurviveReactivation) {
    AddControllers({5});
    const Bytes rq{5, 0x05, 0x36};
    std::vector<std::uint32_t> checks(5);
    session->AsyncQuery(rq, checks[0]);
    session->AsyncQuery(rq, checks[1]);
    session->SetActive(true);
    session->AsyncQuery(rq, checks[2]);
    session->SetActive(false);
    session->SetActive(true);
    session->AsyncQuery(rq, checks[3]);
    session->SetActive(false);
    session->AsyncQuery(rq, checks[4]);
    EXPECT_EQ(checks, (std::vector<std::uint32_t>{0, 1, 2, 3, 4}));
}

TEST_F(SessionTest, RequestsQueuedWhileInactiveAreServedOnceAWorkerRuns) {
    AddControllers({5});
    std::vector<std::uint32_t> answered;
    std::vector<Bytes> answers;
    session->OnAsyncAnswer = [&](const Bytes& a, std::uint32_t check) {
        answered.push_back(check);
        answers.push_back(a);
    };
    std::uint32_t check = 0;
    session->AsyncQuery(Bytes{5, 0x05, 0x36}, check);
    session->AsyncQuery(Bytes{6, 0x05, 0x36}, check);  // nobody at 6
    session->SetActive(true);
    RunUntil([&] { return answered.size() == 2; });
    EXPECT_EQ(answered, (std::vector<std::uint32_t>{0, 1}));
    EXPECT_EQ(answers[0], MakeAnswer(5, 0x37, {0xFF}));
    EXPECT_EQ(answers[1], FailureAnswer());
}

TEST_F(SessionTest, DeactivationDiscardsQueuedItemsWithoutEvents) {
    AddControllers({3, 17});
    session->SetFound(true);
    int events = 0;
    session->OnDevOn = [&](std::uint32_t) { ++events; };
    session->OnAsyncAnswer = [&](const Bytes&, std::uint32_t) { ++events; };
    session->SetActive(true);
    std::uint32_t check = 0;
    for (int i = 0; i < 3; ++i) session->AsyncQuery(Bytes{3, 0x05, 0x36}, check);
    Barrier();  // answers and DevOn items now wait in the incoming queue
    bus->SetSlowReadMs(5);
    session->AsyncQuery(Bytes{99, 0x05, 0x40}, check);  // a slow silent address
    for (int i = 0; i < 5; ++i) session->AsyncQuery(Bytes{3, 0x05, 0x42}, check);
    session->SetActive(false);
    session->Dispatch();
    EXPECT_EQ(events, 0);

    bus->SetSlowReadMs(0);
    const std::size_t servedBefore = bus->AddressesOf(0x42).size();
    session->SetActive(true);
    Barrier();
    session->Dispatch();
    EXPECT_EQ(bus->AddressesOf(0x42).size(), servedBefore) << "a discarded request was sent";
    EXPECT_EQ(events, 2) << "only the new scan's DevOn events";
}

TEST_F(SessionTest, SyncQueryOutcomes) {
    AddControllers({5});
    struct Case {
        const char* name;
        bool active;
        Bytes request;
        std::size_t capacity;
        bool result;
        Bytes answer;
    };
    const Bytes full = MakeAnswer(5, 0x37, {0xFF});
    const Bytes card = MakeAnswer(5, 0x03, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00});  // 11 bytes
    const std::vector<Case> cases = {
        {"answered", true, {5, 0x05, 0x36}, 17, true, full},
        {"cut to capacity", true, CardPollBody(5), 6, true, Bytes(card.begin(), card.begin() + 6)},
        {"silent address", true, {6, 0x05, 0x36}, 17, false, FailureAnswer()},
        {"inactive session", false, {5, 0x05, 0x36}, 17, false, FailureAnswer()},
    };
    for (const Case& c : cases) {
        session->SetActive(c.active);
        Bytes answer{1, 2, 3};
        EXPECT_EQ(session->SyncQuery(c.request, answer, c.capacity), c.result) << c.name;
        EXPECT_EQ(answer, c.answer) << c.name;
    }
}

TEST_F(SessionTest, InactiveSyncQuerySendsNothing) {
    Bytes answer;
    EXPECT_FALSE(session->SyncQuery(Bytes{5, 0x05, 0x36}, answer));
    EXPECT_TRUE(bus->Frames().empty());
}

TEST_F(SessionTest, RequestBodyIsCutTo16Bytes) {
    Bytes body(20, 0x11);
    body[0] = 7;
    session->SetActive(true);
    Bytes answer;
    session->SyncQuery(body, answer);
    const std::vector<Bytes> frames = bus->Frames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], BuildFrame(Bytes(body.begin(), body.begin() + 16)));
}

TEST_F(SessionTest, ABurstNotifiesOnceAndOneDispatchDeliversItInOrder) {
    AddControllers({3, 17});
    session->SetFound(true);
    session->SetSearchAddr(true);
    std::vector<std::string> seen;
    session->OnSearchAddr = [&](std::uint32_t a, bool found) {
        if (found) seen.push_back("search " + std::to_string(a));
    };
    std::uint32_t searched = 0;
    auto count = session->OnSearchAddr;
    session->OnSearchAddr = [&, count](std::uint32_t a, bool found) {
        ++searched;
        EXPECT_EQ(a, searched);
        count(a, found);
    };
    session->OnDevOn = [&](std::uint32_t a) { seen.push_back("on " + std::to_string(a)); };
    session->SetActive(true);
    Barrier();  // the scan is over; nothing has been dispatched yet
    EXPECT_EQ(pump.Notifications(), 1);
    session->Dispatch();
    EXPECT_EQ(searched, 254u);
    EXPECT_EQ(seen, (std::vector<std::string>{"search 3", "on 3", "search 17", "on 17"}));
}

TEST_F(SessionTest, AThrowingHandlerDoesNotStrandTheItemsBehindIt) {
    AddControllers({3, 17, 40});
    session->SetFound(true);
    std::vector<std::uint32_t> on;
    session->OnDevOn = [&](std::uint32_t a) {
        on.push_back(a);
        if (a == 3) throw std::runtime_error("handler failed");
    };
    session->SetActive(true);
    Barrier();
    const int before = pump.Notifications();
    EXPECT_THROW(session->Dispatch(), std::runtime_error);
    EXPECT_EQ(pump.Notifications(), before + 1) << "a fresh dispatch must be asked for";
    session->Dispatch();
    EXPECT_EQ(on, (std::vector<std::uint32_t>{3, 17, 40}));
}

TEST_F(SessionTest, SetDevPresentRules) {
    AddControllers({9});
    int devOn = 0;
    session->OnDevOn = [&](std::uint32_t) { ++devOn; };
    EXPECT_FALSE(session->SetDevPresent(9)) << "inactive";
    session->SetActive(true);
    EXPECT_FALSE(session->SetDevPresent(0));
    EXPECT_FALSE(session->SetDevPresent(255));
    EXPECT_TRUE(session->SetDevPresent(9));
    bus->WaitFrames([](const std::vector<Bytes>& f) {
        return std::count_if(f.begin(), f.end(), [](const Bytes& b) { return b[0] == 9 && b[2] == 0x02; }) >= 2;
    });
    Barrier();
    session->Dispatch();
    EXPECT_EQ(devOn, 1) << "a controller marked present is announced once, when it answers its poll";
}

TEST_F(SessionTest, ERUniqueButtonChangesOnlyWithAWorker) {
    session->SetERUniqueButton(false);
    EXPECT_TRUE(session->ERUniqueButton()) << "no worker: no effect";
    session->SetActive(true);
    session->SetERUniqueButton(false);
    EXPECT_FALSE(session->ERUniqueButton());
    session->SetERUniqueButton(true);
    EXPECT_TRUE(session->ERUniqueButton());
}

TEST_F(SessionTest, ERUniqueButtonDoesNotWaitForAnExchangeUnderWay) {
    FakeController silent;
    silent.silent = true;
    bus->SetController(5, silent);
    bus->HoldSilentReads(true);
    session->SetFound(false);
    session->SetActive(true);
    session->SetDevPresent(5);
    while (!bus->ReadStarted()) std::this_thread::yield();
    session->SetERUniqueButton(false);  // the worker is still inside its card poll
    EXPECT_FALSE(session->ERUniqueButton());
    bus->HoldSilentReads(false);
}

TEST_F(SessionTest, ActivationFailsCleanly) {
    struct Case {
        const char* name;
        bool refusePort;
        std::int32_t baud;
    };
    for (const Case& c : {Case{"port refused", true, 9600}, Case{"speed below 10", false, 5},
                          Case{"non-standard speed", false, 12345}}) {
        refuse->store(c.refusePort);
        session->SetPortBaudRate(c.baud);
        session->SetActive(true);
        EXPECT_FALSE(session->Active()) << c.name;
        EXPECT_FALSE(session->LastError().empty()) << c.name;
        std::uint32_t check = 0;
        EXPECT_TRUE(session->AsyncQuery(Bytes{1, 0x05, 0x36}, check)) << c.name;
    }
    refuse->store(false);
    session->SetPortBaudRate(9600);
    session->SetActive(true);
    EXPECT_TRUE(session->Active());
    EXPECT_TRUE(session->LastError().empty());
}

}  // namespace
}  // namespace pelko::test
