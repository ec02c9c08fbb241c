// The demonstration controllers served on a pseudo-terminal from a thread of
// this process, reached by the session through the Linux serial port.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <set>
#include <thread>
#include <tuple>

#include "link/frame.h"
#include "link/pelko_session.h"
#include "link/posix_serial_port.h"
#include "sim/demo_line.h"
#include "sim/pty_server.h"
#include "sim/pty_service.h"

namespace pelko {
namespace {

using Clock = std::chrono::steady_clock;

// Which of 1, 3, 17 and 40 answer a probe at baud.
std::vector<std::uint8_t> Answering(TPelkoSession& session, std::int32_t baud) {
    session.SetActive(false);
    session.SetPortBaudRate(baud);
    session.SetActive(true);
    EXPECT_TRUE(session.Active()) << session.LastError();
    std::vector<std::uint8_t> found;
    for (std::uint8_t adr : {1, 3, 17, 40}) {
        Bytes answer;
        if (session.SyncQuery(ProbeBody(adr), answer)) found.push_back(adr);
    }
    return found;
}

TEST(PtyService, ServesTheDemoLineToTheProgramsSerialPort) {
    auto line = std::make_shared<SimLine>(std::make_shared<RealClock>());
    SetUpDemoLine(*line);
    PtyService service(line, true);
    std::string error;
    ASSERT_TRUE(service.Start(error)) << error;
    const std::string path = service.SlavePath();
    TPelkoSession session([path](std::uint8_t, std::string& e) -> std::unique_ptr<SerialPort> {
        return PosixSerialPort::Open(path, e);
    });
    session.SetFound(false);
    session.SetTimeOutConstant(100);
    session.SetTimeOutMultiplier(1);
    EXPECT_EQ(Answering(session, 9600), (std::vector<std::uint8_t>{3, 40}));
    EXPECT_EQ(Answering(session, 19200), (std::vector<std::uint8_t>{17}));

    // A card held to 17's reader reaches the worker's background poll.
    const SimCode code = DemoCards().front();
    ASSERT_TRUE(line->PresentCard(line->FindByAdr(17).at(0), code));
    std::vector<Bytes> cards;
    session.OnReadCard = [&](const Bytes& a) { cards.push_back(a); };
    ASSERT_TRUE(session.SetDevPresent(17));
    for (const auto limit = Clock::now() + std::chrono::seconds(5); cards.empty() && Clock::now() < limit;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        session.Dispatch();
    }
    ASSERT_EQ(cards.size(), 1u);
    EXPECT_EQ(Bytes(cards[0].begin() + 3, cards[0].begin() + 8), Bytes(code.begin(), code.end()));

    // The worker keeps the port open, idle: only the wake-up can end the wait.
    session.SetERUniqueButton(false);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const auto before = Clock::now();
    service.Stop();
    EXPECT_LT(Clock::now() - before, std::chrono::milliseconds(200));
    service.Stop();
    Bytes answer;
    EXPECT_FALSE(session.SyncQuery(ProbeBody(17), answer));
    EXPECT_FALSE(service.Failed());
}

// pelko-sim's answers through its modelled adapter, on a virtual clock: when
// the first answer byte is due for the program, and how many go with it.
TEST(PtyServer, AdapterHoldsTheAnswerUntilItsTimer) {
    struct Case {
        std::int64_t timerUs;
        std::int64_t dueUs;  // after the request's 5 bytes, the 1 ms turnaround and the first answer byte
        std::size_t together;
    };
    const std::int64_t B = ByteTimeUs(9600);
    const Case cases[] = {{0, 6 * B + 1000, 1}, {16000, 6 * B + 1000 + 16000, 11}, {1000, 6 * B + 1000 + 1000, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.timerUs);
        auto clock = std::make_shared<VirtualClock>();
        SimLine line(clock);
        line.Add({.adr = 3});
        line.SetAdapterLatencyUs(c.timerUs);
        PtyLine pty;
        std::string error;
        ASSERT_TRUE(pty.Open(error)) << error;
        const int program = ::open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(program, 0);
        PtyServer server(line, pty, true);
        const Bytes req = BuildFrame(MakeBody(3, 0x02, {}));
        ASSERT_EQ(::write(program, req.data(), req.size()), static_cast<ssize_t>(req.size()));
        for (const auto limit = Clock::now() + std::chrono::seconds(2); server.NextDueUs() < 0 && Clock::now() < limit;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            server.OnReadable();
        }
        EXPECT_EQ(server.NextDueUs(), c.dueUs);
        clock->WaitUntilUs(c.dueUs);
        server.SendDue();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));  // through the pseudo-terminal
        std::uint8_t got[32];
        EXPECT_EQ(::read(program, got, sizeof got), static_cast<ssize_t>(c.together));
        ::close(program);
    }
}

TEST(PtyService, StartsOnceAndOnlyOnRealTime) {
    std::string error;
    PtyService virtualTime(std::make_shared<SimLine>(), false);
    EXPECT_FALSE(virtualTime.Start(error));

    PtyService service(std::make_shared<SimLine>(std::make_shared<RealClock>()), false);
    service.Stop();  // before Start: nothing to stop
    ASSERT_TRUE(service.Start(error)) << error;
    EXPECT_FALSE(service.Start(error));
}  // destruction stops the thread

// A frame a repeating fault sends some time after the answer keeps that
// pause on the pseudo-terminal, with line timing and without.
TEST(PtyService, RepeatedFramesKeepTheirPause) {
    for (const bool timing : {false, true}) {
        SCOPED_TRACE(timing);
        auto line = std::make_shared<SimLine>(std::make_shared<RealClock>());
        const auto id = line->Add({.adr = 3});
        line->AddFault(id, *ParseFault("twice@FE:1:300"));
        line->AddFault(id, *ParseFault("stray@02:1:300"));
        PtyService service(line, timing);
        std::string error;
        ASSERT_TRUE(service.Start(error)) << error;
        auto port = PosixSerialPort::Open(service.SlavePath(), error);
        ASSERT_TRUE(port) << error;
        ASSERT_TRUE(port->setBaudRate(9600));
        Bytes probeAnswer;
        for (const auto& [cmd, size] : {std::pair{kCmdProbe, 6}, std::pair{kCmdCardPoll, 11}}) {
            const Bytes req = BuildFrame(MakeBody(3, cmd, {}));
            port->setTimeouts({0, 0, 200});
            ASSERT_EQ(port->write(req.data(), req.size()), req.size());
            Bytes answer(static_cast<std::size_t>(size));
            answer.resize(port->read(answer.data(), answer.size()));
            ASSERT_TRUE(AcceptAnswer(req, answer)) << int(cmd);
            if (cmd == kCmdProbe) probeAnswer = answer;
            const auto answered = Clock::now();
            Bytes extra(32);
            port->setTimeouts({0, 0, 150});
            EXPECT_EQ(port->read(extra.data(), extra.size()), 0u) << int(cmd) << ": not yet";
            port->setTimeouts({20, 0, 1000});
            extra.resize(port->read(extra.data(), extra.size()));
            EXPECT_GE(Clock::now() - answered, std::chrono::milliseconds(290)) << int(cmd);
            EXPECT_EQ(extra, cmd == kCmdProbe ? answer : probeAnswer) << int(cmd);
        }
    }
}

// Speeds and passwords as announced, no code twice in one controller (3: 40
// users and 2 masters), and the cards to hold stored nowhere.
TEST(DemoLine, ControllersAndTheCardsToHold) {
    SimLine line;
    SetUpDemoLine(line);
    const std::vector<SimCode> held = DemoCards();
    for (auto [adr, baud, password, cells] : {std::tuple{3, 9600u, kFactoryPassword, 42},
                                              {17, 19200u, kFactoryPassword, 6}, {40, 9600u, kDemoOwnPassword, 4}}) {
        SCOPED_TRACE(adr);
        const SimController c = *line.Snapshot(line.FindByAdr(static_cast<std::uint8_t>(adr)).at(0));
        EXPECT_EQ(c.Baud(), baud);
        EXPECT_EQ(c.Password(), password);
        std::set<SimCode> codes;
        for (std::uint16_t n = 0; n < kSimCellCount; ++n)
            if (c.Cell(n) != kNoCode) codes.insert(c.Cell(n));
        EXPECT_EQ(codes.size(), std::size_t(cells));
        for (const SimCode& code : held) EXPECT_EQ(codes.count(code), 0u);
    }
}

}  // namespace
}  // namespace pelko
