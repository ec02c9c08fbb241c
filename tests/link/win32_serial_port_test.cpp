// The COM port layer under Wine, on pelko-sim behind a pseudo-terminal that
// the test run shows as the port named in PELKO_TEST_PORT. The run starts
// pelko-sim --timing --controllers 3,5 --fault 5:badcrc there.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <thread>

#include "link/frame.h"
#include "link/win32_serial_port.h"

namespace pelko {
namespace {

using Clock = std::chrono::steady_clock;

class Win32PortTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* name = std::getenv("PELKO_TEST_PORT");
        if (name == nullptr) GTEST_SKIP() << "PELKO_TEST_PORT names no simulated line";
        std::string error;
        port = Win32SerialPort::Open(name, error);
        ASSERT_TRUE(port) << error;
        ASSERT_TRUE(port->setBaudRate(9600));
        port->setTimeouts({.intervalMs = 20, .multiplierMs = 2, .constantMs = 150});
    }

    // Sends a probe and reads the answer in reads of the given sizes.
    Bytes Probe(std::uint8_t adr, std::initializer_list<std::size_t> reads) {
        port->purge();
        const Bytes frame = BuildFrame(ProbeBody(adr));
        EXPECT_EQ(port->write(frame.data(), frame.size()), frame.size());
        Bytes answer;
        for (std::size_t n : reads) {
            Bytes part(n, 0);
            part.resize(port->read(part.data(), n));
            answer.insert(answer.end(), part.begin(), part.end());
        }
        return answer;
    }

    std::unique_ptr<Win32SerialPort> port;
};

TEST_F(Win32PortTest, AnswersArriveWholeOrSplitAndOnlyAGoodChecksumIsAccepted) {
    struct Case {
        std::uint8_t adr;
        std::initializer_list<std::size_t> reads;
        bool accepted;
    };
    for (const Case& c : {Case{3, {6}, true}, Case{3, {2, 4}, true}, Case{3, {1, 1, 1, 3}, true},
                          Case{5, {6}, false}, Case{5, {3, 3}, false}}) {
        const Bytes answer = Probe(c.adr, c.reads);
        EXPECT_EQ(answer.size(), kMinAnswer) << int{c.adr};
        EXPECT_EQ(AcceptAnswer(ProbeBody(c.adr), answer), c.accepted) << int{c.adr};
    }
}

TEST_F(Win32PortTest, ASilentAddressEndsTheReadAtItsTimeOut) {
    const auto t0 = Clock::now();
    EXPECT_TRUE(Probe(9, {6}).empty());
    EXPECT_GE(Clock::now() - t0, std::chrono::milliseconds(150));
    EXPECT_TRUE(AcceptAnswer(ProbeBody(3), Probe(3, {6}))) << "the line works after a time-out";
}

// What the driver already holds is handed over whole: by readArrived
// without a wait, by a read at once (Windows; Wine queues every read), with
// the worker's usual time-outs.
TEST_F(Win32PortTest, BytesAlreadyHeldAreTakenWhole) {
    port->setTimeouts({.intervalMs = 0, .multiplierMs = 1, .constantMs = 120});
    for (const bool arrived : {true, false}) {
        port->purge();
        const Bytes frame = BuildFrame(ProbeBody(3));
        ASSERT_EQ(port->write(frame.data(), frame.size()), frame.size());
        std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the answer takes 12 ms at 9600
        Bytes answer(kMaxAnswer, 0);
        answer.resize(arrived ? port->readArrived(answer.data(), answer.size()) : port->read(answer.data(), kMinAnswer));
        EXPECT_TRUE(AcceptAnswer(ProbeBody(3), answer)) << (arrived ? "readArrived" : "read") << ", " << answer.size();
    }
}

TEST_F(Win32PortTest, AbortWakesAReadWithoutTimeLimitAndEveryLaterRead) {
    port->setTimeouts({.intervalMs = 0, .multiplierMs = 0, .constantMs = 0});
    std::uint8_t buf[6];
    auto reader = std::async(std::launch::async, [&] { return port->read(buf, sizeof buf); });
    EXPECT_EQ(reader.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout) << "nothing was sent";
    port->abortWait();
    ASSERT_EQ(reader.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(reader.get(), 0u);
    EXPECT_EQ(port->read(buf, sizeof buf), 0u);
}

// Windows refuses a second opener of a COM port by itself (Wine does not:
// there is nothing of ours to test).
TEST_F(Win32PortTest, AMissingPortIsNamedAndOnlyLineSpeedsAreTaken) {
    std::string error;
    EXPECT_EQ(Win32SerialPort::Open("COM199", error), nullptr);
    EXPECT_EQ(error, "Порт COM199 не найден");
    EXPECT_FALSE(port->setBaudRate(1200));
}

}  // namespace
}  // namespace pelko
