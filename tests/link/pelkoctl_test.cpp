// pelkoctl's command line and its link commands against a responder on a
// pseudo-terminal.
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include "link/exchange_log.h"
#include "link/frame.h"
#include "pelkoctl/args.h"
#include "pelkoctl/commands.h"
#include "pelkoctl/secrets.h"
#include "pelkoctl/trace.h"

namespace pelkoctl {
namespace {

using pelko::Bytes;

bool Parse(std::vector<const char*> words, ParsedLine& line, std::string& error) {
    words.insert(words.begin(), "pelkoctl");
    return ParseCommandLine(static_cast<int>(words.size()), words.data(), line, error);
}

TEST(PelkoctlArgs, DefaultsAndOptionsAnywhere) {
    ParsedLine line;
    std::string error;
    ASSERT_TRUE(Parse({"raw", "--port", "/dev/pts/9", "3", "--baud=19200", "36", "--attempts", "5",
                       "--timeout", "200", "--multiplier", "0", "--tail", "1000", "--rts", "auto"},
                      line, error))
        << error;
    EXPECT_EQ(line.command, "raw");
    EXPECT_EQ(line.args.words, (std::vector<std::string>{"3", "36"}));
    EXPECT_EQ(line.args.port, "/dev/pts/9");
    EXPECT_EQ(line.args.baud, 19200u);
    EXPECT_EQ(line.args.attempts, 5u);
    EXPECT_EQ(line.args.timeoutMs, 200u);
    EXPECT_EQ(line.args.multiplierMs, 0u);
    EXPECT_EQ(line.args.tailUs, 1000u);
    EXPECT_TRUE(line.args.rtsAuto);
    EXPECT_TRUE(line.args.attemptsGiven);
    EXPECT_FALSE(line.args.allCells);

    ASSERT_TRUE(Parse({"write", "--all-cells", "f.txt"}, line, error)) << error;
    EXPECT_TRUE(line.args.allCells);
    EXPECT_EQ(line.args.words, (std::vector<std::string>{"f.txt"}));

    ASSERT_TRUE(Parse({"scan"}, line, error));
    EXPECT_FALSE(line.args.rtsAuto) << "the program switches, as the program's own default";
    EXPECT_FALSE(line.args.attemptsGiven);
    EXPECT_EQ(line.args.baud, 9600u);
    EXPECT_EQ(line.args.attempts, 3u);
    EXPECT_EQ(line.args.timeoutMs, 120u);
    EXPECT_EQ(line.args.multiplierMs, 1u);
    EXPECT_EQ(line.args.tailUs, 400u);
}

TEST(PelkoctlArgs, BadLinesAreRefusedWithAReason) {
    const std::vector<std::vector<const char*>> bad = {
        {},
        {"--port", "/dev/x"},
        {"scan", "--baud", "1234"},
        {"scan", "--baud", "9600x"},
        {"scan", "--baud"},
        {"scan", "--attempts", "256"},
        {"scan", "--attempts", "-1"},
        {"scan", "--timeout", "40001"},
        {"scan", "--tail", ""},
        {"scan", "--frobnicate", "1"},
        {"scan", "--rts", "rts"},
        // A controller's own password where no command uses it is not ignored.
        {"read", "--out", "f", "--own", "0102030405"},
        {"search", "--own-file", "-"},
        // Every cell written is a write's choice only.
        {"verify", "f", "--all-cells"},
    };
    for (const auto& words : bad) {
        ParsedLine line;
        std::string error;
        EXPECT_FALSE(Parse(words, line, error)) << (words.empty() ? "(empty)" : words.back());
        EXPECT_FALSE(error.empty());
    }
}

// Each way of giving a password out of ps's sight, what wins where two meet,
// and the refusals; standard input serves its sources in order.
TEST(PelkoctlArgs, PasswordsComeFromFilesStandardInputAndTheEnvironment) {
    const std::string file = ::testing::TempDir() + "pelkoctl_pass.txt";
    std::ofstream(file) << "0102030405  \r\nignored\n";
    struct Case {
        std::vector<const char*> words;
        const char* stdinText;
        const char* envPass;  // PELKOCTL_PASS; PELKOCTL_OWN is always "0A0A0A0A0A"
        bool ok;
        std::string pass, own, newWord, error;
    };
    const Case cases[] = {
        {{"search", "--pass-file", file.c_str()}, "", nullptr, true, "0102030405", "0A0A0A0A0A", "", ""},
        {{"search", "--pass-file", "-"}, "1111111111\n", nullptr, true, "1111111111", "0A0A0A0A0A", "", ""},
        {{"search"}, "", "2222222222", true, "2222222222", "0A0A0A0A0A", "", ""},
        {{"search", "--pass", "3333333333"}, "", "2222222222", true, "3333333333", "0A0A0A0A0A", "", ""},
        {{"password", "5", "-", "--own-file", "-"}, "4444444444\n5555555555\n", nullptr, true, "", "4444444444",
         "5555555555", ""},
        {{"common-pass", "-", "--pass-file", "-"}, "6666666666\n7777777777", nullptr, true, "6666666666",
         "0A0A0A0A0A", "7777777777", ""},
        {{"params", "5", "--own", "8888888888"}, "", nullptr, true, "", "8888888888", "", ""},
        {{"search", "--pass", "1", "--pass-file", file.c_str()}, "", nullptr, false, "", "", "", "задан дважды"},
        {{"search", "--pass-file", "/nonexistent/p"}, "", nullptr, false, "", "", "", "No such file or directory"},
        {{"search", "--pass-file", "-"}, "", nullptr, false, "", "", "", "на стандартном входе нет пароля"},
        {{"common-pass", "-"}, "\n", nullptr, false, "", "", "", "нет нового пароля"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.words.front() + std::string(" ") + (c.words.size() > 1 ? c.words[1] : ""));
        ParsedLine line;
        std::string error;
        ASSERT_TRUE(Parse(c.words, line, error)) << error;
        std::istringstream in(c.stdinText);
        const EnvLookup env = [&c](const char* name) -> const char* {
            if (std::string(name) == "PELKOCTL_PASS") return c.envPass;
            return std::string(name) == "PELKOCTL_OWN" ? "0A0A0A0A0A" : nullptr;
        };
        ASSERT_EQ(ResolvePasswords(line, env, in, error), c.ok) << error;
        if (!c.ok) {
            EXPECT_NE(error.find(c.error), std::string::npos) << error;
            continue;
        }
        EXPECT_EQ(line.args.pass, c.pass);
        EXPECT_EQ(line.args.own, c.own);
        if (!c.newWord.empty()) {
            EXPECT_EQ(line.args.words[line.command == "password" ? 1 : 0], c.newWord);
        }
    }
    std::remove(file.c_str());
}

TEST(PelkoctlArgs, UsageListsEveryCommand) {
    const std::string usage = UsageText();
    for (const Command& c : commands()) EXPECT_NE(usage.find(c.usage), std::string::npos) << c.name;
    EXPECT_NE(usage.find("--all-cells"), std::string::npos);
}

// Controllers at the given addresses on the master side of a pty. Every
// other address gets a refused (bad checksum) answer at once, so a scan does
// not wait out a time-out per address.
class PtyResponder {
public:
    // hangUpAfter > 0: the master side is closed once that many probes came
    // (the adapter pulled out).
    explicit PtyResponder(std::set<std::uint8_t> present, int hangUpAfter = 0)
        : FPresent(std::move(present)), FHangUpAfter(hangUpAfter) {
        char name[256] = {};
        int slave = -1;
        if (::openpty(&FMaster, &slave, name, nullptr, nullptr) != 0) return;
        termios tio{};
        ::tcgetattr(FMaster, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(FMaster, TCSANOW, &tio);
        FPath = name;
        ::close(slave);
        FThread = std::thread([this] { Serve(); });
    }
    ~PtyResponder() {
        FStop = true;
        if (FThread.joinable()) FThread.join();
        if (FMaster >= 0) ::close(FMaster);
    }
    const std::string& Path() const { return FPath; }
    int Probes() const { return FProbes.load(); }

private:
    void Serve() {
        Bytes pending;
        while (!FStop && FMaster >= 0) {
            pollfd pfd{FMaster, POLLIN, 0};
            if (::poll(&pfd, 1, 10) <= 0 || !(pfd.revents & POLLIN)) continue;
            std::uint8_t buf[64];
            const ssize_t k = ::read(FMaster, buf, sizeof buf);
            if (k <= 0) continue;
            pending.insert(pending.end(), buf, buf + k);
            while (pending.size() >= 2 && pending[1] >= 5 && pending.size() >= pending[1]) {
                const Bytes frame(pending.begin(), pending.begin() + pending[1]);
                pending.erase(pending.begin(), pending.begin() + pending[1]);
                Answer(frame);
            }
        }
    }
    void Answer(const Bytes& frame) {
        if (frame[2] == 0xFE) ++FProbes;
        Bytes answer = pelko::BuildFrame(Bytes{frame[0], 0x07, static_cast<std::uint8_t>(frame[2] + 1), 0xFF, 0x01});
        if (!FPresent.count(frame[0])) answer.back() ^= 0x5A;
        ::write(FMaster, answer.data(), answer.size());
        if (FHangUpAfter > 0 && FProbes == FHangUpAfter) {
            ::close(FMaster);
            FMaster = -1;
        }
    }

    std::set<std::uint8_t> FPresent;
    int FHangUpAfter = 0;
    int FMaster = -1;
    std::string FPath;
    std::atomic<bool> FStop{false};
    std::atomic<int> FProbes{0};
    std::thread FThread;
};

Args LinkArgs(const std::string& port, std::vector<std::string> words) {
    Args a;
    a.port = port;
    a.baud = 115200;
    a.attempts = 1;
    a.timeoutMs = 2000;  // never reached: every address answers something
    a.tailUs = 0;
    a.words = std::move(words);
    return a;
}

int RunCommand(const char* name, const Args& args, std::string& out) {
    for (const Command& c : commands()) {
        if (std::string(c.name) != name) continue;
        testing::internal::CaptureStdout();
        const int rc = c.run(args);
        out = testing::internal::GetCapturedStdout();
        return rc;
    }
    return -1;
}

TEST(PelkoctlLink, ScanPrintsTheAnsweringAddressesAscending) {
    PtyResponder line({200, 3, 17});
    ASSERT_FALSE(line.Path().empty());
    std::string out;
    Args args = LinkArgs(line.Path(), {});
    args.attempts = 3;  // not given on the command line: one attempt per address
    EXPECT_EQ(RunCommand("scan", args, out), kOk);
    EXPECT_EQ(out, "3\n17\n200\n");
    // Every other address answers garbage: each is asked once more with the
    // full exchange, of one attempt.
    EXPECT_GE(line.Probes(), 254 + 251);
    EXPECT_LE(line.Probes(), 2 * 254);
}

// The adapter pulled out under a scan: the scan stops there and says which
// port went, with exit code 1, instead of finishing as if nobody answered.
TEST(PelkoctlLink, ALostPortEndsTheScanWithItsName) {
    PtyResponder line({3}, 20);
    ASSERT_FALSE(line.Path().empty());
    std::string out;
    testing::internal::CaptureStderr();
    const auto t0 = std::chrono::steady_clock::now();
    const int rc = RunCommand("scan", LinkArgs(line.Path(), {}), out);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(rc, kNoAnswer);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(1));
    EXPECT_EQ(out, "3\n");
    EXPECT_NE(err.find("Порт " + line.Path() + " потерян: устройство отключено"), std::string::npos) << err;
    EXPECT_EQ(line.Probes(), 20);
}

TEST(PelkoctlLink, RawPrintsTheAcceptedFrameOrNoAnswer) {
    PtyResponder line({3});
    ASSERT_FALSE(line.Path().empty());
    std::string out;
    EXPECT_EQ(RunCommand("raw", LinkArgs(line.Path(), {"3", "36"}), out), kOk);
    const Bytes answer = pelko::BuildFrame(Bytes{3, 0x07, 0x37, 0xFF, 0x01});
    char hex[40] = {};
    for (std::size_t i = 0; i < answer.size(); ++i) std::snprintf(hex + 2 * i, 3, "%02X", answer[i]);
    EXPECT_EQ(out, std::string(hex) + "\n");

    EXPECT_EQ(RunCommand("raw", LinkArgs(line.Path(), {"4", "36"}), out), kNoAnswer);
    EXPECT_EQ(out, "no answer\n");
}

TEST(PelkoctlLink, ArgumentAndPortFailuresHaveTheirExitCodes) {
    std::string out;
    struct Case {
        const char* command;
        std::string port;
        std::vector<std::string> words;
        int rc;
    };
    const std::vector<Case> cases = {
        {"raw", "/dev/no-such-port-here", {"3", "36"}, kNoPort},
        {"scan", "/dev/no-such-port-here", {}, kNoPort},
        {"scan", "", {}, kBadArgs},
        {"scan", "/dev/null", {"extra"}, kBadArgs},
        {"raw", "/dev/null", {"3"}, kBadArgs},
        {"raw", "/dev/null", {"0", "36"}, kBadArgs},
        {"raw", "/dev/null", {"255", "36"}, kBadArgs},
        {"raw", "/dev/null", {"3", "3"}, kBadArgs},
        {"raw", "/dev/null", {"3", "3G"}, kBadArgs},
        {"raw", "/dev/null", {"3", ""}, kBadArgs},
        {"raw", "/dev/null", {"3", std::string(30, 'A')}, kBadArgs},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RunCommand(c.command, LinkArgs(c.port, c.words), out), c.rc) << c.command << " " << c.port;
}

}  // namespace
}  // namespace pelkoctl

namespace pelkoctl {
namespace {

// The dropped-records line says how many went since the last one, not the
// running total.
TEST(PelkoctlTrace, DroppedLineCountsOnlyTheNewDrops) {
    std::ostringstream err;
    Trace trace(true, "", err);
    const auto push = [&](int n) {
        for (int i = 0; i < n; ++i) {
            pelko::ExchangeRecord r;
            r.request = pelko::BuildFrame(Bytes{3, 0x05, 0xFE});
            trace.log()->Push(std::move(r));
        }
    };
    push(65536 + 3);
    trace.Flush();
    push(65536 + 2);
    trace.Flush();
    EXPECT_EQ(err.str(), "(пропущено обменов: 3)\n(пропущено обменов: 2)\n");
}

TEST(PelkoctlLink, TraceFileHasOneLinePairPerAttempt) {
    ParsedLine parsed;
    std::string error;
    ASSERT_TRUE(Parse({"raw", "--trace", "--trace-file", "x.log"}, parsed, error)) << error;
    EXPECT_TRUE(parsed.args.trace);
    EXPECT_EQ(parsed.args.traceFile, "x.log");

    PtyResponder line({3});
    ASSERT_FALSE(line.Path().empty());
    Args args = LinkArgs(line.Path(), {"3", "201100"});
    args.traceFile = testing::TempDir() + "pelkoctl_trace.log";
    std::string out;
    RunCommand("raw", args, out);
    std::ifstream in(args.traceFile);
    std::vector<std::string> lines;
    for (std::string s; std::getline(in, s);) lines.push_back(s);
    ASSERT_EQ(lines.size(), 2u);
    const std::string frame = pelko::HexBytes(pelko::BuildFrame(Bytes{3, 0x07, 0x20, 0x11, 0x00}));
    EXPECT_NE(lines[0].find("  115200  > " + frame + "  чтение ячейки 17"), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find("  115200  < 03 "), std::string::npos) << lines[1];
    EXPECT_NE(lines[1].find(" ms"), std::string::npos) << lines[1];
}

}  // namespace
}  // namespace pelkoctl
