#include "config/file_text.h"

#include <gtest/gtest.h>

#include "config/config_reader.h"
#include "config/config_writer.h"
#include "config/cp1251.h"
#include "recording_host.h"

namespace pelko {
namespace {

TEST(Cp1251, EveryByteSurvivesTheTripThroughUtf8) {
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    const std::string utf8 = Cp1251ToUtf8(all);
    std::size_t pos = 0;
    std::string back;
    while (pos < utf8.size()) {
        const std::optional<std::uint8_t> b = UnicodeToCp1251(NextUtf8(utf8, pos));
        ASSERT_TRUE(b.has_value());
        back.push_back(static_cast<char>(*b));
    }
    EXPECT_EQ(back, all);
    EXPECT_EQ(Cp1251ToUtf8("\xC0\xFF\xA8\xB8\xB9\x88"), "АяЁё№€");
}

TEST(Cp1251, MalformedUtf8BecomesReplacementOneByteAtATime) {
    struct Case {
        std::string text;
        std::vector<char32_t> chars;
    };
    const Case cases[] = {
        {"a\xD0\x96", {'a', 0x416}},
        {"\xF0\x9F\x98\x80", {0x1F600}},
        {"\xC0\xAF", {kReplacementChar, kReplacementChar}},    // overlong '/'
        {"\xED\xA0\x80", {kReplacementChar, kReplacementChar, kReplacementChar}},  // surrogate
        {"\xE2\x82", {kReplacementChar, kReplacementChar}},    // cut short
        {"\xFF", {kReplacementChar}},
    };
    for (const Case& c : cases) {
        std::vector<char32_t> got;
        for (std::size_t pos = 0; pos < c.text.size();) got.push_back(NextUtf8(c.text, pos));
        EXPECT_EQ(got, c.chars);
    }
}

TEST(FileText, EncodesWhatTheFileCannotCarry) {
    struct Case {
        const char* utf8;
        const char* file;
    };
    const Case cases[] = {
        {"Иванов", "\xC8\xE2\xE0\xED\xEE\xE2"},
        {"say \"hi\"", "say &#34;hi&#34;"},
        {"A & B <c> 'd'", "A & B <c> 'd'"},
        {"&#65;", "&#38;#65;"},
        {"a\r\nb\tc", "a&#13;&#10;b&#9;c"},
        {"日本", "&#26085;&#26412;"},
        {"😀", "&#128512;"},
        {"€№", "\x88\xB9"},
        {"\xFF", "&#65533;"},
    };
    for (const Case& c : cases) EXPECT_EQ(EncodeFileText(c.utf8), c.file) << c.utf8;
}

TEST(FileText, DecodesReferencesAndKeepsLookAlikes) {
    struct Case {
        std::string file;
        std::string utf8;
    };
    const Case cases[] = {
        {"&#34;&#x41;&#X42;&#0;x", std::string("\"AB\0x", 5)},
        {"&#;&#x;&#12&#65 ;&#xZ;", "&#;&#x;&#12&#65 ;&#xZ;"},
        {"&#1114112;&#55296;", "&#1114112;&#55296;"},
        {"&amp;&#38;", "&amp;&"},
        {"\xC0 &", "А &"},
    };
    for (const Case& c : cases) EXPECT_EQ(DecodeFileText(c.file), c.utf8) << c.file;
}

TEST(FileText, AwkwardNamesAndUsersSurviveSaveAndLoad) {
    const std::string names[] = {
        "Дверь \"Склад\"", "a&b", "&#34;", "&#x41;", "x&#", "'одинарные'", "<тег/>", "line\r\nbreak\ttab",
        "日本語 😀", "", "   ", "€ ‰ № ©", std::string("nul\0inside", 10), "&quot;", "a/b>c",
    };
    ProgramSettings s;
    TGroupDev g;
    std::uint8_t adr = 1;
    for (const std::string& n : names) {
        const DevIndex i = g.AddDevice(adr++);
        g.SetName(i, n);
        g.SetState(i, dfInGroup);
        g.GetDevice(i, nullptr)->AddCard(3, {1, 2, 3, 4, 5}, n + "|user");
    }
    RecordingHost host;
    const std::string file = SaveToFile(s, g, host);

    ProgramSettings s2;
    TGroupDev g2;
    RecordingHost host2;
    ReadFromFile(file, s2, g2, host2);
    EXPECT_TRUE(host2.messages.empty());
    ASSERT_EQ(g2.Count(), g.Count());
    for (DevIndex i = 0; i < g.Count(); ++i) {
        std::string name;
        g2.GetName(i, name);
        EXPECT_EQ(name, names[i]);
        ASSERT_EQ(g2.GetDevice(i, nullptr)->UserCount(), 1);
        EXPECT_EQ(g2.GetDevice(i, nullptr)->UserCards()[0].User, names[i] + "|user");
    }
    // A second save of what was read gives the same bytes.
    RecordingHost host3;
    EXPECT_EQ(SaveToFile(s2, g2, host3), file);
}

}  // namespace
}  // namespace pelko
