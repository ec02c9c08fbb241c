#include "sim/sim_line.h"

#include <gtest/gtest.h>

#include "sim_test_util.h"

namespace pelko {
namespace {

using testing::Body;
using testing::Cat;
using testing::Cell;
using testing::kPass;
using testing::Req;

class SimLineTest : public ::testing::Test {
protected:
    // The answers to one frame sent at baud, time moving on 10 ms per frame.
    std::vector<SimAnswer> Send(const Bytes& frame, std::uint32_t baud = 9600) {
        FNow += 100'000;
        return line.Transmit(frame.data(), frame.size(), baud, FNow);
    }
    Bytes One(const Bytes& frame, std::uint32_t baud = 9600) {
        const auto a = Send(frame, baud);
        return a.size() == 1 ? a[0].bytes : Bytes{};
    }

    SimLine line;
    std::int64_t FNow = 0;
};

TEST_F(SimLineTest, OnlyTheControllerAtTheLineSpeedAnswers) {
    line.Add({.adr = 3});
    line.Add({.adr = 17, .baud = 19200});
    EXPECT_FALSE(One(Req(3, 0xFE)).empty());
    EXPECT_TRUE(Send(Req(17, 0xFE)).empty());
    EXPECT_FALSE(One(Req(17, 0xFE), 19200).empty());
    EXPECT_TRUE(Send(Req(3, 0xFE), 19200).empty());
    EXPECT_TRUE(Send(Req(4, 0xFE)).empty());
}

TEST_F(SimLineTest, AnswerStartsAfterTheFrameAndTurnaround) {
    line.Add({.adr = 3});
    line.SetTurnaroundUs(700);
    const Bytes f = Req(3, 0xFE);
    const auto a = line.Transmit(f.data(), f.size(), 9600, 50'000);
    ASSERT_EQ(a.size(), 1u);
    EXPECT_EQ(a[0].startUs, 50'000 + 5 * ByteTimeUs(9600) + 700);
    EXPECT_EQ(a[0].byteUs, ByteTimeUs(9600));
}

TEST_F(SimLineTest, FramingResyncsAfterGarbageAndDropsCutFrames) {
    line.Add({.adr = 3});
    // Garbage in front of a good frame, in one stream without a pause.
    EXPECT_FALSE(One(Cat({{0x00, 0x77, 0x40, 0xEE}, Req(3, 0xFE)})).empty());
    // Garbage that declares a plausible length swallows what follows until a pause.
    EXPECT_TRUE(Send(Cat({{0x03, 0x09, 0x55}, Req(3, 0xFE)})).empty());
    // A frame in two pieces with no pause between them is still one frame.
    const Bytes f = Req(3, 0xFE);
    FNow += 100'000;
    EXPECT_TRUE(line.Transmit(f.data(), 2, 9600, FNow).empty());
    EXPECT_EQ(line.Transmit(f.data() + 2, 3, 9600, FNow + 2 * ByteTimeUs(9600)).size(), 1u);
    // The same two pieces with a pause in between are lost, and so is a frame
    // whose speed changes midway.
    FNow += 100'000;
    line.Transmit(f.data(), 2, 9600, FNow);
    EXPECT_TRUE(line.Transmit(f.data() + 2, 3, 9600, FNow + 2 * ByteTimeUs(9600) + 2000).empty());
    line.Transmit(f.data(), 2, 9600, FNow + 20'000);
    EXPECT_TRUE(line.Transmit(f.data() + 2, 3, 19200, FNow + 20'000 + 2 * ByteTimeUs(9600)).empty());
    // A bad checksum draws no answer; the next good frame does.
    EXPECT_TRUE(Send(Cat({Body(f), {0xC6, 0x15}})).empty());
    EXPECT_FALSE(One(f).empty());
    EXPECT_GT(line.DroppedBytes(), 0u);
}

TEST_F(SimLineTest, TwoControllersAtOneAddressCollide) {
    const auto a = line.Add({.adr = 5});
    const auto b = line.Add({.adr = 5});
    line.PresentCard(a, {0x01, 0x02, 0x03, 0x04, 0x05});
    EXPECT_TRUE(line.PresentCard(b, {0x10, 0x20, 0x30, 0x40, 0x50}));
    const Bytes req = Req(5, 0x02);
    const auto answers = Send(req);
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_FALSE(AcceptAnswer(req, answers[0].bytes));
    EXPECT_EQ(line.Log().back().note, "collision");
    // The same words from both drivers are no collision.
    EXPECT_TRUE(AcceptAnswer(Req(5, 0xFE), One(Req(5, 0xFE))));
}

TEST_F(SimLineTest, UnpluggedControllerKeepsItsMemory) {
    const auto id = line.Add({.adr = 8});
    One(Req(8, 0x24, kPass));
    One(Req(8, 0x22, Cat({Cell(3), {1, 2, 3, 4, 5}})));
    ASSERT_TRUE(line.Unplug(id));
    EXPECT_TRUE(Send(Req(8, 0xFE)).empty());
    EXPECT_TRUE(line.FindByAdr(8).empty());
    ASSERT_TRUE(line.Plug(id));
    EXPECT_EQ(Body(One(Req(8, 0x20, Cell(3)))), (Bytes{8, 10, 0x21, 1, 2, 3, 4, 5}));
    EXPECT_TRUE(line.Remove(id));
    EXPECT_FALSE(line.Remove(id));
    EXPECT_TRUE(Send(Req(8, 0xFE)).empty());
    EXPECT_FALSE(line.Snapshot(id).has_value());
}

TEST_F(SimLineTest, RestartDelayRunsOnTheLineTime) {
    const auto id = line.Add({.adr = 6, .restartUs = 1'000'000});
    One(Req(6, 0x28, testing::kResetText));
    EXPECT_EQ(line.FindByAdr(1), std::vector<SimControllerId>{id});
    EXPECT_TRUE(Send(Req(1, 0xFE)).empty());
    FNow += 1'000'000;
    EXPECT_FALSE(One(Req(1, 0xFE)).empty());
}

struct FaultCase {
    const char* name;
    SimFault fault;
    bool answered;
    bool accepted;   // by the link's rules
    bool written;    // the cell write took effect
    const char* note;
};

class SimFaultTest : public SimLineTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(SimFaultTest, SpoilsTheAnswerAsAsked) {
    const FaultCase& c = GetParam();
    const auto id = line.Add({.adr = 9});
    One(Req(9, 0x24, kPass));
    line.AddFault(id, c.fault);
    const Bytes req = Req(9, 0x22, Cat({Cell(1), {7, 7, 7, 7, 7}}));
    const auto answers = Send(req);
    ASSERT_EQ(answers.size(), c.answered ? 1u : 0u);
    if (c.answered) {
        EXPECT_EQ(AcceptAnswer(req, answers[0].bytes), c.accepted);
        EXPECT_EQ(line.Log().back().note, c.note);
    }
    EXPECT_EQ(line.Snapshot(id)->Cell(1)[0] == 7, c.written);
    line.ClearFaults(id);
    EXPECT_TRUE(AcceptAnswer(req, One(req)));
}

INSTANTIATE_TEST_SUITE_P(
    Faults, SimFaultTest,
    ::testing::Values(FaultCase{"Silent", {.kind = SimFaultKind::Silent}, false, false, false, ""},
                      FaultCase{"Busy", {.kind = SimFaultKind::Busy}, true, false, false, "busy"},
                      FaultCase{"BadChecksum", {.kind = SimFaultKind::BadChecksum}, true, false, true, "badcrc"},
                      FaultCase{"OtherAddress", {.kind = SimFaultKind::OtherAddress}, true, true, true, "otheraddr"},
                      FaultCase{"Late", {.kind = SimFaultKind::Late}, true, true, true, "late"},
                      FaultCase{"OtherCommandOnly", {.kind = SimFaultKind::Silent, .command = 0x20}, true, true, true,
                                ""}),
    [](const ::testing::TestParamInfo<FaultCase>& i) { return std::string(i.param.name); });

TEST_F(SimLineTest, LateAndOtherAddressDetails) {
    const auto id = line.Add({.adr = 9});
    line.AddFault(id, {.kind = SimFaultKind::OtherAddress, .count = 1, .param = 200});
    line.AddFault(id, {.kind = SimFaultKind::Late, .count = 1, .param = 800});
    line.AddFault(id, {.kind = SimFaultKind::OtherAddress, .count = 1});
    EXPECT_EQ(One(Req(9, 0xFE))[0], 200);
    FNow += 100'000;
    const Bytes f = Req(9, 0xFE);
    const auto late = line.Transmit(f.data(), f.size(), 9600, FNow);
    ASSERT_EQ(late.size(), 1u);
    EXPECT_GE(late[0].startUs, FNow + 800'000);
    EXPECT_EQ(One(Req(9, 0xFE))[0], 10);
    EXPECT_EQ(One(Req(9, 0xFE))[0], 9);  // every fault used up
}

// A controller handles one frame at a time: a frame heard while its answer
// is being prepared is answered once that answer has gone out; a frame that
// meets its answer on the wire is not heard at all.
TEST_F(SimLineTest, OneFrameAtATime) {
    const auto id = line.Add({.adr = 3});
    line.AddFault(id, {.kind = SimFaultKind::Late, .count = 1, .param = 50});
    const Bytes f = Req(3, 0xFE);
    const std::int64_t byteUs = ByteTimeUs(9600);
    const auto first = line.Transmit(f.data(), f.size(), 9600, 0);
    ASSERT_EQ(first.size(), 1u);
    const std::int64_t firstEnd = first[0].startUs + 6 * byteUs;
    const auto queued = line.Transmit(f.data(), f.size(), 9600, 20'000);
    ASSERT_EQ(queued.size(), 1u);
    EXPECT_EQ(queued[0].startUs, firstEnd + kDefaultTurnaroundUs);
    EXPECT_EQ(queued[0].delayUs, firstEnd - (20'000 + 5 * byteUs)) << "the wait shows as delay (pelko-sim keeps it)";
    EXPECT_TRUE(line.Transmit(f.data(), f.size(), 9600, queued[0].startUs).empty()) << "it was talking";
    EXPECT_EQ(One(f).size(), 6u);
}

// Two drivers on the wire: a frame for another controller that meets a late
// answer reaches nobody; one after the answer is heard. A slow controller's
// own delay shows on every answer.
TEST_F(SimLineTest, AFrameThatMeetsAnAnswerIsLostAndASlowControllerIsLateEveryTime) {
    const auto id3 = line.Add({.adr = 3, .answerDelayUs = 30'000});
    line.Add({.adr = 4});
    const Bytes to3 = Req(3, 0xFE), to4 = Req(4, 0xFE);
    const std::int64_t byteUs = ByteTimeUs(9600);
    for (int i = 0; i < 2; ++i) {
        const std::int64_t t = i * 200'000;
        const auto slow = line.Transmit(to3.data(), to3.size(), 9600, t);
        ASSERT_EQ(slow.size(), 1u);
        EXPECT_EQ(slow[0].startUs, t + 5 * byteUs + kDefaultTurnaroundUs + 30'000);
        EXPECT_TRUE(line.Transmit(to4.data(), to4.size(), 9600, slow[0].startUs + byteUs).empty()) << i;
        EXPECT_EQ(line.Transmit(to4.data(), to4.size(), 9600, slow[0].startUs + 7 * byteUs).size(), 1u) << i;
    }
    line.With(id3, [](SimController& c) { c.SetAnswerDelayUs(0); });
    EXPECT_EQ(line.Transmit(to3.data(), to3.size(), 9600, 1'000'000)[0].startUs,
              1'000'000 + 5 * byteUs + kDefaultTurnaroundUs);
}

// A converter that echoes hands every byte the host sends back to it, also
// for an address nobody has, and before any answer.
TEST_F(SimLineTest, LineEchoReturnsEveryFrame) {
    line.Add({.adr = 3});
    line.SetEcho(true);
    const Bytes nobody = Req(99, 0xFE);
    const auto e = Send(nobody);
    ASSERT_EQ(e.size(), 1u);
    EXPECT_TRUE(e[0].echo);
    EXPECT_EQ(e[0].bytes, nobody);
    const Bytes probe = Req(3, 0xFE);
    const auto both = Send(probe);
    ASSERT_EQ(both.size(), 2u);
    EXPECT_EQ(both[0].bytes, probe);
    EXPECT_FALSE(both[1].echo);
    line.SetEcho(false);
    EXPECT_TRUE(Send(nobody).empty());
}

TEST_F(SimLineTest, SkipAndCountPickTheAnswersToSpoil) {
    const auto id = line.Add({.adr = 2});
    line.AddFault(id, {.kind = SimFaultKind::Silent, .skip = 1, .count = 2});
    std::string pattern;
    for (int i = 0; i < 5; ++i) pattern += Send(Req(2, 0xFE)).empty() ? '-' : 'A';
    EXPECT_EQ(pattern, "A--AA");
}

std::string FaultPattern(std::uint64_t seed, double rate, int n) {
    SimLine line(std::make_shared<VirtualClock>(), seed);
    const auto id = line.Add({.adr = 2});
    line.AddFault(id, {.kind = SimFaultKind::Silent, .rate = rate});
    std::string pattern;
    const Bytes f = Req(2, 0xFE);
    for (int i = 0; i < n; ++i)
        pattern += line.Transmit(f.data(), f.size(), 9600, i * 20'000).empty() ? '-' : 'A';  // each after the last answer
    return pattern;
}

TEST(SimLineFaults, SeededRateIsRepeatable) {
    const std::string a = FaultPattern(42, 0.3, 1000);
    EXPECT_EQ(a, FaultPattern(42, 0.3, 1000));
    EXPECT_NE(a, FaultPattern(43, 0.3, 1000));
    const auto lost = std::count(a.begin(), a.end(), '-');
    EXPECT_GT(lost, 230);
    EXPECT_LT(lost, 370);
    EXPECT_EQ(FaultPattern(42, 0.0, 50), std::string(50, 'A'));
}

TEST_F(SimLineTest, NoReturnFaultKeepsAResetControllerAway) {
    const auto id = line.Add({.adr = 6, .restartUs = 1000});
    line.AddFault(id, {.kind = SimFaultKind::NoReturn});
    EXPECT_FALSE(One(Req(6, 0x28, testing::kResetText)).empty());
    FNow += 3'600'000'000;
    EXPECT_TRUE(Send(Req(1, 0xFE)).empty());
}

TEST_F(SimLineTest, LogHoldsEveryWriteAndAnswerWithItsSpeed) {
    line.Add({.adr = 3});
    Send(Req(3, 0xFE));
    Send(Req(4, 0xFE), 19200);
    const auto log = line.Log();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(FormatLogEntry(log[0]), "> 9600 " + JoinedHex(Req(3, 0xFE)));
    EXPECT_FALSE(log[1].fromHost);
    EXPECT_EQ(log[1].bytes, BuildFrame({3, 6, 0xFF, 0x01}));
    EXPECT_EQ(log[2].baud, 19200u);
    line.SetLogLimit(2);
    EXPECT_EQ(line.Log().size(), 2u);
    line.ClearLog();
    EXPECT_TRUE(line.Log().empty());
}

}  // namespace
}  // namespace pelko
