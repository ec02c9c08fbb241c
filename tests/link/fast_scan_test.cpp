// The fast search of the line against simulated controllers on virtual time:
// whatever the line does to the answers, it finds every controller that the
// full exchange would find, counts each once, and costs a fraction of the
// full wait on a clean line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/answer_wait.h"
#include "link/baud_rate.h"
#include "link/frame.h"
#include "link/pelko_session.h"
#include "link/scan_listener.h"
#include "session_pump.h"
#include "sim/instant_timing.h"
#include "sim/sim_line.h"
#include "sim/sim_serial_port.h"

namespace pelko::test {
namespace {

Bytes Answer(std::uint8_t adr, std::uint8_t data = 1) { return BuildFrame({adr, 6, 0xFF, data}); }

TEST(ScanListenerTest, CutsTheStreamIntoAnswersEchoAndTrouble) {
    const Bytes probe = BuildFrame(ProbeBody(7));
    struct Case {
        const char* name;
        Bytes stream;
        std::vector<std::string> heard;  // "7" an answer from 7, "!" trouble
        int left;  // bytes still waiting for the rest of a frame; -1: whatever the checksum bytes make of it
    };
    Bytes echoThenAnswer = probe;
    for (std::uint8_t b : Answer(7)) echoThenAnswer.push_back(b);
    Bytes garbled = Answer(7);
    garbled.back() ^= 0x5A;
    Bytes twoAnswers = Answer(7);
    for (std::uint8_t b : Answer(9)) twoAnswers.push_back(b);
    Bytes noiseThenAnswer = {0x00};
    const Bytes answer7 = Answer(7);
    for (std::uint8_t b : Answer(3)) noiseThenAnswer.push_back(b);
    const Case cases[] = {
        {"answer", Answer(7), {"7"}, 0},
        {"echo then answer", echoThenAnswer, {"7"}, 0},
        {"two answers back to back", twoAnswers, {"7", "9"}, 0},
        {"bad checksum", garbled, {"!"}, -1},
        {"noise then answer", noiseThenAnswer, {"!", "3"}, 0},
        {"half an answer", Bytes(answer7.begin(), answer7.begin() + 3), {}, 3},
        {"half an echo", Bytes(probe.begin(), probe.begin() + 2), {}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScanListener l;
        l.Sent(probe);
        std::vector<std::string> heard;
        // Byte by byte, as a slow port hands them on.
        for (std::uint8_t b : c.stream)
            for (const ScanListener::Heard& h : l.Feed(&b, 1))
                heard.push_back(h.trouble ? "!" : std::to_string(h.frame[0]));
        EXPECT_EQ(heard, c.heard);
        const std::size_t left = l.TakeFragment().size();
        if (c.left >= 0) {
            EXPECT_EQ(left, static_cast<std::size_t>(c.left));
        }
        EXPECT_EQ(l.Wanted(), kMinAnswer);  // nothing begun after the fragment is taken
    }
}

struct LineCase {
    const char* name;
    std::vector<std::uint8_t> controllers;
    std::uint8_t faulty;  // 0: none
    SimFault fault;
    std::int64_t delayUs = 0;  // of the faulty controller, every answer
    bool echo = false;
};

SimFault Fault(SimFaultKind kind, int count = -1, std::uint32_t param = 0) {
    SimFault f;
    f.kind = kind;
    f.count = count;
    f.param = param;
    return f;
}

const SimFault kNone = Fault(SimFaultKind::Silent, 0);

// Each fault leaves its controller findable by the full exchange (three
// attempts of 120 ms): the fast search must find it too.
const LineCase kLines[] = {
    {"clean", {3, 17, 40}, 0, kNone},
    {"garbled_first_answer", {3, 17, 40}, 17, Fault(SimFaultKind::BadChecksum, 1)},
    {"refused_first_probe", {3, 17, 40}, 17, Fault(SimFaultKind::Busy, 1)},
    {"short_answers", {3, 17, 40}, 17, Fault(SimFaultKind::Short)},
    {"answers_under_another_address_once", {3, 17, 40}, 17, Fault(SimFaultKind::OtherAddress, 1, 18)},
    {"late_past_the_time_out_once", {3, 17, 40}, 17, Fault(SimFaultKind::Late, 1, 200)},
    {"slow_100ms", {3, 17, 40}, 40, kNone, 100'000},
    {"slow_into_the_next_answer", {3, 4, 5}, 3, kNone, 12'000},
    {"echoing_converter", {3, 17, 40}, 0, kNone, 0, true},
    {"neighbours_at_both_ends", {1, 2, 253, 254}, 0, kNone},
    {"two_at_one_address", {9, 9, 10}, 0, kNone},
};

struct ScanRun {
    std::vector<std::uint8_t> found;
    std::int64_t elapsedUs = 0;
    std::size_t probes = 0;
};

ScanRun Scan(const LineCase& c, std::uint32_t baud, bool programMode, std::uint64_t seed) {
    auto clock = std::make_shared<VirtualClock>();
    auto line = std::make_shared<SimLine>(clock, seed);
    line->SetEcho(c.echo);
    std::size_t probes = 0;
    line->SetLogSink([&probes](const SimLogEntry& e) {
        if (e.fromHost && e.bytes.size() >= 3 && e.bytes[2] == kCmdProbe) ++probes;
    });
    bool faulted = false;
    for (std::uint8_t adr : c.controllers) {
        SimControllerSetup setup;
        setup.adr = adr;
        setup.baud = baud;
        const SimControllerId id = line->Add(setup);
        if (adr != c.faulty || faulted) continue;
        faulted = true;
        line->AddFault(id, c.fault);
        line->With(id, [&c](SimController& ctrl) { ctrl.SetAnswerDelayUs(c.delayUs); });
    }
    SessionPump pump;
    TPelkoSession session(MakeSimPortOpener(line), pump.Notifier());
    session.SetTiming(std::make_shared<InstantTiming>(clock));
    session.SetPortBaudRate(static_cast<std::int32_t>(baud));
    session.SetTimeOutConstant(120);
    session.SetTimeOutMultiplier(1);
    session.SetMax_Attempt(3);
    session.SetSmartPI(!programMode);
    session.SetFound(false);
    session.SetActive(true);
    session.SetERUniqueButton(false);
    ScanRun run;
    bool done = false;
    std::uint32_t lastDone = 0;
    session.OnScanProgress = [&](std::uint32_t d, std::uint32_t total, std::uint32_t) {
        EXPECT_LE(d, total);
        lastDone = d;
    };
    session.OnScanDone = [&](const Bytes& found, std::uint32_t) {
        run.found.assign(found.begin(), found.end());
        done = true;
    };
    Bytes all;
    for (int a = 1; a <= 254; ++a) all.push_back(static_cast<std::uint8_t>(a));
    const std::int64_t t0 = clock->NowUs();
    std::uint32_t check = 0;
    session.AsyncScan(all, check);
    pump.RunUntil(session, [&] { return done; });
    run.elapsedUs = clock->NowUs() - t0;
    run.probes = probes;
    EXPECT_GE(lastDone, 254u);
    session.SetActive(false);
    line->SetLogSink(nullptr);
    return run;
}

// The wait follows the slowest recent answer but never passes the settings'
// time-out, however slow that answer or under whatever time-out it was learned.
TEST(AnswerWaitTest, TheProbeWaitCoversWhatWasLearnedWithinTheTimeOut) {
    for (std::int32_t baud : {9600, 115200})
        for (std::int64_t latencyUs : {-1, 0, 5'000, 100'000, 600'000})
            for (std::int64_t fullUs : {20'000, 120'000, 1'000'000}) {
                AnswerWait w;
                if (latencyUs >= 0) w.Note(baud, latencyUs);
                const std::int64_t wait = w.ProbeWaitUs(baud, fullUs);
                const std::int64_t wanted = ProbeAnswerFloorUs(baud) + std::max<std::int64_t>(latencyUs, 0);
                SCOPED_TRACE(std::to_string(baud) + " baud, learned " + std::to_string(latencyUs) + " us, time-out " +
                             std::to_string(fullUs) + " us");
                EXPECT_LE(wait, fullUs);
                EXPECT_GE(wait, std::min(wanted, fullUs));
            }
}

std::vector<std::uint8_t> Distinct(std::vector<std::uint8_t> v) {
    std::sort(v.begin(), v.end());
    v.erase(std::unique(v.begin(), v.end()), v.end());
    return v;
}

TEST(FastScanTest, FindsEveryControllerTheFullExchangeFindsOnceEach) {
    for (const LineCase& c : kLines)
        for (std::uint32_t baud : {9600u, 115200u})
            for (bool programMode : {true, false})
                for (std::uint64_t seed = 1; seed <= 3; ++seed) {
                    SCOPED_TRACE(std::string(c.name) + " at " + std::to_string(baud) +
                                 (programMode ? " program mode" : " converter mode") + " seed " +
                                 std::to_string(seed));
                    const ScanRun run = Scan(c, baud, programMode, seed);
                    EXPECT_EQ(run.found, Distinct(c.controllers));
                }
}

// A clean line costs what its probes take on the wire plus the learned wait:
// a tenth of three 120 ms attempts per empty address is the bound.
TEST(FastScanTest, ACleanLineCostsATenthOfTheFullWait) {
    for (std::uint32_t baud : {9600u, 115200u}) {
        SCOPED_TRACE(baud);
        const ScanRun run = Scan(kLines[0], baud, true, 1);
        const std::int64_t fullUs = 251 * 3 * (2000 + 126'000 + 5 * ByteTimeUs(baud) + 400);
        EXPECT_LE(run.elapsedUs * 10, fullUs) << run.elapsedUs << " us";
        EXPECT_EQ(run.probes, 254u);  // nothing was asked twice
    }
}

// However slow a controller is within the settings' time-out, it is found:
// its answer lands between, on or across later probes. Where the converter
// switches by itself every such answer leaves bytes the search hears.
TEST(FastScanTest, AControllerAnsweringLateWithinTheTimeOutIsFound) {
    for (std::uint32_t baud : {9600u, 115200u})
        for (std::int64_t delayUs = 0; delayUs <= 110'000; delayUs += 1'300) {
            SCOPED_TRACE(std::to_string(baud) + " baud, " + std::to_string(delayUs) + " us late");
            const LineCase c{"slow", {3, 17, 40}, 17, kNone, delayUs};
            EXPECT_EQ(Scan(c, baud, false, 1).found, (std::vector<std::uint8_t>{3, 17, 40}));
        }
}

// Where the program keys the converter, an answer that begins within the tail
// of the start of a later probe is lost on the wire whole, with that probe,
// and nothing of it is heard: the known limit of a short wait. It stays rare.
TEST(FastScanTest, InProgramModeALateAnswerIsLostOnlyUnderTheStartOfAProbe) {
    for (std::uint32_t baud : {9600u, 115200u}) {
        int missed = 0, runs = 0;
        for (std::int64_t delayUs = 0; delayUs <= 110'000; delayUs += 1'300, ++runs) {
            const LineCase c{"slow", {3, 17, 40}, 17, kNone, delayUs};
            const std::vector<std::uint8_t> found = Scan(c, baud, true, 1).found;
            EXPECT_TRUE(found == (std::vector<std::uint8_t>{3, 17, 40}) || found == (std::vector<std::uint8_t>{3, 40}))
                << delayUs;
            missed += found.size() == 2 ? 1 : 0;
        }
        EXPECT_LE(missed * 20, runs) << baud << " baud: " << missed << " of " << runs << " delays missed";
    }
}

}  // namespace
}  // namespace pelko::test
