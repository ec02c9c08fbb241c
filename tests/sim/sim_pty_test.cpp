// pelko-sim on a real pseudo-terminal, driven through the link's Linux serial
// port and through pelkoctl.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>

#include "config/config_file_host.h"
#include "config/config_writer.h"
#include "config/program_settings.h"
#include "model/group_dev.h"
#include "sim/child_process.h"
#include "link/posix_serial_port.h"
#include "sim/sim_log.h"
#include "sim_test_util.h"

namespace pelko {
namespace {

using testing::Req;

class SimPtyTest : public ::testing::Test {
protected:
    void Start(std::vector<std::string> args) {
        args.insert(args.begin(), PELKO_SIM_EXE);
        sim = std::make_unique<ChildProcess>(args);
        ASSERT_TRUE(sim->Started());
        ASSERT_TRUE(sim->ReadLine(path));
        ASSERT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;
    }
    std::string Command(const std::string& cmd) {
        sim->WriteLine(cmd);
        std::string reply;
        sim->ReadLine(reply);
        return reply;
    }
    // One exchange as the worker makes it.
    static Bytes Exchange(SerialPort& port, const Bytes& frame) {
        port.purge();
        port.write(frame.data(), frame.size());
        Bytes a(6);
        a.resize(port.read(a.data(), 6));
        if (a.size() == 6 && a[1] > 6 && a[1] <= 16) {
            a.resize(a[1]);
            a.resize(6 + port.read(a.data() + 6, a.size() - 6));
        }
        return a;
    }

    std::unique_ptr<ChildProcess> sim;
    std::string path;
};

TEST_F(SimPtyTest, ServesTheLinuxSerialPortAtTheSpeedItSets) {
    Start({"--controllers", "3,17@19200"});
    std::string error;
    auto port = PosixSerialPort::Open(path, error);
    ASSERT_NE(port, nullptr) << error;
    port->setTimeouts({0, 1, 300});
    ASSERT_TRUE(port->setBaudRate(9600));
    EXPECT_TRUE(AcceptAnswer(Req(3, 0xFE), Exchange(*port, Req(3, 0xFE))));
    EXPECT_TRUE(Exchange(*port, Req(17, 0xFE)).empty());
    ASSERT_TRUE(port->setBaudRate(19200));
    EXPECT_TRUE(AcceptAnswer(Req(17, 0xFE), Exchange(*port, Req(17, 0xFE))));

    EXPECT_EQ(Command("card 17 0A1B2C3D4E"), "ok");
    const Bytes card = Exchange(*port, Req(17, 0x02));
    ASSERT_TRUE(AcceptAnswer(Req(17, 0x02), card));
    EXPECT_EQ(Bytes(card.begin() + 3, card.begin() + 8), (Bytes{0x0A, 0x1B, 0x2C, 0x3D, 0x4E}));

    EXPECT_EQ(Command("fault 17 badcrc"), "ok");
    const Bytes spoiled = Exchange(*port, Req(17, 0xFE));
    EXPECT_EQ(spoiled.size(), 6u);
    EXPECT_FALSE(AcceptAnswer(Req(17, 0xFE), spoiled));
    EXPECT_EQ(Command("nofault 17"), "ok");

    // Garbage on the line, then a good frame after a pause: the line is
    // busy for the garbage's own time (4 bytes at 19200), then a gap.
    const Bytes junk{0x11, 0x09, 0x55, 0x00};
    port->write(junk.data(), junk.size());
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(AcceptAnswer(Req(17, 0xFE), Exchange(*port, Req(17, 0xFE))));

    EXPECT_EQ(Command("quit"), "ok");
    EXPECT_EQ(sim->Finish(), 0);
}

TEST_F(SimPtyTest, PacedAnswersAtTheLineSpeed) {
    Start({"--controllers", "5@115200", "--timing"});
    std::string error;
    auto port = PosixSerialPort::Open(path, error);
    ASSERT_NE(port, nullptr) << error;
    port->setTimeouts({0, 1, 300});
    ASSERT_TRUE(port->setBaudRate(115200));
    EXPECT_EQ(Command("cell 5 1009 0102030405"), "ok");
    const Bytes login = Req(5, 0x24, {0x11, 0x22, 0x33, 0x44, 0x55});
    EXPECT_TRUE(AcceptAnswer(login, Exchange(*port, login)));
    const Bytes read = Req(5, 0x20, {0xF1, 0x03});
    const Bytes cell = Exchange(*port, read);
    ASSERT_TRUE(AcceptAnswer(read, cell));
    EXPECT_EQ(Bytes(cell.begin() + 3, cell.begin() + 8), (Bytes{1, 2, 3, 4, 5}));
}

TEST_F(SimPtyTest, EndOfStandardInputStopsTheSimulator) {
    Start({});
    sim->CloseInput();
    EXPECT_EQ(sim->Finish(), 0);
}

// Started with no standard input at all: that is the end of input too, and
// the pseudo-terminal must not take descriptor 0 and be read as commands.
TEST(SimPtyStart, ClosedStandardInputIsTheEndOfInput) {
    std::string out;
    EXPECT_EQ(RunProgram({"/bin/sh", "-c", "exec \"$0\" <&-", PELKO_SIM_EXE}, out), 0);
    EXPECT_EQ(out.rfind("/dev/pts/", 0), 0u) << out;
}

TEST_F(SimPtyTest, PelkoctlScansAndSendsRawRequests) {
    Start({"--controllers", "3,17,30@19200"});
    std::string out;
    EXPECT_EQ(RunProgram({PELKOCTL_EXE, "scan", "--port", path, "--attempts", "1", "--timeout", "40",
                          "--multiplier", "0"},
                         out),
              0);
    EXPECT_EQ(out, "3\n17\n");
    EXPECT_EQ(RunProgram({PELKOCTL_EXE, "raw", "--port", path, "3", "FE"}, out), 0);
    EXPECT_EQ(out, JoinedHex(BuildFrame({3, 6, 0xFF, 0x01}), "") + "\n");
    EXPECT_EQ(RunProgram({PELKOCTL_EXE, "raw", "--port", path, "3", "241122334455"}, out), 0);
    EXPECT_EQ(out, JoinedHex(BuildFrame({3, 6, 0x25, 0xFF}), "") + "\n");
    EXPECT_EQ(RunProgram({PELKOCTL_EXE, "raw", "--port", path, "--attempts", "1", "4", "FE"}, out), 1);
    EXPECT_EQ(out, "no answer\n");
}

// --all-cells: every cell is written and read back, although the controller
// already holds what the file says (a plain write would send nothing).
TEST_F(SimPtyTest, PelkoctlWriteAllCellsSendsEveryCell) {
    Start({"--controllers", "3@115200"});
    ASSERT_EQ(Command("cell 3 12 0102030405"), "ok");
    ProgramSettings settings;
    settings.PortBaudRate = 115200;
    TGroupDev group;
    const DevIndex i = group.AddDevice(3);
    group.SetState(i, dfInGroup);
    group.SetPass(i, FactoryPass);
    group.GetDevice(i, nullptr)->AddCard(12, {1, 2, 3, 4, 5}, "");
    SilentConfigHost quiet;
    const std::string file = ::testing::TempDir() + "sim_pty_all_cells.txt";
    std::ofstream(file, std::ios::binary) << SaveToFile(settings, group, quiet);
    std::string out;
    // The counts go to standard error.
    const int rc = RunProgram({"/bin/sh", "-c", "exec \"$0\" write \"$1\" --port \"$2\" --baud 115200 --no-backup --yes --all-cells 2>&1",
                               PELKOCTL_EXE, file, path},
                              out);
    std::remove(file.c_str());
    EXPECT_EQ(rc, 0) << out;
    EXPECT_NE(out.find("прибор 3: записано 1010, подтверждено 1010, не совпало 0\n"), std::string::npos) << out;
}

// A converter that echoes, zero time-outs, and either direction mode.
TEST_F(SimPtyTest, PelkoctlThroughAnEchoingConverterWithZeroTimeOuts) {
    Start({"--controllers", "3", "--fault", "3:echo", "--timing"});
    std::string out;
    for (const char* mode : {"program", "auto"}) {
        EXPECT_EQ(RunProgram({PELKOCTL_EXE, "raw", "--port", path, "--rts", mode, "--timeout", "0", "--multiplier",
                              "0", "3", "FE"},
                             out),
                  0)
            << mode;
        EXPECT_EQ(out, JoinedHex(BuildFrame({3, 6, 0xFF, 0x01}), "") + "\n") << mode;
    }
    EXPECT_EQ(RunProgram({PELKOCTL_EXE, "raw", "--port", path, "--timeout", "0", "--multiplier", "0", "4", "FE"}, out),
              1);
}

// Long frames, a login (10 bytes) and a cell write (12 bytes), with and
// without a converter that echoes them: answered at once, no time-out waited
// for a byte that is not coming.
TEST_F(SimPtyTest, LongFramesWithAndWithoutEchoCostNoTimeOut) {
    const std::pair<const char*, Bytes> cases[] = {
        {"241122334455", BuildFrame({3, 6, 0x25, 0xFF})},
        {"22050011223344AA", BuildFrame({3, 6, 0x23, 0xFF})},
        {"200500", BuildFrame({3, 10, 0x21, 0x11, 0x22, 0x33, 0x44, 0xAA})},
    };
    for (const bool echo : {true, false}) {
        std::vector<std::string> args = {"--controllers", "3", "--timing"};
        if (echo) args.push_back("--echo");
        Start(args);
        for (const auto& [body, answer] : cases) {
            std::string out;
            const auto t0 = std::chrono::steady_clock::now();
            EXPECT_EQ(RunProgram({PELKOCTL_EXE, "raw", "--port", path, "--attempts", "1", "--timeout", "3000", "3",
                                  body},
                                 out),
                      0)
                << body << (echo ? " echo" : "");
            EXPECT_EQ(out, JoinedHex(answer, "") + "\n") << body;
            EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(2500)) << body;
        }
        EXPECT_EQ(Command("quit"), "ok");
        EXPECT_EQ(sim->Finish(), 0);
    }
}

// What the read gave up on still arrives after a purge, as in the in-process port.
TEST_F(SimPtyTest, LateAnswerOutlivesAPurge) {
    Start({"--controllers", "3", "--fault", "3:late:1:200"});
    std::string error;
    auto port = PosixSerialPort::Open(path, error);
    ASSERT_NE(port, nullptr) << error;
    port->setTimeouts({0, 1, 100});
    ASSERT_TRUE(port->setBaudRate(9600));
    EXPECT_TRUE(Exchange(*port, Req(3, 0xFE)).empty());
    port->purge();
    port->setTimeouts({0, 1, 300});
    Bytes a(6);
    a.resize(port->read(a.data(), 6));
    EXPECT_TRUE(AcceptAnswer(Req(3, 0xFE), a));
}

}  // namespace
}  // namespace pelko
