// One exchange: what the worker accepts from the line, how it drives the
// line around the frame, and that no byte sequence hurts it.
#include <gtest/gtest.h>

#include <algorithm>

#include <random>
#include <string>
#include <vector>

#include "link/frame.h"
#include "link_fixture.h"

namespace pelko::test {
namespace {

using ExchangeTest = LinkFixture;

const Bytes kRequest = {50, 0x05, 0x36};

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes Slice(const Bytes& b, std::size_t from, std::size_t to) {
    return Bytes(b.begin() + static_cast<std::ptrdiff_t>(from),
                 b.begin() + static_cast<std::ptrdiff_t>(std::min(to, b.size())));
}

// An answer of the declared length with a valid checksum.
Bytes LongAnswer(std::size_t declared, std::size_t total) {
    Bytes body(total - 2, 0x11);
    body[0] = 50;
    body[1] = static_cast<std::uint8_t>(declared);
    body[2] = 0x37;
    return BuildFrame(body);
}

void ScriptReply(FakeBus& bus, std::vector<Bytes> chunks) {
    bus.SetScript([chunks](const Bytes&) { return chunks; });
}

TEST_F(ExchangeTest, WhatIsAcceptedFromTheLine) {
    const Bytes good = MakeAnswer(50, 0x37, {0x01, 0x02, 0x03, 0x04});
    Bytes badCrc = good;
    badCrc.back() ^= 0x01;
    struct Case {
        const char* name;
        std::vector<Bytes> chunks;
        bool accepted;
    };
    const std::vector<Case> cases = {
        {"whole answer", {good}, true},
        {"split after six bytes", {Slice(good, 0, 6), Slice(good, 6, 99)}, true},
        {"trailing noise is left on the line", {Concat({good, {0x55, 0x66}})}, true},
        {"another address answering", {MakeAnswer(77, 0x37, {0x01})}, true},
        {"last data byte 0x21", {MakeAnswer(50, 0x37, {0x21})}, true},
        {"silence", {}, false},
        {"split inside the first six", {Slice(good, 0, 3), Slice(good, 3, 99)}, false},
        {"split inside the rest", {Slice(good, 0, 6), Slice(good, 6, 7), Slice(good, 7, 99)}, false},
        {"truncated", {Slice(good, 0, good.size() - 1)}, false},
        {"no data byte", {MakeAnswer(50, 0x37, {})}, false},
        {"seventeen bytes", {LongAnswer(17, 17)}, false},
        {"declared 255, all sent", {LongAnswer(255, 255)}, false},
        {"declared 255, six sent", {Slice(LongAnswer(255, 255), 0, 6)}, false},
        {"declared 200, 40 sent", {Slice(LongAnswer(200, 200), 0, 40)}, false},
        {"declared below six", {Concat({{50, 0x03, 0x37, 0x01}, {0, 0}})}, false},
        {"bad checksum", {badCrc}, false},
        {"only data byte 0x22: busy", {MakeAnswer(50, 0x37, {0x22})}, false},
        {"a block ending in 0x22", {MakeAnswer(50, 0x37, {0x0F, 0x03, 0x32, 0x10, 0x22, 0xFF, 0x22})}, true},
        {"echo of the request", {MakeAnswer(50, 0x36, {0x01})}, false},
        {"the frame echoed, then the answer", {Concat({BuildFrame(kRequest), good})}, true},
        {"the frame echoed, then silence", {BuildFrame(kRequest)}, false},
    };
    session->SetMax_Attempt(2);
    session->SetActive(true);
    for (const Case& c : cases) {
        ScriptReply(*bus, c.chunks);
        const std::size_t before = bus->Frames().size();
        Bytes answer;
        EXPECT_EQ(session->SyncQuery(kRequest, answer), c.accepted) << c.name;
        EXPECT_EQ(bus->Frames().size() - before, c.accepted ? 1u : 2u) << c.name;
        if (c.accepted) {
            EXPECT_TRUE(AcceptAnswer(kRequest, answer)) << c.name;
        } else {
            EXPECT_EQ(answer, FailureAnswer()) << c.name;
        }
    }
}

TEST_F(ExchangeTest, AShortWriteFailsTheAttemptAndIsRetried) {
    AddControllers({50});  // it answers even the short frame: the answer must not count
    session->SetMax_Attempt(2);
    session->SetActive(true);
    Bytes answer;
    bus->SetShortWrites(1);
    EXPECT_TRUE(session->SyncQuery(kRequest, answer));
    EXPECT_EQ(bus->Frames().size(), 2u) << "the short write must fail its attempt";
}

TEST_F(ExchangeTest, RandomLineNoiseIsRefusedOrAcceptedOnlyWhenValid) {
    std::mt19937 rng(20240611);
    std::vector<std::vector<Bytes>> replies;
    for (int i = 0; i < 400; ++i) {
        Bytes noise(rng() % 300);
        for (auto& b : noise) b = static_cast<std::uint8_t>(rng());
        if (noise.size() > 1 && rng() % 2) noise[1] = static_cast<std::uint8_t>(6 + rng() % 12);
        std::vector<Bytes> chunks;
        for (std::size_t at = 0; at < noise.size();) {
            const std::size_t k = 1 + rng() % 20;
            chunks.push_back(Slice(noise, at, at + k));
            at += k;
        }
        replies.push_back(chunks);
    }
    std::size_t next = 0;
    bus->SetScript([&](const Bytes&) { return replies[next++ % replies.size()]; });
    session->SetActive(true);
    for (std::size_t i = 0; i < replies.size(); ++i) {
        Bytes answer;
        if (session->SyncQuery(kRequest, answer)) {
            EXPECT_TRUE(AcceptAnswer(kRequest, answer));
        } else {
            EXPECT_EQ(answer, FailureAnswer());
        }
    }
}

struct LineCase {
    bool smartPI;
    std::int32_t baud;
    std::int32_t tailUs;
    bool driverSwitches = false;  // the port's driver offers to key the converter
};

class LineDrivingTest : public LinkFixture, public ::testing::WithParamInterface<LineCase> {};

TEST_P(LineDrivingTest, FrameIsHeldForItsTimePlusTailAndLinesTurnAround) {
    const LineCase lc = GetParam();
    bus->SetDriverSwitching(lc.driverSwitches);
    session->SetSmartPI(lc.smartPI);
    session->SetPortBaudRate(lc.baud);
    session->SetTailinUS(lc.tailUs);
    session->SetMax_Attempt(2);
    session->SetActive(true);
    Bytes answer;
    session->SyncQuery(kRequest, answer);  // nobody at 50: two attempts

    std::vector<PortOp> ops = bus->Ops();
    // At open RTS goes down, unless the driver keys the converter from now on;
    // it is asked only for a tail it can hold, a whole number of milliseconds.
    const bool asked = !lc.smartPI && lc.tailUs % 1000 == 0;
    const std::vector<std::string> open = !asked              ? std::vector<std::string>{"rts0"}
                                          : lc.driverSwitches ? std::vector<std::string>{"driver-rts"}
                                                              : std::vector<std::string>{"driver-rts", "rts0"};
    std::vector<std::string> names;
    for (const PortOp& op : ops) names.push_back(op.name);
    const bool toggles = !lc.smartPI && !(asked && lc.driverSwitches);
    const std::vector<std::string> attempt =
        toggles ? std::vector<std::string>{"look", "dtr0", "rts1", "look", "write", "dtr1", "rts0", "read"}
                : std::vector<std::string>{"look", "write", "read"};
    std::vector<std::string> expected = open;
    expected.insert(expected.end(), attempt.begin(), attempt.end());
    expected.insert(expected.end(), attempt.begin(), attempt.end());
    EXPECT_EQ(names, expected);

    ops.erase(ops.begin(), ops.begin() + static_cast<std::ptrdiff_t>(open.size()));
    const std::int64_t byteUs = 1000000 / (lc.baud / 10);
    const std::int64_t holdUs = byteUs * 5 + lc.tailUs;
    const std::size_t w = static_cast<std::size_t>(std::find(attempt.begin(), attempt.end(), "write") - attempt.begin());
    EXPECT_EQ(ops[w + 1].atUs - ops[w].atUs, holdUs);
    // The next attempt starts after the 2 ms pause.
    EXPECT_EQ(ops[attempt.size()].atUs - ops[attempt.size() - 1].atUs, 2000);
    EXPECT_EQ(bus->Bauds(), std::vector<std::uint32_t>{static_cast<std::uint32_t>(lc.baud)});
}

INSTANTIATE_TEST_SUITE_P(Speeds, LineDrivingTest,
                         ::testing::Values(LineCase{true, 9600, 400}, LineCase{false, 9600, 400},
                                           LineCase{true, 115200, 0}, LineCase{false, 2400, 1000},
                                           LineCase{false, 9600, 400, true}, LineCase{false, 9600, 1000, true},
                                           LineCase{false, 19200, 0, true}, LineCase{true, 9600, 400, true}));

}  // namespace
}  // namespace pelko::test
