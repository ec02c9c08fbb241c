// Faults that put extra frames on the wire (twice, repeat, stray), seen from
// the host's port on virtual time: what arrives, and when.
#include <gtest/gtest.h>

#include <algorithm>

#include "sim/sim_serial_port.h"
#include "sim_test_util.h"

namespace pelko {
namespace {

using testing::Cat;
using testing::Cell;
using testing::kPass;
using testing::Req;

constexpr std::int64_t kByteUs = ByteTimeUs(9600);

std::int64_t AirUs(const Bytes& frame) { return static_cast<std::int64_t>(frame.size()) * kByteUs; }

struct Arrival {
    Bytes frame;
    std::int64_t atUs;  // its last byte in the receiver
};

class SimRepeatTest : public ::testing::Test {
protected:
    SimRepeatTest() : clock(std::make_shared<VirtualClock>()), line(std::make_shared<SimLine>(clock)) {
        std::string error;
        port = SimSerialPort::Open(line, error);
    }
    // Sends a frame on a quiet line; returns when its last byte has left.
    std::int64_t Write(const Bytes& f) {
        const std::int64_t end = clock->NowUs() + AirUs(f);
        port->write(f.data(), f.size());
        return end;
    }
    // The whole frames that arrive, each read as it completes, until nothing
    // comes for quietMs.
    std::vector<Arrival> Frames(std::uint32_t quietMs = 3000) {
        port->setTimeouts({0, 0, quietMs});
        std::vector<Arrival> got;
        for (;;) {
            Bytes f(2);
            if (port->read(f.data(), 2) < 2 || f[1] < 5 || f[1] > 32) return got;
            f.resize(f[1]);
            f.resize(2 + port->read(f.data() + 2, f.size() - 2));
            got.push_back({f, clock->NowUs()});
        }
    }
    // One exchange: the first frame that comes back, read as it completes.
    Arrival Exchange(const Bytes& f) {
        port->purge();
        Write(f);
        port->setTimeouts({0, 0, 200});
        Bytes a(2);
        if (port->read(a.data(), 2) < 2 || a[1] < 5 || a[1] > 32) return {};
        a.resize(a[1]);
        a.resize(2 + port->read(a.data() + 2, a.size() - 2));
        return {a, clock->NowUs()};
    }

    std::shared_ptr<VirtualClock> clock;
    std::shared_ptr<SimLine> line;
    std::unique_ptr<SimSerialPort> port;
};

struct RepeatCase {
    const char* name;
    const char* fault;  // as on pelko-sim's command line
    const char* note;   // in the frame log, on every frame it sends
    // 'P' the previous answer (the login's), 'A' this answer, each with the
    // pause in ms after the frame before it ends (the first: after the turnaround).
    std::vector<std::pair<char, std::int64_t>> frames;
};

class SimRepeatFaultTest : public SimRepeatTest, public ::testing::WithParamInterface<RepeatCase> {};

// The controller acts on the faulted cell write, and the host receives its
// frames back to back or after the fault's pause, each whole.
TEST_P(SimRepeatFaultTest, HostReceivesTheFramesAtTheirTime) {
    const RepeatCase& c = GetParam();
    const auto id = line->Add({.adr = 3});
    const Bytes login = Exchange(Req(3, 0x24, kPass)).frame;
    ASSERT_EQ(login, BuildFrame({3, 6, 0x25, 0xFF}));
    const auto fault = ParseFault(c.fault);
    ASSERT_TRUE(fault);
    line->AddFault(id, *fault);
    clock->AdvanceUs(50'000);
    const std::size_t logBefore = line->Log().size();

    const std::int64_t sentUs = Write(Req(3, 0x22, Cat({Cell(4), {9, 8, 7, 6, 5}})));
    const auto got = Frames();
    const Bytes answer = BuildFrame({3, 6, 0x23, 0xFF});
    ASSERT_EQ(got.size(), c.frames.size());
    std::int64_t endUs = sentUs + kDefaultTurnaroundUs;
    for (std::size_t i = 0; i < got.size(); ++i) {
        const Bytes& want = c.frames[i].first == 'P' ? login : answer;
        endUs += c.frames[i].second * 1000 + AirUs(want);
        EXPECT_EQ(got[i].frame, want) << i;
        EXPECT_EQ(got[i].atUs, endUs) << i;
    }
    EXPECT_EQ(line->Snapshot(id)->Cell(4), (SimCode{9, 8, 7, 6, 5})) << "the controller acted";
    const auto log = line->Log();
    ASSERT_EQ(log.size(), logBefore + 1 + got.size()) << "every frame is on the wire";
    for (std::size_t i = logBefore + 1; i < log.size(); ++i) EXPECT_EQ(log[i].note, c.note) << i;
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, SimRepeatFaultTest,
    ::testing::Values(RepeatCase{"TwiceBackToBack", "twice@22", "twice", {{'A', 0}, {'A', 0}}},
                      RepeatCase{"TwiceAfter20ms", "twice@22:1:20", "twice", {{'A', 0}, {'A', 20}}},
                      RepeatCase{"RepeatPrevious", "repeat@22", "repeat", {{'P', 0}, {'A', 0}}},
                      RepeatCase{"StrayAfter600ms", "stray@22", "stray", {{'A', 0}, {'P', 600}}},
                      RepeatCase{"StrayAfter50ms", "stray@22:1:50", "stray", {{'A', 0}, {'P', 50}}},
                      RepeatCase{"OtherCommand", "twice@20", "", {{'A', 0}}}),
    [](const ::testing::TestParamInfo<RepeatCase>& i) { return std::string(i.param.name); });

TEST_F(SimRepeatTest, WithoutAPreviousAnswerOnlyThisAnswerGoesOut) {
    for (const char* kind : {"repeat", "stray"}) {
        const auto id = line->Add({.adr = 3});
        line->AddFault(id, *ParseFault(kind));
        const std::int64_t sentUs = Write(Req(3, 0xFE));
        const auto got = Frames();
        ASSERT_EQ(got.size(), 1u) << kind;
        EXPECT_EQ(got[0].atUs, sentUs + kDefaultTurnaroundUs + 6 * kByteUs) << kind;
        line->Remove(id);
    }
}

// The previous answer is the controller's own, a refusal included, and a
// frame it did not answer leaves it as it was.
TEST_F(SimRepeatTest, PreviousAnswerIsPerControllerAndARefusalCounts) {
    const auto a = line->Add({.adr = 3});
    const auto b = line->Add({.adr = 4});
    const Bytes probe3 = Exchange(Req(3, 0xFE)).frame;
    line->AddFault(b, {.kind = SimFaultKind::Busy, .count = 1});
    const Bytes refusal4 = Exchange(Req(4, 0xFE)).frame;
    ASSERT_EQ(refusal4, BuildFrame({4, 6, 0xFF, 0x22}));
    line->AddFault(a, {.kind = SimFaultKind::RepeatPrevious, .command = 0x02});
    line->AddFault(b, {.kind = SimFaultKind::RepeatPrevious, .command = 0x02});
    const Bytes poll3 = BuildFrame({3, 11, 0x03, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00});
    const Bytes poll4 = BuildFrame({4, 11, 0x03, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00});
    auto frames = [&](std::uint8_t adr) {
        Write(Req(adr, 0x02));
        std::vector<Bytes> f;
        for (const Arrival& x : Frames()) f.push_back(x.frame);
        return f;
    };
    EXPECT_EQ(frames(3), (std::vector<Bytes>{probe3, poll3}));
    EXPECT_EQ(frames(4), (std::vector<Bytes>{refusal4, poll4}));
    line->ClearFaults(a);
    line->AddFault(a, {.kind = SimFaultKind::Silent, .count = 1});  // first in line: wins once
    line->AddFault(a, {.kind = SimFaultKind::RepeatPrevious, .command = 0x02});
    EXPECT_TRUE(frames(3).empty());
    EXPECT_EQ(frames(3), (std::vector<Bytes>{poll3, poll3}));
}

// A stray frame still on its way outlives the next exchange's purge, comes
// after that exchange's own answer and is read by the next read.
TEST_F(SimRepeatTest, StrayComesAfterTheNextExchangeAndIsReadNext) {
    const auto a = line->Add({.adr = 3});
    line->Add({.adr = 4});
    const Bytes login = Exchange(Req(3, 0x24, kPass)).frame;
    line->AddFault(a, *ParseFault("stray@22"));
    const Arrival write = Exchange(Req(3, 0x22, Cat({Cell(1), {1, 2, 3, 4, 5}})));
    ASSERT_EQ(write.frame, BuildFrame({3, 6, 0x23, 0xFF}));
    clock->AdvanceUs(100'000);
    const Arrival probe = Exchange(Req(4, 0xFE));
    EXPECT_EQ(probe.frame, BuildFrame({4, 6, 0xFF, 0x01}));
    port->purge();
    const auto rest = Frames();
    ASSERT_EQ(rest.size(), 1u);
    EXPECT_EQ(rest[0].frame, login);
    EXPECT_EQ(rest[0].atUs, write.atUs + 600'000 + AirUs(login));
}

// While a stray is on the wire a host frame reaches nobody, and the host's
// port loses the stray's bytes that start while it drives the line; once
// the stray is over the line is free again.
TEST_F(SimRepeatTest, HostFrameThatMeetsAStrayIsUnheard) {
    const auto a = line->Add({.adr = 3});
    line->Add({.adr = 4});
    Exchange(Req(3, 0xFE));
    line->AddFault(a, {.kind = SimFaultKind::Stray, .command = 0x02, .param = 300});
    const Arrival poll = Exchange(Req(3, 0x02));
    const std::int64_t strayUs = poll.atUs + 300'000;
    clock->WaitUntilUs(strayUs + kByteUs);
    const std::size_t logBefore = line->Log().size();
    const Bytes probe4 = Req(4, 0xFE);
    Write(probe4);
    EXPECT_EQ(line->Log().size(), logBefore + 1) << "only the host's write: 4 heard nothing";
    Bytes got(32);
    port->setTimeouts({0, 0, 200});
    got.resize(port->read(got.data(), got.size()));
    EXPECT_EQ(got, (Bytes{3})) << "the stray's first byte, the rest met the host's frame";

    clock->WaitUntilUs(strayUs + 6 * kByteUs);
    EXPECT_TRUE(AcceptAnswer(probe4, Exchange(probe4).frame));
}

// A stray seconds ahead keeps nobody deaf and delays no answer; it still
// comes at its time, and an answer that would overlap it goes out after it
// (one transmitter).
TEST_F(SimRepeatTest, FarStrayDelaysNothing) {
    const auto a = line->Add({.adr = 3});
    const Bytes probe = Req(3, 0xFE);
    const Bytes previous = Exchange(probe).frame;
    line->AddFault(a, {.kind = SimFaultKind::Stray, .count = 1, .command = 0x02, .param = 2000});
    const Arrival poll = Exchange(Req(3, 0x02));
    const std::int64_t strayUs = poll.atUs + 2'000'000;
    for (int i = 0; i < 10; ++i) {
        clock->AdvanceUs(100'000);
        const std::int64_t sentUs = clock->NowUs() + AirUs(probe);
        const Arrival got = Exchange(probe);
        EXPECT_EQ(got.frame, previous) << i;
        EXPECT_EQ(got.atUs, sentUs + kDefaultTurnaroundUs + 6 * kByteUs) << i;
    }
    clock->WaitUntilUs(strayUs - kDefaultTurnaroundUs - AirUs(probe) - 300);
    Write(probe);
    const auto got = Frames();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].frame, previous);
    EXPECT_EQ(got[0].atUs, strayUs + 6 * kByteUs);
    EXPECT_EQ(got[1].atUs, strayUs + 12 * kByteUs);
}

// A stray that meets another controller's answer collides with it: the
// host receives one frame, the wired-AND of both, not their bytes interleaved.
TEST_F(SimRepeatTest, StrayCollidesWithAnotherControllersAnswer) {
    const auto a = line->Add({.adr = 3});
    const auto b = line->Add({.adr = 4});
    const Bytes stray = Exchange(Req(3, 0xFE)).frame;
    line->AddFault(a, {.kind = SimFaultKind::Stray, .count = 1, .command = 0x02, .param = 200});
    const Arrival poll = Exchange(Req(3, 0x02));
    const std::int64_t strayUs = poll.atUs + 200'000;
    line->AddFault(b, {.kind = SimFaultKind::Late, .count = 1, .param = 50});
    const Bytes probe4 = Req(4, 0xFE);
    // 4's answer starts one byte into the stray.
    clock->WaitUntilUs(strayUs + kByteUs - 50'000 - kDefaultTurnaroundUs - AirUs(probe4));
    Write(probe4);
    Bytes got(32);
    port->setTimeouts({0, 0, 500});
    got.resize(port->read(got.data(), got.size()));
    Bytes wired = BuildFrame({4, 6, 0xFF, 0x01});
    for (std::size_t i = 0; i < wired.size(); ++i) wired[i] &= stray[i];
    EXPECT_EQ(got, wired);
    EXPECT_EQ(line->Log().back().note, "stray collision late");
}

TEST_F(SimRepeatTest, TwiceFromTwoControllersAtOneAddressCollides) {
    const auto a = line->Add({.adr = 5});
    const auto b = line->Add({.adr = 5});
    line->PresentCard(a, {1, 2, 3, 4, 5});
    line->AddFault(a, {.kind = SimFaultKind::Twice});
    line->AddFault(b, {.kind = SimFaultKind::Twice});
    const Bytes req = Req(5, 0x02);
    Write(req);
    const auto got = Frames();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].frame, got[1].frame);
    EXPECT_FALSE(AcceptAnswer(req, got[0].frame));
}

// A code whose last byte is 0x22, the refusal's data byte, is stored and
// read back as any other.
TEST_F(SimRepeatTest, CellCodeEndingIn22GoesOutUnchanged) {
    line->Add({.adr = 3});
    Exchange(Req(3, 0x24, kPass));
    const Bytes code{0x12, 0x34, 0x56, 0x78, 0x22};
    EXPECT_EQ(Exchange(Req(3, 0x22, Cat({Cell(1009), code}))).frame, BuildFrame({3, 6, 0x23, 0xFF}));
    EXPECT_EQ(Exchange(Req(3, 0x20, Cell(1009))).frame, BuildFrame(Cat({{3, 10, 0x21}, code})));
    EXPECT_EQ(line->Log().back().bytes, BuildFrame(Cat({{3, 10, 0x21}, code})));
}

// Skip, count and command pick the answers as for any fault: frames each
// exchange draws.
TEST(SimRepeatCount, SkipAndCountPickTheAnswers) {
    for (SimFaultKind kind : {SimFaultKind::Twice, SimFaultKind::RepeatPrevious, SimFaultKind::Stray}) {
        SimLine line;
        const auto id = line.Add({.adr = 2});
        line.AddFault(id, {.kind = kind, .skip = 1, .count = 2, .command = 0xFE});
        const Bytes probe = Req(2, 0xFE), poll = Req(2, 0x02);
        std::string pattern;
        for (int i = 0; i < 6; ++i) {
            const Bytes& f = i == 2 ? poll : probe;
            pattern += static_cast<char>('0' + line.Transmit(f.data(), f.size(), 9600, i * 1'000'000).size());
        }
        EXPECT_EQ(pattern, "121211") << FaultKindName(kind);
    }
}

std::string DoubledPattern(std::uint64_t seed, double rate, int n) {
    SimLine line(std::make_shared<VirtualClock>(), seed);
    const auto id = line.Add({.adr = 2});
    line.AddFault(id, {.kind = SimFaultKind::Twice, .rate = rate});
    std::string pattern;
    const Bytes f = Req(2, 0xFE);
    for (int i = 0; i < n; ++i)
        pattern += line.Transmit(f.data(), f.size(), 9600, i * 20'000).size() == 2 ? '2' : '1';
    return pattern;
}

TEST(SimRepeatCount, RateIsDrawnPerAnswer) {
    const std::string a = DoubledPattern(42, 0.3, 1000);
    EXPECT_EQ(a, DoubledPattern(42, 0.3, 1000));
    EXPECT_NE(a, DoubledPattern(43, 0.3, 1000));
    const auto doubled = std::count(a.begin(), a.end(), '2');
    EXPECT_GT(doubled, 230);
    EXPECT_LT(doubled, 370);
    EXPECT_EQ(DoubledPattern(42, 0.0, 50), std::string(50, '1'));
}

}  // namespace
}  // namespace pelko
