#include "config/config_writer.h"

#include <gtest/gtest.h>

#include "recording_host.h"

namespace pelko {
namespace {

const char kSettingsPart[] =
    "<?xml version=\"1.0\" encoding=\"windows-1251\" ?>\r\n"
    "<XDOC>\r\n"
    "<ProgramSettings>\r\n"
    "  <PortBaudRate  Val=\"9600\" />\r\n"
    "  <StandPass  Val=\"1122334455\" />\r\n"
    "  <AutoReadKey  Val=\"0\" />\r\n"
    "  <AutoWriteKey  Val=\"0\" />\r\n"
    "  <AutoSetDefaultSettings  Val=\"1\" />\r\n"
    "  <CircleFind  Val=\"30\" />\r\n"
    "  <SavePass  Val=\"1\" />\r\n"
    "  <ComPortSettings>\r\n"
    "    <NComPort Val=\"1\" />\r\n"
    "    <TOConstant Val=\"120\" />\r\n"
    "    <TOMultiplier Val=\"1\" />\r\n"
    "    <IntervalTO Val=\"0\" />\r\n"
    "    <SmartPI Val=\"0\" />\r\n"
    "    <TailinUS Val=\"400\" />\r\n"
    "    <MaxAttempt Val=\"3\" />\r\n"
    "  </ComPortSettings>\r\n"
    "</ProgramSettings>\r\n";

std::string DeviceBlock(const char* adr, const char* name, const char* params, const char* cards) {
    return std::string("  <Device Adr=\"") + adr + "\" Name=\"" + name + "\" >\r\n" +
           "    <Configuration>\r\n" + params + "    </Configuration>\r\n" + cards + "  </Device>\r\n";
}

std::string Params(const char* pass, const int v[14]) {
    const char* names[] = {"ReaderGain", "AutomaticLogOut", "CheckCardMemoryAllTime", "UARTSpeed",
                           "SomeIDuartSend", "BaseIDuartSend", "UartRepeat", "BuzzerMode", "BuzzerRepeat",
                           "BuzzerDelay", "RelayMode", "RelayNCNO", "RelayRepeat", "RelayDelay"};
    std::string out = std::string("      <Pass Val=\"") + pass + "\" />\r\n";
    for (int i = 0; i < 14; ++i) out += std::string("      <") + names[i] + " Val=\"" + std::to_string(v[i]) + "\" />\r\n";
    return out;
}

TEST(ConfigWriter, EmptyGroupWritesOnlyTheSettings) {
    ProgramSettings s;
    TGroupDev g;
    RecordingHost host;
    const std::string doc = SaveToFile(s, g, host);
    EXPECT_EQ(doc, std::string(kSettingsPart) + "</XDOC>");
    EXPECT_EQ(doc.back(), '>');
    EXPECT_TRUE(host.events.empty());
}

TEST(ConfigWriter, SettingsValuesAreWrittenAsTheyStand) {
    ProgramSettings s;
    s.PortBaudRate = 1200;
    s.StandPass = {0x0A, 0x1B, 0x2C, 0x3D, 0x4E};
    s.AutoReadKey = true;
    s.SmartPI = true;
    s.CircleFind = -5;
    TGroupDev g;
    RecordingHost host;
    const std::string doc = SaveToFile(s, g, host);
    for (const char* line : {"  <PortBaudRate  Val=\"1200\" />\r\n", "  <StandPass  Val=\"0A1B2C3D4E\" />\r\n",
                             "  <AutoReadKey  Val=\"1\" />\r\n", "    <SmartPI Val=\"1\" />\r\n",
                             "  <CircleFind  Val=\"-5\" />\r\n"})
        EXPECT_NE(doc.find(line), std::string::npos) << line;
}

TEST(ConfigWriter, DevicesInGroupWithParametersAndCards) {
    ProgramSettings s;
    TGroupDev g;
    g.AddDevice(20);
    g.AddDevice(5);
    g.AddDevice(9);
    g.SetState(0, dfInGroup);
    g.SetState(2, dfInGroup);
    // byte 0: gain 2, log-out, memory check; byte 1: speed 3, any, memory, repeat, bit 7;
    // byte 3: mode 1, bit 2 (not written), repeat, delay 14; byte 4: mode 2, NC, repeat, delay 15
    g.SetConfig(0, {0x0E, 0xF3, 0, 0xED, 0xFE});
    g.SetPass(0, {0xDE, 0xAD, 0xBE, 0xEF, 0x01});
    g.SetName(0, "Вход");
    TConfPelko* d5 = g.GetDevice(0, nullptr);
    d5->AddCard(1003, {1, 2, 3, 4, 5}, "Мастер");
    d5->AddCard(7, {0xAA, 0xBB, 0xCC, 0xDD, 0xEE}, "Иванов И.И.");
    d5->AddCard(2, ZeroCode, "");
    TConfPelko* d20 = g.GetDevice(2, nullptr);
    d20->AddCard(1009, EmptyCode, "m");
    RecordingHost host;
    const std::string doc = SaveToFile(s, g, host);

    const int p5[14] = {2, 1, 1, 3, 1, 1, 1, 1, 1, 14, 2, 1, 1, 15};
    const int p20[14] = {};
    const std::string expected =
        std::string(kSettingsPart) + "<Devices>\r\n" +
        DeviceBlock("5", "\xC2\xF5\xEE\xE4", Params("DEADBEEF01", p5).c_str(),
                    "    <Cards>\r\n"
                    "      <Card Pos=\"7\" Code=\"AABBCCDDEE\" User=\"\xC8\xE2\xE0\xED\xEE\xE2 \xC8.\xC8.\"/>\r\n"
                    "      <Card Pos=\"2\" Code=\"0000000000\" User=\"\"/>\r\n"
                    "      <Card Pos=\"1003\" Code=\"0102030405\" User=\"\xCC\xE0\xF1\xF2\xE5\xF0\"/>\r\n"
                    "    </Cards>\r\n") +
        DeviceBlock("20", "\xCF\xF0\xE8\xE1\xEE\xF0: 20", Params("0000000000", p20).c_str(),
                    "    <Cards>\r\n"
                    "      <Card Pos=\"1009\" Code=\"FFFFFFFFFF\" User=\"m\"/>\r\n"
                    "    </Cards>\r\n") +
        "</Devices>\r\n</XDOC>";
    EXPECT_EQ(doc, expected);
    EXPECT_TRUE(host.events.empty());
    EXPECT_FALSE(g.GetState(1, dfInGroup));
}

TEST(ConfigWriter, WithNobodyInTheGroupEveryDeviceJoinsAndStays) {
    ProgramSettings s;
    TGroupDev g;
    g.AddDevice(1);
    g.AddDevice(2);
    RecordingHost host;
    const std::string doc = SaveToFile(s, g, host);
    EXPECT_EQ(host.events, std::vector<std::string>{"marked"});
    EXPECT_TRUE(g.GetState(0, dfInGroup));
    EXPECT_TRUE(g.GetState(1, dfInGroup));
    EXPECT_NE(doc.find("<Device Adr=\"1\""), std::string::npos);
    EXPECT_NE(doc.find("<Device Adr=\"2\""), std::string::npos);
    EXPECT_EQ(doc.find("<Cards>"), std::string::npos);  // no cards, no Cards element
}

}  // namespace
}  // namespace pelko
