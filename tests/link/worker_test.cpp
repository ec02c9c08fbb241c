// The port worker on a scripted line: scan, polls, re-probes, attempts.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "link/frame.h"
#include "link_fixture.h"

namespace pelko::test {
namespace {

using WorkerTest = LinkFixture;

const Bytes kCard = {0x12, 0x34, 0x56, 0x78, 0x9A};
const Bytes kOtherCard = {0x01, 0x02, 0x03, 0x04, 0x05};

// Waits until address adr has had `more` further card polls.
void WaitCardPolls(FakeBus& bus, std::uint8_t adr, std::size_t more) {
    const std::size_t target = bus.CountOf(adr, kCmdCardPoll) + more;
    bus.WaitFrames([&](const std::vector<Bytes>& frames) {
        return static_cast<std::size_t>(std::count_if(frames.begin(), frames.end(), [&](const Bytes& f) {
                   return f[0] == adr && f[2] == kCmdCardPoll;
               })) >= target;
    });
}

TEST_F(WorkerTest, ScanFindsControllersInAddressOrderAndReportsEveryAddress) {
    AddControllers({17, 3});
    session->SetFound(true);
    session->SetSearchAddr(true);
    ScanRecorder scan(*session);
    session->SetActive(true);
    RunUntil([&] { return scan.searched == 254 && scan.events.size() == 4; });
    EXPECT_EQ(scan.events, (std::vector<std::string>{"found 3", "on 3", "found 17", "on 17"}));
    const std::vector<std::uint8_t> probes = bus->AddressesOf(kCmdProbe);
    ASSERT_GE(probes.size(), 254u);
    for (unsigned a = 1; a <= 254; ++a) EXPECT_EQ(probes[a - 1], a);
}

TEST_F(WorkerTest, WithoutSearchAddrNoScanItemsAreMade) {
    AddControllers({3});
    session->SetFound(true);
    int searched = 0;
    session->OnSearchAddr = [&](std::uint32_t, bool) { ++searched; };
    session->SetActive(true);
    Barrier();
    session->Dispatch();
    EXPECT_EQ(searched, 0);
}

TEST_F(WorkerTest, PollsAlternateBetweenPresentControllers) {
    AddControllers({3, 17});
    session->SetFound(true);
    session->SetActive(true);
    WaitCardPolls(*bus, 17, 3);
    std::vector<std::uint8_t> polls = bus->AddressesOf(kCmdCardPoll);
    polls.resize(6);
    EXPECT_EQ(polls, (std::vector<std::uint8_t>{3, 17, 3, 17, 3, 17}));
    // Each card poll is followed by the button poll of the same controller.
    const std::vector<Bytes> frames = bus->Frames();
    for (std::size_t i = 254; i + 1 < frames.size(); ++i) {
        if (frames[i][2] == kCmdCardPoll) {
            EXPECT_EQ(frames[i + 1], BuildFrame(ButtonPollBody(frames[i][0])));
        }
    }
}

TEST_F(WorkerTest, EachPassServesOneQueuedRequestThenPollsOneController) {
    AddControllers({3, 17});
    session->SetFound(true);
    std::uint32_t check = 0;
    for (int i = 0; i < 3; ++i) session->AsyncQuery(Bytes{3, 0x05, 0x36}, check);  // wait out the scan
    session->SetActive(true);
    constexpr std::size_t kAfterScan = 254;
    bus->WaitFrames([](const std::vector<Bytes>& f) { return f.size() >= kAfterScan + 9; });
    std::vector<std::string> seen;
    const std::vector<Bytes> frames = bus->Frames();
    for (std::size_t i = kAfterScan; i < kAfterScan + 9; ++i)
        seen.push_back(std::to_string(frames[i][0]) + ":" + std::to_string(frames[i][2]));
    EXPECT_EQ(seen, (std::vector<std::string>{"3:54", "3:2", "3:114", "3:54", "17:2", "17:114", "3:54", "3:2",
                                              "3:114"}));
}

TEST_F(WorkerTest, ReadCardOnlyWhenTheCardAnswerChanges) {
    AddControllers({3});
    bus->SetCard(3, kCard);
    session->SetFound(true);
    std::vector<Bytes> cards;
    session->OnReadCard = [&](const Bytes& a) { cards.push_back(a); };
    session->SetActive(true);

    WaitCardPolls(*bus, 3, 5);
    Barrier();
    session->Dispatch();
    ASSERT_EQ(cards.size(), 1u) << "identical answers raise nothing";
    EXPECT_EQ(Bytes(cards[0].begin() + 3, cards[0].begin() + 8), kCard);

    bus->SetCard(3, std::nullopt);  // all-FF answer: no event, but it is remembered
    WaitCardPolls(*bus, 3, 3);
    bus->SetCard(3, kCard);
    WaitCardPolls(*bus, 3, 3);
    Barrier();
    session->Dispatch();
    EXPECT_EQ(cards.size(), 2u) << "the card shown again after removal";
}

TEST_F(WorkerTest, TwoReadersHoldingCardsReportEveryAnswer) {
    AddControllers({3, 17});
    bus->SetCard(3, kCard);
    bus->SetCard(17, kCard);  // same card: differs only in address and checksum
    session->SetFound(true);
    std::vector<std::uint8_t> from;
    session->OnReadCard = [&](const Bytes& a) { from.push_back(a[0]); };
    session->SetActive(true);
    WaitCardPolls(*bus, 17, 3);
    session->SetERUniqueButton(false);
    Barrier();
    session->Dispatch();
    const std::size_t polls = bus->AddressesOf(kCmdCardPoll).size();
    EXPECT_EQ(from.size(), polls);
    for (std::size_t i = 0; i < from.size(); ++i) EXPECT_EQ(from[i], i % 2 ? 17 : 3);
}

TEST_F(WorkerTest, ButtonChangesAreReportedOnce) {
    AddControllers({3});
    session->SetFound(true);
    std::vector<std::uint8_t> states;
    session->OnChangBut = [&](const Bytes& a) { states.push_back(a[3]); };
    session->SetActive(true);
    WaitCardPolls(*bus, 3, 2);
    bus->SetButton(3, 1);
    WaitCardPolls(*bus, 3, 3);
    bus->SetButton(3, 2);  // only 1 means on
    WaitCardPolls(*bus, 3, 3);
    bus->SetButton(3, 0);
    WaitCardPolls(*bus, 3, 3);
    Barrier();
    session->Dispatch();
    EXPECT_EQ(states, (std::vector<std::uint8_t>{1, 2}));
}

TEST_F(WorkerTest, AControllerThatFallsSilentIsReportedOnceAndNoLongerPolled) {
    AddControllers({3, 17});
    session->SetFound(true);
    session->SetMax_Attempt(2);
    std::vector<std::uint32_t> off;
    session->OnDevOff = [&](std::uint32_t a) { off.push_back(a); };
    session->SetActive(true);
    WaitCardPolls(*bus, 3, 2);
    bus->SetSilent(3, true);
    WaitCardPolls(*bus, 17, 6);
    Barrier();
    const std::size_t pollsOf3 = bus->CountOf(3, kCmdCardPoll);
    WaitCardPolls(*bus, 17, 4);
    Barrier();
    session->Dispatch();
    EXPECT_EQ(off, std::vector<std::uint32_t>{3});
    EXPECT_EQ(bus->CountOf(3, kCmdCardPoll), pollsOf3) << "not polled again";

    // Polled again and answering, it is announced once, so the program shows it connected.
    std::vector<std::uint32_t> on;
    session->OnDevOn = [&](std::uint32_t a) { on.push_back(a); };
    bus->SetSilent(3, false);
    ASSERT_TRUE(session->SetDevPresent(3));
    WaitCardPolls(*bus, 3, 2);
    WaitCardPolls(*bus, 3, 4);
    Barrier();
    session->Dispatch();
    EXPECT_EQ(on, std::vector<std::uint32_t>{3});
}

TEST_F(WorkerTest, AbsentAddressesAreReprobedEveryCirclePasses) {
    AddControllers({5});
    session->SetCircle(2);
    std::vector<std::uint32_t> on;
    session->OnDevOn = [&](std::uint32_t a) { on.push_back(a); };
    session->SetActive(true);
    RunUntil([&] { return !on.empty(); });
    EXPECT_EQ(on, std::vector<std::uint32_t>{5});
    WaitCardPolls(*bus, 5, 3);
    // One whole cycle: 1 to 254, then round to 1 past 255 and 0, never touching the present 5.
    bus->WaitFrames([](const std::vector<Bytes>& f) {
        return std::count_if(f.begin(), f.end(), [](const Bytes& b) { return b[2] == kCmdProbe; }) >= 259;
    });
    std::vector<std::uint8_t> expected;
    for (int a = 1; a <= 254; ++a) expected.push_back(static_cast<std::uint8_t>(a));
    expected.insert(expected.end(), {1, 2, 3, 4, 6});
    const std::vector<std::uint8_t> probes = bus->AddressesOf(kCmdProbe);
    for (std::size_t i = 0; i < expected.size(); ++i) ASSERT_EQ(+probes[i], +expected[i]) << "probe " << i;
    // Between two probes the worker makes Circle passes, each polling 5 once.
    const std::vector<Bytes> frames = bus->Frames();
    std::size_t pollsBetween = 0;
    std::vector<std::size_t> gaps;
    for (const Bytes& f : frames) {
        if (f[2] == kCmdProbe) {
            gaps.push_back(pollsBetween);
            pollsBetween = 0;
        } else if (f[2] == kCmdCardPoll) {
            ++pollsBetween;
        }
    }
    EXPECT_EQ(std::vector<std::size_t>(gaps.begin() + 5, gaps.begin() + 8), (std::vector<std::size_t>{2, 2, 2}));
}

TEST_F(WorkerTest, NoPollOrProbeFramesWithPollingOff) {
    AddControllers({3, 17});
    session->SetFound(true);
    session->SetCircle(1);
    session->SetActive(true);
    session->SetERUniqueButton(false);
    Barrier();
    const std::size_t before = bus->Frames().size();
    Bytes answer;
    std::uint32_t check = 0;
    session->AsyncQuery(Bytes{3, 0x05, 0x36}, check);
    session->AsyncQuery(Bytes{17, 0x05, 0x36}, check);
    session->SyncQuery(Bytes{3, 0x05, 0x36}, answer);
    const std::vector<Bytes> frames = bus->Frames();
    ASSERT_EQ(frames.size(), before + 3);
    for (std::size_t i = before; i < frames.size(); ++i) EXPECT_EQ(frames[i][2], 0x36);
}

TEST_F(WorkerTest, AttemptsOnASilentAddress) {
    for (const int attempts : {0, 1, 3}) {
        session->SetActive(false);
        session->SetMax_Attempt(static_cast<std::uint8_t>(attempts));
        session->SetActive(true);
        const std::size_t before = bus->Frames().size();
        Bytes answer;
        EXPECT_FALSE(session->SyncQuery(Bytes{42, 0x05, 0x36}, answer));
        EXPECT_EQ(bus->Frames().size() - before, static_cast<std::size_t>(std::max(1, attempts)))
            << attempts << " attempts";
    }
}

TEST_F(WorkerTest, DeactivationDuringAnExchangeEnds) {
    bus->SetSlowReadMs(20);  // every silent read takes a while, like a real time-out
    session->SetMax_Attempt(3);
    session->SetActive(true);
    int answers = 0;
    session->OnAsyncAnswer = [&](const Bytes&, std::uint32_t) { ++answers; };
    std::uint32_t check = 0;
    session->AsyncQuery(Bytes{42, 0x05, 0x36}, check);
    while (!bus->ReadStarted()) std::this_thread::yield();
    session->SetActive(false);
    EXPECT_FALSE(session->Active());
    session->Dispatch();
    EXPECT_EQ(answers, 0);
}

}  // namespace
}  // namespace pelko::test
