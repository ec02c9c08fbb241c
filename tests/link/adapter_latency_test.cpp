// The adapter's latency timer against a sysfs tree of our own, laid out as
// the kernel lays out a USB serial adapter (class link, device link). Files
// are read and written as an ordinary user: run as root, each case runs in a
// child that has given up root, so a read-only timer is read-only.
#include "link/adapter_latency.h"

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "link/port_notice.h"

namespace pelko {
namespace {

namespace fs = std::filesystem;

enum class Timer { None, Writable, ReadOnly };

struct Case {
    const char* name;
    const char* tty;       // the device node's name under dev/
    const char* timer;     // the latency_timer's contents
    Timer access;
    bool byId;             // open it through a dev/serial/by-id link
    bool notice;           // the user is told
    const char* after;     // what the timer holds afterwards
};

const Case kCases[] = {
    {"HighWritableIsLowered", "ttyUSB0", "16\n", Timer::Writable, false, false, "1"},
    {"HighReadOnlyIsTold", "ttyUSB0", "16\n", Timer::ReadOnly, false, true, "16"},
    {"TwoReadOnlyIsTold", "ttyUSB1", "2\n", Timer::ReadOnly, false, true, "2"},
    {"AlreadyLowIsLeftAlone", "ttyUSB0", "1\n", Timer::ReadOnly, false, false, "1"},
    {"UartWithoutTimer", "ttyS0", "", Timer::None, false, false, ""},
    {"ByIdLinkIsFollowed", "ttyUSB2", "16\n", Timer::ReadOnly, true, true, "16"},
    {"ByIdLinkWritable", "ttyUSB2", "16\n", Timer::Writable, true, false, "1"},
    {"UnreadableTimerIsNoAdapter", "ttyUSB0", "abc\n", Timer::ReadOnly, false, false, "abc"},
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

std::string Slurp(const fs::path& p) {
    std::ifstream in(p);
    std::string s;
    in >> s;
    return s;
}

void Put(const fs::path& p, const std::string& text) {
    fs::create_directories(p.parent_path());
    std::ofstream(p) << text;
}

// LowerAdapterLatency as a user without root would see it.
std::string RunAsUser(const std::string& device, const std::string& sysRoot) {
    if (::geteuid() != 0) return LowerAdapterLatency(device, sysRoot);
    int out[2];
    if (::pipe(out) != 0) return "pipe failed";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(out[0]);
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
        const std::string text = LowerAdapterLatency(device, sysRoot);
        const bool ok = ::write(out[1], text.data(), text.size()) == static_cast<ssize_t>(text.size());
        ::_exit(ok ? 0 : 3);
    }
    ::close(out[1]);
    std::string text;
    char buf[512];
    for (ssize_t n; (n = ::read(out[0], buf, sizeof buf)) > 0;) text.append(buf, static_cast<std::size_t>(n));
    ::close(out[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? text : "child failed";
}

class AdapterLatencyTest : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override {
        root = fs::path(::testing::TempDir()) / ("pelko_latency_" + std::string(GetParam().name));
        fs::remove_all(root);
        fs::create_directories(root);
    }
    void TearDown() override { fs::remove_all(root); }

    // dev/<tty>, and under sys/ the adapter's device with its tty, linked
    // from class/tty as the kernel does.
    void MakeTree(const Case& c) {
        Put(root / "dev" / c.tty, "");
        const fs::path usbPort = root / "sys/devices/pci0/usb1/1-1/1-1:1.0" / c.tty;
        const fs::path ttyDir = usbPort / "tty" / c.tty;
        fs::create_directories(ttyDir);
        fs::create_directory_symlink(fs::path("../../../") / c.tty, ttyDir / "device");
        fs::create_directories(root / "sys/class/tty");
        fs::create_directory_symlink(fs::path("../../devices/pci0/usb1/1-1/1-1:1.0") / c.tty / "tty" / c.tty,
                                     root / "sys/class/tty" / c.tty);
        if (c.access != Timer::None) {
            Put(usbPort / "latency_timer", c.timer);
            fs::permissions(usbPort / "latency_timer",
                            c.access == Timer::Writable ? fs::perms(0666) : fs::perms(0444));
        }
        if (c.byId) {
            fs::create_directories(root / "dev/serial/by-id");
            fs::create_symlink(fs::path("../../") / c.tty, root / "dev/serial/by-id/usb-FTDI_FT232R_A10K-if00-port0");
        }
        // Everyone may walk the tree: the cases run as an ordinary user.
        for (const auto& e : fs::recursive_directory_iterator(root))
            if (e.is_directory() && !e.is_symlink()) fs::permissions(e.path(), fs::perms(0755));
        fs::permissions(root, fs::perms(0755));
    }

    fs::path root;
};

TEST_P(AdapterLatencyTest, LowersOrTells) {
    const Case& c = GetParam();
    MakeTree(c);
    const std::string device =
        (c.byId ? root / "dev/serial/by-id/usb-FTDI_FT232R_A10K-if00-port0" : root / "dev" / c.tty).string();
    const std::string text = RunAsUser(device, (root / "sys").string());
    if (c.notice) {
        EXPECT_NE(text.find("Адаптер порта " + device + " "), std::string::npos) << text;
        EXPECT_NE(text.find(" до " + std::string(c.after) + " мс"), std::string::npos) << text;
        EXPECT_NE(text.find("udev"), std::string::npos) << text;
    } else {
        EXPECT_EQ(text, "");
    }
    if (c.access != Timer::None) {
        EXPECT_EQ(Slurp(root / "sys/class/tty" / c.tty / "device/latency_timer"), c.after);
    }
}

INSTANTIATE_TEST_SUITE_P(Trees, AdapterLatencyTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Neither a pseudo-terminal, nor a device that is not there, nor a missing
// sysfs says anything.
TEST(AdapterLatency, SilentWithoutSysfsEntry) {
    EXPECT_EQ(LowerAdapterLatency("/dev/null", "/nonexistent-sys"), "");
    EXPECT_EQ(LowerAdapterLatency("/nonexistent/ttyUSB9", "/sys"), "");
    EXPECT_EQ(LowerAdapterLatency("/dev/ptmx", "/sys"), "");
}

// A port that opens with a notice has it told once, however often it is
// reopened; another text is told too, and a port without one says nothing.
TEST(PortNotice, ToldOncePerText) {
    struct NoticePort : SerialPort {
        explicit NoticePort(std::string t) : text(std::move(t)) {}
        bool setBaudRate(std::uint32_t) override { return true; }
        void setTimeouts(const PortTimeouts&) override {}
        void purge() override {}
        std::size_t write(const std::uint8_t*, std::size_t n) override { return n; }
        std::size_t read(std::uint8_t*, std::size_t) override { return 0; }
        void setDtr(bool) override {}
        void setRts(bool) override {}
        std::string notice() const override { return text; }
        std::string text;
    };
    const char* texts[] = {"", "A", "A", "", "B", "A", "B"};
    std::size_t next = 0;
    std::vector<std::string> told;
    PortOpener opener = TellingNotices(
        [&](std::uint8_t, std::string&) -> std::unique_ptr<SerialPort> {
            return std::make_unique<NoticePort>(texts[next++]);
        },
        [&](const std::string& t) { told.push_back(t); });
    std::string error;
    for (std::size_t i = 0; i < std::size(texts); ++i) ASSERT_TRUE(opener(1, error));
    EXPECT_EQ(told, (std::vector<std::string>{"A", "B"}));
}

}  // namespace
}  // namespace pelko
