#include "config/config_reader.h"

#include <gtest/gtest.h>

#include "config/file_parameters.h"
#include "recording_host.h"

namespace pelko {
namespace {

std::string Doc(const std::string& settings, const std::string& devices = "") {
    return "<?xml version=\"1.0\" encoding=\"windows-1251\" ?>\r\n<XDOC>\r\n" + settings + devices + "</XDOC>";
}

std::string Settings(const std::string& inner) { return "<ProgramSettings>" + inner + "</ProgramSettings>"; }

std::string Devices(const std::string& inner) { return "<Devices>" + inner + "</Devices>"; }

struct Fixture {
    ProgramSettings s;
    TGroupDev g;
    RecordingHost host;
    bool Read(const std::string& text) { return ReadFromFile(text, s, g, host); }
};

TEST(ConfigReader, DamagedFileChangesNothing) {
    Fixture f;
    f.g.AddDevice(3);
    EXPECT_FALSE(f.Read("<XDOC><ProgramSettings><CircleFind Val=\"7\"/></ProgramSettings>"));
    EXPECT_EQ(f.host.messages, std::vector<std::string>{"Файл поврежден."});
    EXPECT_EQ(f.host.events, std::vector<std::string>{"message Сообщение warning"});
    EXPECT_EQ(f.s.CircleFind, 30);
    EXPECT_EQ(f.g.Count(), 1);
}

TEST(ConfigReader, SettingsValuesAndTheirErrors) {
    struct Case {
        const char* inner;
        bool ProgramSettings::*flag;
        bool flagValue;
        const char* message;  // nullptr: none
    };
    const Case cases[] = {
        {"<AutoReadKey Val=\"1\"/>", &ProgramSettings::AutoReadKey, true, nullptr},
        {"<AutoReadKey Val=\"2\"/>", &ProgramSettings::AutoReadKey, false, nullptr},
        {"<AutoSetDefaultSettings Val=\"0\"/>", &ProgramSettings::AutoSetDefaultSettings, false, nullptr},
        {"<AutoSetDefaultSettings Val=\"yes\"/>", &ProgramSettings::AutoSetDefaultSettings, true,
         "Ошибка при обработке тега\r\n/ProgramSettings/AutoSetDefaultSettings"},
        {"<SavePass Val=\"\"/>", &ProgramSettings::SavePass, true, nullptr},
        {"<SavePass/>", &ProgramSettings::SavePass, true, nullptr},
        {"<SavePass Val=\"-1\"/><SavePass Val=\"0\"/>", &ProgramSettings::SavePass, false, nullptr},
        {"<AutoWriteKey Val=\"+1\"/>", &ProgramSettings::AutoWriteKey, true, nullptr},
        {"<AutoWriteKey Val=\"1 \"/>", &ProgramSettings::AutoWriteKey, false,
         "Ошибка при обработке тега\r\n/ProgramSettings/AutoWriteKey"},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.Read(Doc(Settings(c.inner)));
        EXPECT_EQ(f.s.*c.flag, c.flagValue) << c.inner;
        if (c.message)
            EXPECT_EQ(f.host.messages, std::vector<std::string>{c.message}) << c.inner;
        else
            EXPECT_TRUE(f.host.messages.empty()) << c.inner;
    }
}

TEST(ConfigReader, IntegerErrorsKeepTheOldValueAndReadingGoesOn) {
    Fixture f;
    f.Read(Doc(Settings("<CircleFind Val=\"x1\"/><CircleFind Val=\"9\"/><SavePass Val=\"0\"/>"
                        "<ComPortSettings><NComPort Val=\"99999999999\"/><TailinUS Val=\"7\"/></ComPortSettings>")));
    EXPECT_EQ(f.host.messages, (std::vector<std::string>{"Ошибка при обработке тега\r\n/ProgramSettings/CircleFind",
                                                         "Ошибка при обработке тега\r\n/ProgramSettings/ComPortSettings/NComPort"}));
    EXPECT_EQ(f.s.CircleFind, 30);  // only the first element counts
    EXPECT_FALSE(f.s.SavePass);
    EXPECT_EQ(f.s.NComPort, 1);
    EXPECT_EQ(f.s.TailinUS, 7);
}

TEST(ConfigReader, StandPassTakesAnyNonEmptyText) {
    struct Case {
        const char* val;
        TCode pass;
    };
    const Case cases[] = {{"0A1B2C3D4E", {0x0A, 0x1B, 0x2C, 0x3D, 0x4E}},
                          {"0a1b2c3d4e", {0x00, 0x10, 0x20, 0x30, 0x40}},
                          {"123", EmptyCode},
                          {"", FactoryPass}};
    for (const Case& c : cases) {
        Fixture f;
        f.Read(Doc(Settings(std::string("<StandPass Val=\"") + c.val + "\"/>")));
        EXPECT_EQ(f.s.StandPass, c.pass) << c.val;
    }
}

TEST(ConfigReader, PortBlockIsBroughtIntoRangeAndHandedToTheSession) {
    Fixture f;
    f.g.AddDevice(4);
    f.g.AddDevice(2);
    f.Read(Doc(Settings("<CircleFind Val=\"60\"/><ComPortSettings><NComPort Val=\"0\"/><TOConstant Val=\"50000\"/>"
                        "<TOMultiplier Val=\"-3\"/><IntervalTO Val=\"5\"/><SmartPI Val=\"1\"/>"
                        "<TailinUS Val=\"40001\"/><MaxAttempt Val=\"300\"/></ComPortSettings>")));
    EXPECT_EQ(f.s.CircleFind, 50);
    EXPECT_EQ(f.s.NComPort, 1);
    EXPECT_EQ(f.s.TOConstant, 40000);
    EXPECT_EQ(f.s.TOMultiplier, 0);
    EXPECT_EQ(f.s.IntervalTO, 5);
    EXPECT_TRUE(f.s.SmartPI);
    EXPECT_EQ(f.s.TailinUS, 40000);
    EXPECT_EQ(f.s.MaxAttempt, 300);
    EXPECT_EQ(SessionMaxAttempt(f.s.MaxAttempt), 255);
    EXPECT_EQ(f.host.events, (std::vector<std::string>{"port", "present 2", "present 4"}));
    EXPECT_EQ(f.host.lastPort.CircleFind, 50);

    Fixture high;
    high.Read(Doc(Settings("<ComPortSettings/><CircleFind Val=\"60\"/>")));
    EXPECT_EQ(high.s.CircleFind, 50);
    EXPECT_EQ(high.s.NComPort, 1);
    Fixture port17;
    port17.Read(Doc(Settings("<ComPortSettings><NComPort Val=\"17\"/></ComPortSettings>")));
    EXPECT_EQ(port17.s.NComPort, 16);
}

TEST(ConfigReader, WithoutPortBlockTheSessionIsLeftAlone) {
    Fixture f;
    f.Read(Doc(Settings("<CircleFind Val=\"60\"/><NComPort Val=\"5\"/>")));
    EXPECT_EQ(f.s.CircleFind, 60);
    EXPECT_EQ(f.s.NComPort, 1);
    EXPECT_TRUE(f.host.events.empty());
}

TEST(ConfigReader, DifferentSpeedAsksOnce) {
    const std::string file = Doc(Settings("<PortBaudRate Val=\"19200\"/><CircleFind Val=\"5\"/>"),
                                 Devices("<Device Adr=\"7\" Name=\"a\"/>"));
    {
        Fixture f;  // No: nothing else applied
        f.host.answerYes = false;
        f.g.AddDevice(3);
        EXPECT_TRUE(f.Read(file));  // it parsed; the answer No is no damage
        EXPECT_EQ(f.host.events, (std::vector<std::string>{std::string("ask Внимание question ") + kTextSpeedQuestion}));
        EXPECT_EQ(f.s.PortBaudRate, 9600);
        EXPECT_EQ(f.s.CircleFind, 30);
        EXPECT_EQ(f.g.Count(), 1);
    }
    {
        Fixture f;  // Yes: the group holds only the file's devices
        f.g.AddDevice(3);
        f.g.SetState(0, dfOpened);
        f.g.Select(0);
        f.Read(file);
        ASSERT_EQ(f.host.events.size(), 3u);
        EXPECT_EQ(f.host.events[1], "discarded");
        EXPECT_EQ(f.host.events[2], "speed 19200");
        EXPECT_EQ(f.s.PortBaudRate, 19200);
        EXPECT_EQ(f.s.PrevBaudRate, 19200);
        EXPECT_EQ(f.s.CircleFind, 5);
        EXPECT_EQ(f.g.Count(), 1);
        EXPECT_EQ(f.g.IndexOfAdr(7), 0);
        EXPECT_EQ(f.g.Selected(), NoDevice);
    }
    {
        Fixture f;  // same speed, or one not offered by the dialog: no question
        f.s.PortBaudRate = 1200;
        f.Read(Doc(Settings("<PortBaudRate Val=\"1200\"/>")));
        EXPECT_TRUE(f.host.events.empty());
        EXPECT_EQ(f.s.PortBaudRate, 1200);
    }
}

TEST(ConfigReader, DevicesAddressesAndNames) {
    Fixture f;
    f.Read(Doc(Settings(""),
               Devices("<Device Adr=\"0\" Name=\"zero\"/><Device Adr=\"255\"/><Device Adr=\"257\"/>"
                       "<Device Adr=\"x\" Name=\"bad\"/><Device Name=\"none\"/>"
                       "<Device Adr=\"12\" Name=\"\"/><Device Adr=\"3\" Name=\"\xC2\xF5\xEE\xE4 &amp; &#34;A&#34;\"/>"
                       "<Device Adr=\"12\" Name=\"again\"/><Other Adr=\"9\"/>")));
    EXPECT_EQ(f.host.messages, std::vector<std::string>{"Ошибка при обработке тега\r\n/Devices/Device[3]"});
    ASSERT_EQ(f.g.Count(), 2);
    std::string name;
    f.g.GetName(0, name);
    EXPECT_EQ(name, "Вход &amp; \"A\"");
    f.g.GetName(1, name);
    EXPECT_EQ(name, "");
    for (DevIndex i = 0; i < 2; ++i) {
        EXPECT_FALSE(f.g.GetState(i, dfConnected));
        EXPECT_TRUE(f.g.GetState(i, dfInGroup));
        TCode pass{};
        f.g.GetPass(i, pass);
        EXPECT_EQ(pass, FactoryPass);  // no password in the file: the common one
    }
}

TEST(ConfigReader, KnownDevicesTakeOnlyAPasswordUnlessOpened) {
    Fixture f;
    f.g.AddDevice(1);
    f.g.AddDevice(2);
    f.g.AddDevice(3);
    f.g.SetState(0, dfOpened);
    const TCode start = {9, 9, 9, 9, 9};
    for (DevIndex i = 0; i < 3; ++i) f.g.SetPass(i, start);
    const std::string pass = "<Configuration><Pass Val=\"0102030405\"/></Configuration>";
    f.Read(Doc("", Devices("<Device Adr=\"1\" Name=\"n\">" + pass + "</Device>"
                           "<Device Adr=\"2\" Name=\"n\">" + pass + "<Cards><Card Pos=\"1\" Code=\"0000000001\"/></Cards></Device>"
                           "<Device Adr=\"3\" Name=\"n\"><Configuration><Pass Val=\"\"/></Configuration></Device>")));
    TCode p{};
    std::string name;
    f.g.GetPass(0, p);
    EXPECT_EQ(p, start);
    EXPECT_FALSE(f.g.GetState(0, dfInGroup));
    f.g.GetPass(1, p);
    EXPECT_EQ(p, (TCode{1, 2, 3, 4, 5}));
    EXPECT_TRUE(f.g.GetState(1, dfInGroup));
    EXPECT_TRUE(f.g.GetState(1, dfConnected));
    f.g.GetName(1, name);
    EXPECT_EQ(name, "Прибор: 2");
    EXPECT_EQ(f.g.GetDevice(1, nullptr)->UserCount(), 0);
    f.g.GetPass(2, p);
    EXPECT_EQ(p, start);
    EXPECT_FALSE(f.g.GetState(2, dfInGroup));
}

TEST(ConfigReader, CardsOfANewDevice) {
    Fixture f;
    f.Read(Doc("", Devices("<Device Adr=\"8\" Name=\"d\"><Configuration><Pass Val=\"AABBCCDDEE\"/></Configuration><Cards>"
                           "<Card Pos=\"5\" Code=\"0102030405\" User=\"\xC8\xE2\xE0\xED\"/>"
                           "<Card Pos=\"5\" Code=\"0a0b0c0d0e\" User=\"dup\"/>"
                           "<Card Pos=\"1001\" Code=\"1111111111\"/>"
                           "<Card Pos=\"1010\" Code=\"1111111111\"/>"
                           "<Card Pos=\"65541\" Code=\"1111111111\"/>"
                           "<Card Pos=\"-1\" Code=\"1111111111\"/>"
                           "<Card Code=\"1111111111\"/>"
                           "<Card Pos=\"7x\" Code=\"1111111111\"/>"
                           "<Card Pos=\"6\" Code=\"12345\" User=\"a&#9;b\"/>"
                           "</Cards><Cards><Card Pos=\"9\"/></Cards></Device>"
                           "<Device Adr=\"9\"><Cards/></Device>")));
    EXPECT_EQ(f.host.messages, std::vector<std::string>{"Ошибка при обработке тега\r\n/Devices/Device[0]/Cards/Card[7]"});
    const TConfPelko* d = f.g.GetDevice(0, nullptr);
    EXPECT_EQ(d->Pass, (TCode{0xAA, 0xBB, 0xCC, 0xDD, 0xEE}));
    ASSERT_EQ(d->UserCount(), 3);
    EXPECT_EQ(d->UserCards()[0].User, "Иван");
    EXPECT_EQ(d->UserCards()[1].Code, (TCode{0, 0, 0, 0, 0}));  // lower case counts 0
    EXPECT_EQ(d->UserCards()[1].Pos, 5);
    EXPECT_EQ(d->UserCards()[2].Code, EmptyCode);
    EXPECT_EQ(d->UserCards()[2].User, "a\tb");
    ASSERT_EQ(d->MasterCount(), 1);
    EXPECT_EQ(d->MasterCards()[0].Pos, 1001);
    EXPECT_EQ(d->MasterCards()[0].User, "");
    EXPECT_EQ(f.g.GetDevice(1, nullptr)->UserCount(), 0);
}

// Each parameter of a device new from the file lands in its field; a known
// device takes none.
TEST(ConfigReader, ParametersOfANewDevice) {
    struct Value {
        const char* text;  // "max": the field's largest value; "over": two more, which cut to the field is 1
        int flag, wide;    // expected in a one-bit and in a wider field; -1: largest
    };
    const Value values[] = {{"1", 1, 1},    {"0", 0, 0},    {"2", 0, 2}, {"-1", 0, 0}, {"max", 1, -1},
                            {"16", 0, 0},   {"over", 0, 0}, {"x", 0, 0}, {"", 0, 0}};
    for (const FileParameter& p : kFileParameters) {
        const int largest = (1 << p.field.width) - 1;
        for (const Value& v : values) {
            const std::string name = v.text;
            const std::string text = name == "max"    ? std::to_string(largest)
                                     : name == "over" ? std::to_string(largest + 2)
                                                      : name;
            const std::string conf =
                std::string("><Configuration><") + p.name + " Val=\"" + text + "\"/></Configuration></Device>";
            Fixture f;
            f.g.AddDevice(3);
            EXPECT_TRUE(f.Read(Doc("", Devices("<Device Adr=\"3\"" + conf + "<Device Adr=\"4\"" + conf))));
            TDevConfig want{0, 0, 4, 0, 0};
            SetField(want, p.field, static_cast<unsigned>(p.field.width == 1 ? v.flag : v.wide < 0 ? largest : v.wide));
            EXPECT_EQ(f.g.GetDevice(1, nullptr)->Config, want) << p.name << "=" << text;
            EXPECT_EQ(f.g.GetDevice(0, nullptr)->Config, (TDevConfig{0, 0, 3, 0, 0})) << p.name;
            if (text == "x")
                EXPECT_EQ(f.host.messages, std::vector<std::string>{"Ошибка при обработке тега\r\n"
                                                                    "/Devices/Device[1]/Configuration/" +
                                                                    std::string(p.name)});
            else
                EXPECT_TRUE(f.host.messages.empty()) << p.name << "=" << text;
        }
    }
}

TEST(ConfigReader, OversizedFilesStayWithinTheModelsLimits) {
    std::string devices;
    for (int a = 1; a <= 300; ++a) devices += "<Device Adr=\"" + std::to_string(a) + "\"/>";
    std::string cards = "<Device Adr=\"1\"><Cards>";
    for (int j = 0; j < 70000; ++j) cards += "<Card Pos=\"" + std::to_string(j % 1010) + "\" Code=\"0102030405\"/>";
    cards += "</Cards></Device>";
    Fixture f;
    f.Read(Doc("", Devices(cards + devices)));
    EXPECT_TRUE(f.host.messages.empty());
    EXPECT_EQ(f.g.Count(), 254);
    EXPECT_EQ(f.g.GetDevice(0, nullptr)->UserCount(), kUserCells);
    EXPECT_EQ(f.g.GetDevice(0, nullptr)->MasterCount(), kMasterCells);
}

TEST(ConfigReader, ParseFileIntegerIsStrictDecimal) {
    const std::pair<const char*, bool> cases[] = {{"0", true},   {"-12", true}, {"+7", true},  {"2147483647", true},
                                                  {"2147483648", false}, {"", false}, {"-", false}, {"++1", false},
                                                  {" 1", false}, {"1.0", false}, {"0x10", false}, {"+-1", false}};
    for (auto [text, ok] : cases) {
        std::int32_t v = 0;
        EXPECT_EQ(ParseFileInteger(text, v), ok) << text;
    }
}

}  // namespace
}  // namespace pelko
