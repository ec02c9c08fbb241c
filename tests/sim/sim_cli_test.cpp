#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "sim/sim_control.h"
#include "sim/sim_options.h"
#include "sim_test_util.h"

namespace pelko {
namespace {

using testing::Req;

struct OptionCase {
    std::vector<std::string> args;
    bool ok;
};

class SimOptionsTest : public ::testing::TestWithParam<OptionCase> {};

TEST_P(SimOptionsTest, AcceptsOnlyWellFormedArguments) {
    SimOptions o;
    std::string error;
    EXPECT_EQ(ParseSimOptions(GetParam().args, o, error), GetParam().ok) << error;
    EXPECT_EQ(error.empty(), GetParam().ok);
}

INSTANTIATE_TEST_SUITE_P(
    Options, SimOptionsTest,
    ::testing::Values(OptionCase{{}, true}, OptionCase{{"--controllers", "3,17@19200"}, true},
                      OptionCase{{"--controllers", ""}, true}, OptionCase{{"--controllers", "0"}, false},
                      OptionCase{{"--controllers", "255"}, false}, OptionCase{{"--controllers", "3@1200"}, false},
                      OptionCase{{"--controllers", "3,"}, false}, OptionCase{{"--controllers"}, false},
                      OptionCase{{"--fault", "3:late:0.5:800"}, true},
                      OptionCase{{"--fault", "3:silent@20"}, true}, OptionCase{{"--fault", "3:loud"}, false},
                      OptionCase{{"--fault", "3:busy:1.5"}, false}, OptionCase{{"--fault", "3"}, false},
                      OptionCase{{"--fault", "3:busy:0.5:1:2"}, false}, OptionCase{{"--seed", "x"}, false},
                      OptionCase{{"--fault", "3:otheraddr:1:254"}, true},
                      OptionCase{{"--fault", "3:otheraddr:1:256"}, false},
                      OptionCase{{"--fault", "3:twice@20:1:20"}, true}, OptionCase{{"--fault", "3:repeat:0.1"}, true},
                      OptionCase{{"--fault", "3:stray:1:2000"}, true}, OptionCase{{"--fault", "3:stray:1:-5"}, false},
                      OptionCase{{"--password", "0011223344"}, true}, OptionCase{{"--password", "00112233"}, false},
                      OptionCase{{"--factory-pass", "00112233GG"}, false}, OptionCase{{"--restart-ms", "-1"}, false},
                      OptionCase{{"--turnaround-us", "150"}, true}, OptionCase{{"--turnaround-us", "x"}, false},
                      OptionCase{{"--timing", "--log", "--no-stdin", "--help"}, true}, OptionCase{{"--baud"}, false},
                      OptionCase{{"--adapter-latency", "16"}, true}, OptionCase{{"--adapter-latency", "0"}, true},
                      OptionCase{{"--adapter-latency", "256"}, false}, OptionCase{{"--adapter-latency", "-1"}, false},
                      OptionCase{{"--adapter-latency"}, false}));

TEST(SimOptions, ControllersPickUpPasswordsAndRestartGivenLater) {
    SimOptions o;
    std::string error;
    ASSERT_TRUE(ParseSimOptions({"--controllers", "3,17@115200", "--password", "0102030405", "--factory-pass",
                                 "A0A1A2A3A4", "--restart-ms", "250", "--seed", "9", "--fault", "17:otheraddr:1:5"},
                                o, error));
    ASSERT_EQ(o.controllers.size(), 2u);
    EXPECT_EQ(o.controllers[1].adr, 17);
    EXPECT_EQ(o.controllers[1].baud, 115200u);
    EXPECT_EQ(o.controllers[0].baud, 9600u);
    EXPECT_EQ(o.controllers[0].password, (SimCode{1, 2, 3, 4, 5}));
    EXPECT_EQ(o.controllers[0].factoryPassword, (SimCode{0xA0, 0xA1, 0xA2, 0xA3, 0xA4}));
    EXPECT_EQ(o.controllers[0].restartUs, 250'000);
    EXPECT_EQ(o.seed, 9u);
    ASSERT_EQ(o.faults.size(), 1u);
    EXPECT_EQ(o.faults[0].adr, 17);
    EXPECT_EQ(o.faults[0].fault.kind, SimFaultKind::OtherAddress);
    EXPECT_EQ(o.faults[0].fault.param, 5u);

    SimOptions d;
    ASSERT_TRUE(ParseSimOptions({}, d, error));
    ASSERT_EQ(d.controllers.size(), 1u);
    EXPECT_EQ(d.controllers[0].adr, 1);
    EXPECT_EQ(d.controllers[0].password, kFactoryPassword);
}

std::string FileText(const char* path) {
    std::ifstream in(path);
    EXPECT_TRUE(in) << path;
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Every kind has a text name the parser takes back, and the help, the README
// and the manual page name it.
TEST(SimOptions, FaultTextNamesEveryKind) {
    const std::string readme = FileText(PELKO_SIM_README), man = FileText(PELKO_SIM_MAN);
    int kinds = 0;
    for (int i = 0; std::string(FaultKindName(static_cast<SimFaultKind>(i))) != "?"; ++i, ++kinds) {
        const auto k = static_cast<SimFaultKind>(i);
        const std::string name = FaultKindName(k);
        EXPECT_EQ(ParseFaultKind(name), k) << name;
        EXPECT_TRUE(std::regex_search(SimUsage(), std::regex("\\b" + name + "\\b"))) << name;
        EXPECT_NE(readme.find("(`" + name + "`)"), std::string::npos) << name;
        EXPECT_TRUE(std::regex_search(man, std::regex("\\b" + name + "\\b"))) << name;
    }
    EXPECT_EQ(kinds, 11);
    const auto f = ParseFault("late@22:0.25:900");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->command, 0x22);
    EXPECT_DOUBLE_EQ(f->rate, 0.25);
    EXPECT_EQ(f->param, 900u);
}

std::set<std::string> OptionNames(const std::string& text) {
    static const std::regex option("--[a-z][a-z-]*");
    std::set<std::string> names;
    for (std::sregex_iterator it(text.begin(), text.end(), option), end; it != end; ++it) names.insert(it->str());
    return names;
}

// The help, the parser and the README name the same options.
TEST(SimHelp, OptionsOfTheHelpTheParserAndTheReadmeAgree) {
    const std::map<std::string, std::string> values = {
        {"--controllers", "3,17@19200"}, {"--password", "0102030405"}, {"--factory-pass", "0102030405"},
        {"--restart-ms", "100"},         {"--fault", "3:busy"},       {"--seed", "7"},
        {"--turnaround-us", "300"},      {"--delay", "3:100"},        {"--adapter-latency", "16"},
    };
    const std::set<std::string> inHelp = OptionNames(SimUsage());
    for (const std::string& name : inHelp) {
        std::vector<std::string> args{name};
        if (const auto v = values.find(name); v != values.end()) args.push_back(v->second);
        SimOptions o;
        std::string error;
        EXPECT_TRUE(ParseSimOptions(args, o, error)) << name << ": " << error;
    }
    std::ifstream readme(PELKO_SIM_README);
    ASSERT_TRUE(readme) << PELKO_SIM_README;
    std::stringstream text;
    text << readme.rdbuf();
    EXPECT_EQ(OptionNames(text.str()), inHelp);
}

// Every control command the help lists is one the control channel knows.
TEST(SimHelp, ControlCommandsOfTheHelpAreKnown) {
    SimLine line;
    SimControl control(line, SimOptions{});
    std::istringstream help(SimUsage());
    bool inCommands = false;
    int listed = 0;
    for (std::string row; std::getline(help, row);) {
        if (row.rfind("Команды", 0) == 0) inCommands = true;
        if (!inCommands || row.rfind("  ", 0) != 0) continue;
        std::istringstream words(row);
        std::string command;
        words >> command;
        ++listed;
        for (const std::string& reply : control.Run(command))
            EXPECT_EQ(reply.find("неизвестная команда"), std::string::npos) << command;
    }
    EXPECT_GE(listed, 12);
}

class SimControlTest : public ::testing::Test {
protected:
    SimControlTest() : control(line, SimOptions{}) {
        a = line.Add({.adr = 3});
        line.Add({.adr = 17, .baud = 19200});
    }
    std::string Last(const std::string& cmd) {
        const auto r = control.Run(cmd);
        return r.empty() ? std::string() : r.back();
    }
    Bytes Send(const Bytes& f, std::uint32_t baud = 9600) {
        t += 100'000;
        const auto ans = line.Transmit(f.data(), f.size(), baud, t);
        return ans.empty() ? Bytes{} : ans[0].bytes;
    }

    SimLine line;
    SimControl control;
    SimControllerId a = 0;
    std::int64_t t = 0;
};

TEST_F(SimControlTest, CommandsReplyOkOrAnError) {
    const std::pair<const char*, bool> cases[] = {
        {"card 3 0A1B2C3D4E", true}, {"card 3 0A1B2C3D", false}, {"card 4 0A1B2C3D4E", false},
        {"card 300 0A1B2C3D4E", false}, {"nocard 3", true}, {"button 17 on", true}, {"button 17 maybe", false},
        {"add 42@38400", true}, {"add 42@1000", false}, {"fault 3 busy:0.5", true}, {"fault 3 nonsense", false},
        {"nofault 3", true}, {"seed 5", true}, {"seed", false}, {"cell 3 1009 0102030405", true},
        {"cell 3 1010 0102030405", false}, {"log on", true}, {"log maybe", false}, {"frobnicate", false},
        {"plug 3", false}, {"remove", false}, {"latency 16", true}, {"latency 1", true}, {"latency 0", true},
        {"latency 256", false}, {"latency", false}, {"latency x", false},
    };
    for (const auto& [cmd, ok] : cases) {
        const std::string reply = Last(cmd);
        EXPECT_EQ(reply == "ok", ok) << cmd << " -> " << reply;
        if (!ok) {
            EXPECT_EQ(reply.rfind("ошибка: ", 0), 0u) << cmd;
        }
    }
    EXPECT_TRUE(control.Run("   ").empty());
    EXPECT_FALSE(control.QuitAsked());
    EXPECT_EQ(Last("quit"), "ok");
    EXPECT_TRUE(control.QuitAsked());
}

TEST_F(SimControlTest, CommandsActOnTheLine) {
    control.Run("card 3 0A1B2C3D4E");
    EXPECT_EQ(Send(Req(3, 0x02))[3], 0x0A);
    control.Run("button 17 on");
    EXPECT_EQ(Send(Req(17, 0x72), 19200)[3], 0x01);
    control.Run("cell 3 7 0102030405");
    EXPECT_EQ(line.Snapshot(a)->Cell(7), (SimCode{1, 2, 3, 4, 5}));
    control.Run("unplug 3");
    EXPECT_TRUE(Send(Req(3, 0xFE)).empty());
    EXPECT_EQ(Last("plug 3"), "ok");
    EXPECT_FALSE(Send(Req(3, 0xFE)).empty());
    control.Run("fault 3 silent");
    EXPECT_TRUE(Send(Req(3, 0xFE)).empty());
    control.Run("nofault 3");
    control.Run("add 3");  // a second controller at 3: they collide
    EXPECT_FALSE(AcceptAnswer(Req(3, 0x02), Send(Req(3, 0x02))));
    control.Run("remove 3");
    EXPECT_TRUE(Send(Req(3, 0xFE)).empty());
    EXPECT_EQ(line.Ids().size(), 1u);
    control.Run("latency 16");
    EXPECT_EQ(line.AdapterLatencyUs(), 16'000);
    control.Run("latency 1");
    EXPECT_EQ(line.AdapterLatencyUs(), 1'000);
}

TEST_F(SimControlTest, ListShowsEachController) {
    control.Run("card 17 0A1B2C3D4E");
    control.Run("unplug 3");
    const auto lines = control.Run("list");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "ctrl 3 9600 pass=1122334455 config=0F030310A9 cells=0 card=none button=off unplugged");
    EXPECT_EQ(lines[1], "ctrl 17 19200 pass=1122334455 config=0F041110A9 cells=0 card=0A1B2C3D4E button=off");
    EXPECT_EQ(lines[2], "ok");
}

}  // namespace
}  // namespace pelko
