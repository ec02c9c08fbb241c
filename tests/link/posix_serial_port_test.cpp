// The tty layer on a pseudo-terminal pair of our own.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include <thread>

#include "link/bytes.h"
#include "link/pelko_session.h"
#include "link/port_map.h"
#include "link/posix_serial_port.h"

namespace pelko {
namespace {

class PtyTest : public ::testing::Test {
protected:
    void SetUp() override {
        char name[256] = {};
        ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
        path = name;
        ::close(slave);  // the port under test opens it by name
    }
    void TearDown() override {
        if (master >= 0) ::close(master);
    }

    std::unique_ptr<PosixSerialPort> OpenPort() {
        std::string error;
        auto port = PosixSerialPort::Open(path, error);
        EXPECT_TRUE(port) << error;
        return port;
    }

    void MasterWrite(const Bytes& b) { ASSERT_EQ(::write(master, b.data(), b.size()), static_cast<ssize_t>(b.size())); }

    int master = -1;
    int slave = -1;
    std::string path;
};

TEST_F(PtyTest, ASecondOpenerIsRefusedUntilTheFirstCloses) {
    auto first = OpenPort();
    ASSERT_TRUE(first);
    std::string error;
    EXPECT_EQ(PosixSerialPort::Open(path, error), nullptr);
    EXPECT_NE(error.find("занят"), std::string::npos) << error;
    first.reset();
    EXPECT_TRUE(OpenPort());
}

TEST_F(PtyTest, OnlyStandardSpeedsAreTakenAndTheOtherEndSeesThem) {
    auto port = OpenPort();
    ASSERT_TRUE(port);
    struct Case {
        std::uint32_t baud;
        bool ok;
        speed_t constant;
    };
    const Case cases[] = {{2400, true, B2400},     {4800, true, B4800},   {9600, true, B9600},
                          {19200, true, B19200},   {38400, true, B38400}, {57600, true, B57600},
                          {115200, true, B115200}, {0, false, 0},         {5, false, 0},
                          {300, false, 0},         {1200, false, 0},      {14400, false, 0},
                          {12345, false, 0},       {230400, false, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(port->setBaudRate(c.baud), c.ok) << c.baud;
        if (!c.ok) continue;
        termios tio{};
        ASSERT_EQ(::tcgetattr(master, &tio), 0);
        EXPECT_EQ(::cfgetospeed(&tio), c.constant) << c.baud;
        EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
        EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB), 0u);
    }
}

TEST_F(PtyTest, EveryByteValuePassesUnchangedBothWays) {
    auto port = OpenPort();
    ASSERT_TRUE(port);
    ASSERT_TRUE(port->setBaudRate(9600));
    port->setTimeouts(PortTimeouts{0, 0, 5000});
    // The master side must not translate either.
    termios tio{};
    ::tcgetattr(master, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(master, TCSANOW, &tio);
    Bytes all(256);
    for (int i = 0; i < 256; ++i) all[i] = static_cast<std::uint8_t>(i);

    MasterWrite(all);
    Bytes in(256);
    EXPECT_EQ(port->read(in.data(), in.size()), 256u);
    EXPECT_EQ(in, all);

    EXPECT_EQ(port->write(all.data(), all.size()), 256u);
    Bytes out;
    while (out.size() < 256) {
        std::uint8_t buf[256];
        const ssize_t k = ::read(master, buf, sizeof buf);
        ASSERT_GT(k, 0);
        out.insert(out.end(), buf, buf + k);
    }
    EXPECT_EQ(out, all);
}

TEST_F(PtyTest, ReadsEndByTheirTimeOuts) {
    auto port = OpenPort();
    ASSERT_TRUE(port);
    Bytes buf(16);
    struct Case {
        const char* name;
        PortTimeouts t;
        Bytes sent;
        std::size_t want;
        std::size_t got;
    };
    const Case cases[] = {
        {"silence, constant", {0, 0, 10}, {}, 6, 0},
        {"silence, multiplier", {0, 2, 0}, {}, 6, 0},
        {"fewer bytes than asked", {0, 1, 20}, {1, 2, 3}, 6, 3},
        {"gap after the last byte, no total", {10, 0, 0}, {1, 2, 3, 4}, 10, 4},
        {"all that was asked", {0, 0, 2000}, {1, 2, 3, 4, 5, 6, 7}, 6, 6},
    };
    for (const Case& c : cases) {
        port->purge();
        port->setTimeouts(c.t);
        if (!c.sent.empty()) MasterWrite(c.sent);
        EXPECT_EQ(port->read(buf.data(), c.want), c.got) << c.name;
        const auto n = static_cast<std::ptrdiff_t>(c.got);
        EXPECT_EQ(Bytes(buf.begin(), buf.begin() + n), Bytes(c.sent.begin(), c.sent.begin() + n)) << c.name;
    }
}

TEST_F(PtyTest, PurgeDropsWhatWasReceived) {
    auto port = OpenPort();
    ASSERT_TRUE(port);
    port->setTimeouts(PortTimeouts{0, 0, 2000});
    MasterWrite(Bytes{1, 2, 3, 4, 5});
    std::uint8_t b = 0;
    ASSERT_EQ(port->read(&b, 1), 1u);  // the write has arrived
    port->purge();
    port->setTimeouts(PortTimeouts{0, 0, 10});
    std::uint8_t rest[4];
    EXPECT_EQ(port->read(rest, 4), 0u);
}

TEST_F(PtyTest, ModemLinesOnAPseudoTerminalAreHarmless) {
    auto port = OpenPort();
    ASSERT_TRUE(port);
    port->setDtr(true);
    port->setRts(true);
    port->setDtr(false);
    port->setRts(false);
    EXPECT_FALSE(port->setDriverRtsSwitching(400)) << "no RS-485 mode here: RTS stays the worker's to toggle";
    const std::uint8_t frame[] = {1, 5, 0xFE, 0xC6, 0x14};
    EXPECT_EQ(port->write(frame, sizeof frame), sizeof frame);
}

TEST_F(PtyTest, AHungUpLineEndsAReadWithoutTimeLimit) {
    auto port = OpenPort();
    ASSERT_TRUE(port);
    port->setTimeouts(PortTimeouts{0, 0, 0});  // no limit at all
    EXPECT_EQ(port->lostMessage(), "");
    ::close(master);
    master = -1;
    std::uint8_t buf[6];
    EXPECT_EQ(port->read(buf, 6), 0u);
    // The device is gone, not silent: the port says so, naming itself, and
    // fails at once from now on.
    EXPECT_EQ(port->lostMessage(), "Порт " + path + " потерян: устройство отключено");
    const std::uint8_t frame[] = {1, 5, 0xFE, 0xC6, 0x14};
    EXPECT_EQ(port->write(frame, sizeof frame), 0u);
}

TEST_F(PtyTest, AnAbortedWaitEndsAReadWithoutTimeLimit) {
    auto port = OpenPort();
    ASSERT_TRUE(port);
    port->setTimeouts(PortTimeouts{0, 0, 0});  // would wait for ever on a silent line
    std::thread aborter([&] { port->abortWait(); });
    std::uint8_t buf[6];
    EXPECT_EQ(port->read(buf, 6), 0u);
    aborter.join();
    EXPECT_EQ(port->read(buf, 6), 0u) << "later reads return at once too";
}

TEST_F(PtyTest, DeactivationOnASilentLineWithoutTimeOutsEnds) {
    TPelkoSession session([this](std::uint8_t, std::string& error) -> std::unique_ptr<SerialPort> {
        return PosixSerialPort::Open(path, error);
    });
    session.SetFound(false);
    session.SetTimeOutConstant(0);
    session.SetTimeOutMultiplier(0);
    session.SetMax_Attempt(3);
    session.SetActive(true);
    ASSERT_TRUE(session.Active()) << session.LastError();
    std::uint32_t check = 0;
    session.AsyncQuery(Bytes{7, 0x05, 0x36}, check);
    pollfd pfd{master, POLLIN, 0};
    ASSERT_EQ(::poll(&pfd, 1, 10000), 1) << "the request never went out";  // now the worker waits
    session.SetActive(false);
    EXPECT_FALSE(session.Active());
}

TEST(PosixSerialPortOpen, MissingDeviceAndNonTtyAreRefusedWithAReason) {
    std::string error;
    EXPECT_EQ(PosixSerialPort::Open("/dev/no-such-port-here", error), nullptr);
    EXPECT_NE(error.find("не найден"), std::string::npos) << error;

    char file[] = "/tmp/pelko-not-a-tty-XXXXXX";
    const int fd = ::mkstemp(file);
    ASSERT_GE(fd, 0);
    ::close(fd);
    EXPECT_EQ(PosixSerialPort::Open(file, error), nullptr);
    EXPECT_NE(error.find("не является последовательным портом"), std::string::npos) << error;
    std::remove(file);
}

TEST(PortMap, DefaultsOverridesAndMappings) {
    PortMap map;
    EXPECT_EQ(map.PathFor(1), "/dev/ttyS0");
    EXPECT_EQ(map.PathFor(16), "/dev/ttyS15");
    EXPECT_EQ(map.PathFor(0), "");
    std::string error;
    struct Case {
        const char* text;
        bool ok;
    };
    for (const Case& c : {Case{"1=/dev/ttyUSB0", true}, Case{"255=/dev/pts/3", true}, Case{"0=/dev/x", false},
                          Case{"256=/dev/x", false}, Case{"1", false}, Case{"=/dev/x", false},
                          Case{"1=", false}, Case{"x=/dev/x", false}, Case{"1x=/dev/x", false},
                          Case{"-1=/dev/x", false}}) {
        EXPECT_EQ(map.AddMapping(c.text, error), c.ok) << c.text;
    }
    EXPECT_EQ(map.PathFor(1), "/dev/ttyUSB0");
    EXPECT_EQ(map.PathFor(255), "/dev/pts/3");
    EXPECT_EQ(map.PathFor(2), "/dev/ttyS1");
}

TEST_F(PtyTest, TheOpenerFollowsTheMap) {
    PortMap map;
    map.Set(3, path);
    map.Set(4, "/dev/no-such-port-here");
    const PortOpener open = MakePortOpener(map);
    std::string error;
    EXPECT_NE(open(3, error), nullptr) << error;
    EXPECT_EQ(open(4, error), nullptr);
    EXPECT_NE(error.find("/dev/no-such-port-here"), std::string::npos);
    EXPECT_EQ(open(0, error), nullptr);
    EXPECT_NE(error.find("COM0"), std::string::npos);
}

}  // namespace
}  // namespace pelko
