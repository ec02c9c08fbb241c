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

TEST(FileText, EncodesOnlyWhatTheFileCannotCarry) {
    struct Case {
        const char* utf8;
        const char* file;
    };
    const Case cases[] = {
        {"Иванов", "\xC8\xE2\xE0\xED\xEE\xE2"},
        {"say \"hi\"", "say &#34;hi&#34;"},
        {"A & B <c> 'd'", "A & B <c> 'd'"},
        {"a\r\nb\tc\x7F", "a\r\nb\tc\x7F"},
        {"\x1B[2J\x01", "&#27;[2J&#1;"},
        {"日本", "&#26085;&#26412;"},
        {"😀", "&#128512;"},
        {"€№", "\x88\xB9"},
        {"\xFF", "&#65533;"},
        // '&' only where the reader would take a reference
        {"&#34;&#9;&#26085;&#0;", "&#38;#34;&#38;#9;&#38;#26085;&#38;#0;"},
        {"&#38;#", "&#38;#38;#"},
        {"&#65;&#1040;&#x41;&#034;&#38;x&#38;", "&#65;&#1040;&#x41;&#034;&#38;x&#38;"},
        {"&#55296;&#1114112;&#", "&#55296;&#1114112;&#"},
    };
    for (const Case& c : cases) EXPECT_EQ(EncodeFileText(c.utf8), c.file) << c.utf8;
}

TEST(FileText, DecodesOnlyWrittenReferences) {
    struct Case {
        std::string file;
        std::string utf8;
    };
    const Case cases[] = {
        {"&#34;&#128512;&#38;#1;", "\"😀&#1;"},
        // control characters as earlier saves wrote them
        {"a&#9;b&#13;&#10;&#0;&#127;", std::string("a\tb\r\n\0\x7F", 7)},
        {"&#65;&#1040;&#152;&#x41;&#034;&#;&#12&#65 ;", "&#65;&#1040;&#152;&#x41;&#034;&#;&#12&#65 ;"},
        {"&#1114112;&#55296;&amp;&#38;&#38;x", "&#1114112;&#55296;&amp;&#38;&#38;x"},
        {"\xC0 &", "А &"},
    };
    for (const Case& c : cases) EXPECT_EQ(DecodeFileText(c.file), c.utf8) << c.file;
}

// Every string of up to five pieces.
template <std::size_t N, typename F>
void ForEachMix(const std::string (&pieces)[N], F&& check) {
    for (std::size_t code = 0; code < N * N * N * N * N; ++code) {
        std::string text;
        for (std::size_t c = code; c > 0; c /= N) text += pieces[c % N];
        check(text);
    }
}

// Mixes of the pieces that make references: a name comes back from its file
// text unchanged, and file text survives a load and a save byte for byte
// unless it holds a reference only earlier saves wrote ("&#9;", "&#38;#").
TEST(FileText, MixesOfReferencePiecesRoundTrip) {
    const std::string names[] = {"&", "#", "38", "34", "9", ";", "\"", "\t", "日", "Ж"};
    ForEachMix(names, [](const std::string& name) {
        ASSERT_EQ(DecodeFileText(EncodeFileText(name)), name) << name;
    });
    const std::string bytes[] = {"&", "#", "38", "34", "9", ";", "65", "\t", "\xC6"};
    ForEachMix(bytes, [](const std::string& file) {
        if (file.find("&#9;") != std::string::npos || file.find("&#38;#") != std::string::npos) return;
        ASSERT_EQ(EncodeFileText(DecodeFileText(file)), file) << file;
    });
}

TEST(FileText, AwkwardNamesAndParametersSurviveSaveAndLoad) {
    const std::string names[] = {
        "Дверь \"Склад\"", "a&b", "&#34;", "&#x41;", "x&#", "'одинарные'", "<тег/>", "line\r\nbreak\ttab",
        "日本語 😀", "", "   ", "€ ‰ № ©", std::string("nul\0inside", 10), "&quot;", "a/b>c",
        "&#9;&#65;", "&#38;#",
    };
    ProgramSettings s;
    TGroupDev g;
    std::uint8_t adr = 1;
    for (const std::string& n : names) {
        const DevIndex i = g.AddDevice(adr++);
        g.SetName(i, n);
        g.SetState(i, dfInGroup);
        // every bit the file carries, or a mix of them
        g.SetConfig(i, i % 2 ? TDevConfig{0x0F, 0x7F, 0, 0xFB, 0xFF} : TDevConfig{0x0E, 0x53, 0, 0xE9, 0x06});
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
        EXPECT_EQ(g2.GetDevice(i, nullptr)->Config, g.GetDevice(i, nullptr)->Config);
        EXPECT_FALSE(g2.GetState(i, dfParamsRead));
        ASSERT_EQ(g2.GetDevice(i, nullptr)->UserCount(), 1);
        EXPECT_EQ(g2.GetDevice(i, nullptr)->UserCards()[0].User, names[i] + "|user");
    }
    // A second save of what was read gives the same bytes.
    RecordingHost host3;
    EXPECT_EQ(SaveToFile(s2, g2, host3), file);
}

}  // namespace
}  // namespace pelko
