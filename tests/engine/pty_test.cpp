// One scenario end to end over a real pseudo-terminal: pelko-sim's
// controllers, the Linux serial port, the session's worker in real time.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#include <chrono>

#include "sim/child_process.h"
#include "config/config_reader.h"
#include "config/user_folders.h"
#include "config/config_writer.h"
#include "config/program_settings.h"
#include "engine/engine.h"
#include "link/posix_serial_port.h"
#include "tests/engine/test_front_end.h"

namespace pelko {
namespace {

PortOpener PtyOpener(const std::string& path) {
    return [path](std::uint8_t, std::string& error) -> std::unique_ptr<SerialPort> {
        return PosixSerialPort::Open(path, error);
    };
}

TEST(EnginePty, GroupSearchReadAndWriteBackOverAPseudoTerminal) {
    ChildProcess sim({PELKO_SIM_EXE, "--controllers", "3@115200,17@115200"});
    ASSERT_TRUE(sim.Started());
    std::string path, reply;
    ASSERT_TRUE(sim.ReadLine(path));
    sim.WriteLine("cell 3 5 0102030405");
    ASSERT_TRUE(sim.ReadLine(reply));
    ASSERT_EQ(reply, "ok");

    test::TestFrontEnd host;
    TPelkoSession session(PtyOpener(path), host.Notifier());
    ProgramSettings settings;
    settings.PortBaudRate = settings.PrevBaudRate = 115200;
    settings.TOConstant = 50;
    session.SetPortBaudRate(115200);
    session.SetTimeOutConstant(50);
    session.SetTimeOutMultiplier(1);
    session.SetMax_Attempt(3);
    session.SetSmartPI(true);
    TGroupDev group;
    TEngine engine(session, group, settings, host, PtyOpener(path));
    host.Attach(&session, &engine);
    // The group as a configuration file leaves it: in the group, not yet seen.
    for (std::uint8_t adr : {3, 17, 40}) {
        const DevIndex i = group.AddDevice(adr);
        group.ClearState(i, dfConnected);
        group.SetState(i, dfInGroup);
        group.SetPass(i, FactoryPass);
    }
    engine.SearchGroup(settings.AutoReadKey);
    EXPECT_FALSE(host.Stalled);
    EXPECT_EQ(group.StateIndex(0), 8);
    EXPECT_EQ(group.StateIndex(1), 8);
    EXPECT_EQ(group.StateIndex(2), 2);  // 40 is not on the line

    group.Select(0);
    engine.ReadCards(group.Selected());
    EXPECT_EQ(engine.CellsConfirmed(3), 1010);
    ASSERT_EQ(engine.CurConf().UserCount(), 1);
    EXPECT_EQ(engine.CurConf().UserCards()[0].Code, (TCode{1, 2, 3, 4, 5}));

    group.Select(1);
    engine.CurConf().AddCard(1009, {9, 9, 9, 9, 9}, "Мастер");
    engine.WriteCards(group.Selected());
    EXPECT_EQ(engine.CellsConfirmed(17), 1010);
    sim.WriteLine("list");
    std::string line;
    bool seen = false;
    while (sim.ReadLine(line) && line != "ok")
        if (line.rfind("ctrl 17 ", 0) == 0) seen = line.find(" cells=1 ") != std::string::npos;
    EXPECT_TRUE(seen);
    EXPECT_FALSE(host.Stalled);
    EXPECT_EQ(engine.OperState(), osIdle);
}

TEST(EnginePty, PelkoctlWriteLoadsAFileAndWritesItsGroup) {
    ChildProcess sim({PELKO_SIM_EXE, "--controllers", "3@115200,17@115200"});
    ASSERT_TRUE(sim.Started());
    std::string path;
    ASSERT_TRUE(sim.ReadLine(path));
    ProgramSettings settings;
    settings.PortBaudRate = 115200;
    TGroupDev group;
    for (std::uint8_t adr : {3, 17}) {
        const DevIndex i = group.AddDevice(adr);
        group.SetState(i, dfInGroup);
        group.SetPass(i, FactoryPass);
    }
    group.GetDevice(0, nullptr)->AddCard(12, {1, 2, 3, 4, 5}, "");
    SilentConfigHost quiet;
    const std::string file = ::testing::TempDir() + "engine_pty_write.txt";
    std::ofstream(file, std::ios::binary) << SaveToFile(settings, group, quiet);

    const auto cellsOnLine = [&sim] {
        sim.WriteLine("list");
        std::string line, cells;
        while (sim.ReadLine(line) && line != "ok") {
            const std::size_t at = line.find(" cells=");
            if (line.rfind("ctrl ", 0) == 0 && at != std::string::npos) cells += line.substr(at + 1, 7) + ";";
        }
        return cells;
    };
    // Without a backup (--no-backup) nothing is erased unless --yes says so.
    std::string out;
    EXPECT_EQ(RunProgram({PELKOCTL_EXE, "write", file, "--port", path, "--baud", "115200", "--no-backup"}, out), 2);
    EXPECT_EQ(out, "");
    EXPECT_EQ(cellsOnLine(), "cells=0;cells=0;");

    // A backup that cannot be made stops the write before anything is erased.
    EXPECT_EQ(RunProgram({PELKOCTL_EXE, "write", file, "--port", path, "--baud", "115200", "--backup", "/dev/null/x"}, out),
              2);
    EXPECT_EQ(cellsOnLine(), "cells=0;cells=0;");

    // By default the cards are saved first, where the window saves them.
    const std::filesystem::path backups = pelko::DefaultBackupFolder();
    const auto backupCount = [&backups] {
        std::error_code ec;
        return std::filesystem::exists(backups, ec)
                   ? std::distance(std::filesystem::directory_iterator(backups), std::filesystem::directory_iterator())
                   : 0;
    };
    const auto before = backupCount();
    const int rc = RunProgram({PELKOCTL_EXE, "write", file, "--port", path, "--baud", "115200"}, out);
    std::remove(file.c_str());
    EXPECT_EQ(rc, 0) << out;
    // No password on standard output unless --show-pass.
    EXPECT_EQ(out,
              "device 3 STATE=15 CONFIG=0F070310A9 PASS=**********\n"
              "device 17 STATE=15 CONFIG=0F071110A9 PASS=**********\n");
    EXPECT_EQ(cellsOnLine(), "cells=1;cells=0;");
    EXPECT_EQ(backupCount() - before, 2) << "one backup per controller written";
    // A reset asks the same preflight.
    EXPECT_EQ(RunProgram({PELKOCTL_EXE, "reset", "3", "--port", path, "--baud", "115200", "--no-backup"}, out), 2);
    EXPECT_EQ(cellsOnLine(), "cells=1;cells=0;");
}

// verify: a file that matches its controllers exits 0; one changed cell and
// one card only on the line are each a line, and exit 5; cells not read, 4.
TEST(EnginePty, PelkoctlVerifyNamesEachDifferingCell) {
    ChildProcess sim({PELKO_SIM_EXE, "--controllers", "3@115200,17@115200"});
    ASSERT_TRUE(sim.Started());
    std::string path, reply;
    ASSERT_TRUE(sim.ReadLine(path));
    const auto command = [&sim, &reply](const std::string& line) {
        sim.WriteLine(line);
        ASSERT_TRUE(sim.ReadLine(reply));
        ASSERT_EQ(reply, "ok") << line;
    };
    command("cell 3 12 0102030405");
    ProgramSettings settings;
    settings.PortBaudRate = 115200;
    TGroupDev group;
    for (std::uint8_t adr : {3, 17}) {
        const DevIndex i = group.AddDevice(adr);
        group.SetState(i, dfInGroup);
        group.SetPass(i, FactoryPass);
    }
    group.GetDevice(0, nullptr)->AddCard(12, {1, 2, 3, 4, 5}, "");
    SilentConfigHost quiet;
    const std::string file = ::testing::TempDir() + "engine_pty_verify.txt";
    std::ofstream(file, std::ios::binary) << SaveToFile(settings, group, quiet);
    const std::vector<std::string> verify = {PELKOCTL_EXE, "verify", file, "--port", path, "--baud", "115200"};

    std::string out;
    std::string both;  // standard output and error
    for (const std::string& w : verify) both += w + " ";
    EXPECT_EQ(RunProgram({"/bin/sh", "-c", both + "2>&1"}, out), 0) << out;
    EXPECT_EQ(out, "pelkoctl: совпадает: 2020 ячеек\n");
    command("cell 3 12 0102030406");
    command("cell 17 40 0A0B0C0D0E");
    EXPECT_EQ(RunProgram(verify, out), 5) << out;
    EXPECT_EQ(out, "diff 3 12 0102030405 0102030406\ndiff 17 40 - 0A0B0C0D0E\n");
    // Every cell of 17 answers without a code: nothing differs, but unread is never "all matches".
    command("cell 3 12 0102030405");
    command("cell 17 40 FFFFFFFFFF");
    command("fault 17 short@20");
    EXPECT_EQ(RunProgram(verify, out), 4) << out;
    EXPECT_EQ(out, "");
    std::remove(file.c_str());
}

// The administrative commands by script: each through the engine's own
// operation, the resulting device line printed.
// The line's device goes away under a running read (the pseudo-terminal's
// master closes when pelko-sim quits): pelkoctl stops within a second, names
// the port, exits 1 and saves no partial file.
TEST(EnginePty, PelkoctlReadEndsWhenThePortIsLost) {
    ChildProcess sim({PELKO_SIM_EXE, "--controllers", "3@115200", "--timing"});
    ASSERT_TRUE(sim.Started());
    std::string path, line;
    ASSERT_TRUE(sim.ReadLine(path));
    const std::string file = ::testing::TempDir() + "pelko_lost_port.txt";
    const std::string trace = ::testing::TempDir() + "pelko_lost_port_trace.txt";
    std::remove(file.c_str());
    std::remove(trace.c_str());
    ChildProcess ctl({"/bin/sh", "-c",
                      std::string(PELKOCTL_EXE) + " read --out " + file + " --port " + path +
                          " --baud 115200 --timeout 5 --multiplier 0 --attempts 1 --trace-file " + trace +
                          " 2>&1; echo rc=$?"});
    ASSERT_TRUE(ctl.Started());
    // Pulled out once the cells are being read.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    auto reading = [&] {
        std::ifstream in(trace);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        return text.find("чтение ячейки 100\n") != std::string::npos;
    };
    while (!reading() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(reading());
    sim.WriteLine("quit");
    const auto quitAt = std::chrono::steady_clock::now();
    std::string out;
    while (ctl.ReadLine(line, 20'000)) {
        out += line + "\n";
        if (line.rfind("rc=", 0) == 0) break;
    }
    EXPECT_LT(std::chrono::steady_clock::now() - quitAt, std::chrono::seconds(1));
    EXPECT_NE(out.find("Порт " + path + " потерян: устройство отключено"), std::string::npos) << out;
    EXPECT_NE(out.find("rc=1"), std::string::npos) << out;
    EXPECT_FALSE(std::ifstream(file).good()) << "a partial read is not saved";
}

TEST(EnginePty, PelkoctlSetsParametersAndAddress) {
    ChildProcess sim({PELKO_SIM_EXE, "--controllers", "3@115200"});
    ASSERT_TRUE(sim.Started());
    std::string path, out;
    ASSERT_TRUE(sim.ReadLine(path));
    const std::vector<std::string> line{"--port", path, "--baud", "115200"};
    auto run = [&](std::vector<std::string> words) {
        words.insert(words.begin(), PELKOCTL_EXE);
        words.insert(words.end(), line.begin(), line.end());
        out.clear();
        return RunProgram(words, out);
    };
    EXPECT_EQ(run({"params", "3", "RelayDelay=15"}), 0);
    EXPECT_EQ(out, "device 3 STATE=7 CONFIG=0F070310F9 PASS=**********\n");
    EXPECT_EQ(run({"params", "3", "UARTSpeed=3"}), 2);  // the speed is the speed phase's
    EXPECT_EQ(run({"address", "3", "5", "--show-pass"}), 0);
    EXPECT_EQ(out, "device 5 STATE=7 CONFIG=0F070510F9 PASS=1122334455\n");
    EXPECT_EQ(run({"params", "3"}), 1);  // nothing answers at 3 any more
    // A parameter read that fails leaves no made-up block on the line.
    sim.WriteLine("fault 5 silent@36");
    ASSERT_TRUE(sim.ReadLine(out));
    run({"search"});
    EXPECT_EQ(out, "device 5 STATE=3 CONFIG=? PASS=**********\n");
    // A controller answering under another address is named, not passed over.
    sim.WriteLine("fault 5 otheraddr");
    ASSERT_TRUE(sim.ReadLine(out));
    const std::string search = std::string(PELKOCTL_EXE) + " search --port " + path + " --baud 115200 2>&1";
    EXPECT_EQ(RunProgram({"/bin/sh", "-c", search}, out), 1);
    EXPECT_NE(out.find("pelkoctl: на запрос к адресу 5 ответил прибор с адресом 6, а на запросы к адресу 6 не "
                       "отвечает никто: проверьте адрес прибора\n"),
              std::string::npos)
        << out;
    // A write whose controller does not answer says so.
    ProgramSettings settings;
    settings.PortBaudRate = 115200;
    TGroupDev group;
    group.SetState(group.AddDevice(3), dfInGroup);
    SilentConfigHost quiet;
    const std::string file = ::testing::TempDir() + "engine_pty_write_none.txt";
    std::ofstream(file, std::ios::binary) << SaveToFile(settings, group, quiet);
    sim.WriteLine("nofault 5");
    ASSERT_TRUE(sim.ReadLine(out));
    const std::string write = std::string(PELKOCTL_EXE) + " write " + file + " --yes --port " + path + " --baud 115200";
    EXPECT_EQ(RunProgram({"/bin/sh", "-c", write + " 2>&1"}, out), 4);
    EXPECT_NE(out.find("pelkoctl: прибор 3 не найден или не открылся; карты не записаны\n"), std::string::npos) << out;
    std::remove(file.c_str());
    // A second controller at 5 that the common password opens: their answers to the login collide.
    EXPECT_EQ(run({"password", "5", "0A0B0C0D0E"}), 0);
    sim.WriteLine("add 5@115200");
    ASSERT_TRUE(sim.ReadLine(out));
    EXPECT_EQ(RunProgram({"/bin/sh", "-c", search}, out), 0);
    EXPECT_NE(out.find("pelkoctl: на запрос к адресу 5 («вход») всякий раз приходит один и тот же искажённый ответ: "
                       "похоже, адрес 5 у двух приборов и их ответы сталкиваются — дайте одному из них другой адрес\n"),
              std::string::npos)
        << out;
}

// A speed change that would leave a controller behind (one the common
// password does not open) writes nothing without --yes; with it, the others
// move and the run says it is incomplete.
TEST(EnginePty, PelkoctlSpeedAsksBeforeLeavingAControllerBehind) {
    ChildProcess sim({PELKO_SIM_EXE, "--controllers", "3,40"});
    ASSERT_TRUE(sim.Started());
    std::string path, out;
    ASSERT_TRUE(sim.ReadLine(path));
    auto run = [&](std::vector<std::string> words, const std::string& baud = "9600") {
        words.insert(words.begin(), PELKOCTL_EXE);
        for (const char* w : {"--attempts", "2", "--timeout", "20", "--show-pass"}) words.emplace_back(w);
        words.insert(words.end(), {"--port", path, "--baud", baud});
        out.clear();
        return RunProgram(words, out);
    };
    // Passwords given where ps does not show them: the new one on standard
    // input, a controller's own in the environment.
    const std::string shell = "printf 'A1B2C3D4E5\\n' | " + std::string(PELKOCTL_EXE) +
                              " password 40 - --attempts 2 --timeout 20 --port " + path;
    ASSERT_EQ(RunProgram({"/bin/sh", "-c", shell}, out), 0);
    EXPECT_EQ(out, "device 40 STATE=7 CONFIG=0F032810A9 PASS=**********\n");
    const std::string at9600 =
        "device 3 STATE=7 CONFIG=0F030310A9 PASS=1122334455\n"
        "device 40 STATE=7 CONFIG=0F032810A9 PASS=A1B2C3D4E5\n";
    auto both = [&](const std::string& baud3) {
        std::string lines;
        EXPECT_EQ(run({"params", "3"}, baud3), 0);
        lines += out;
        const std::string shell = "PELKOCTL_OWN=A1B2C3D4E5 " + std::string(PELKOCTL_EXE) +
                                  " params 40 --show-pass --attempts 2 --timeout 20 --port " + path + " --baud 9600";
        EXPECT_EQ(RunProgram({"/bin/sh", "-c", shell}, out), 0);
        return lines + out;
    };
    EXPECT_EQ(run({"speed", "19200"}), 2);
    EXPECT_EQ(run({"common-pass", "0102030405"}), 2);
    // Nobody at this speed: exit 4, and said why.
    const std::string none = std::string(PELKOCTL_EXE) + " speed 19200 --attempts 1 --timeout 20 --port " + path +
                             " --baud 115200 2>&1";
    EXPECT_EQ(RunProgram({"/bin/sh", "-c", none}, out), 4);
    EXPECT_EQ(out, "pelkoctl: приборы не найдены на скорости 115200 бит/с; ничего не записано\n");
    EXPECT_EQ(both("9600"), at9600);
    EXPECT_EQ(run({"speed", "19200", "--yes"}), 4);
    EXPECT_EQ(both("19200"),
              "device 3 STATE=7 CONFIG=0F040310A9 PASS=1122334455\n"
              "device 40 STATE=7 CONFIG=0F032810A9 PASS=A1B2C3D4E5\n");
}

}  // namespace
}  // namespace pelko

namespace pelko {
namespace {

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// pelkoctl write --backup: the controller's card that the file lacks is in
// the backup before the write erases it; the journal has the write and no
// password; the trace shows the login's password as "**" only.
TEST(EnginePty, PelkoctlWriteBacksUpJournalsAndMasksThePassword) {
    ChildProcess sim({PELKO_SIM_EXE, "--controllers", "3@115200"});
    ASSERT_TRUE(sim.Started());
    std::string path, reply;
    ASSERT_TRUE(sim.ReadLine(path));
    sim.WriteLine("cell 3 5 0102030405");
    ASSERT_TRUE(sim.ReadLine(reply));
    ASSERT_EQ(reply, "ok");
    ProgramSettings settings;
    settings.PortBaudRate = 115200;
    TGroupDev group;
    const DevIndex i = group.AddDevice(3);
    group.SetState(i, dfInGroup);
    group.SetPass(i, FactoryPass);
    // The controller's card is the file's in another cell: its user's name goes into the backup.
    group.GetDevice(i, nullptr)->AddCard(7, {1, 2, 3, 4, 5}, "Иванов");
    SilentConfigHost quiet;
    const std::string dir = ::testing::TempDir() + "pelko_pty_backups_" + std::to_string(::getpid());
    const std::string file = dir + ".txt";
    const std::string trace = dir + "_trace.txt";
    std::filesystem::remove_all(dir);
    std::ofstream(file, std::ios::binary) << SaveToFile(settings, group, quiet);
    const char* state = std::getenv("XDG_STATE_HOME");
    ASSERT_NE(state, nullptr);  // tests keep it out of the user's folders
    const std::string journal = std::string(state) + "/confpelko/journal.txt";
    std::remove(journal.c_str());

    std::string out;
    const int rc = RunProgram({PELKOCTL_EXE, "write", file, "--port", path, "--baud", "115200", "--backup", dir,
                               "--trace-file", trace},
                              out);
    EXPECT_EQ(rc, 0) << out;
    std::vector<std::filesystem::path> backups;
    if (std::filesystem::exists(dir))
        for (const auto& e : std::filesystem::directory_iterator(dir)) backups.push_back(e.path());
    ASSERT_EQ(backups.size(), 1u);
    TGroupDev restored;
    ProgramSettings s;
    ASSERT_TRUE(ReadFromFile(FileText(backups[0].string()), s, restored, quiet));
    ASSERT_EQ(restored.Count(), 1);
    EXPECT_EQ(restored.GetDevice(0, nullptr)->UserCards().size(), 1u);
    EXPECT_EQ(restored.GetDevice(0, nullptr)->UserCards()[0].Pos, 5);
    EXPECT_EQ(restored.GetDevice(0, nullptr)->UserCards()[0].User, "Иванов");
    EXPECT_EQ(std::filesystem::status(backups[0]).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

    const std::string lines = FileText(journal);
    EXPECT_NE(lines.find("\tЗапись карт\t"), std::string::npos) << lines;
    EXPECT_NE(lines.find("(адрес 3)\tячейки: записано 2 (5, 7), подтверждено чтением 2; резервная копия: " + backups[0].string() + "\tвыполнено\n"),
              std::string::npos)
        << lines;
    EXPECT_EQ(lines.find(CodeToText(FactoryPass)), std::string::npos) << lines;

    const std::string traced = FileText(trace);
    EXPECT_NE(traced.find("> 03 0A 24 ** ** ** ** ** "), std::string::npos) << traced.substr(0, 400);
    EXPECT_EQ(traced.find("11 22 33 44 55"), std::string::npos);

    // Cells the controller acknowledged but the read-back could not confirm:
    // exit 4, and the journal does not call it done.
    sim.WriteLine("fault 3 short@20");
    ASSERT_TRUE(sim.ReadLine(reply));
    EXPECT_EQ(RunProgram({PELKOCTL_EXE, "write", file, "--port", path, "--baud", "115200", "--yes"}, out), 4);
    const std::string after = FileText(journal).substr(lines.size());
    EXPECT_NE(after.find("; проверка чтением: записано 1010, подтверждено 0, не совпало 0; не удалось проверить ячейки"),
              std::string::npos)
        << after;
    EXPECT_NE(after.find("\tвыполнено частично\n"), std::string::npos) << after;
    std::remove(file.c_str());
    std::remove(trace.c_str());
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace pelko
