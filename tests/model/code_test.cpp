#include "model/code.h"

#include <gtest/gtest.h>

namespace pelko {
namespace {

struct TextCase {
    const char* text;
    TCode code;
};

TEST(CodeText, TextToCodeReadsPairsAndIgnoresStrangeDigits) {
    const TextCase cases[] = {
        {"0123456789", {0x01, 0x23, 0x45, 0x67, 0x89}},
        {"0A1B2C3D4E", {0x0A, 0x1B, 0x2C, 0x3D, 0x4E}},
        {"FFFFFFFFFF", {0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
        {"ab12cd34ef", {0x00, 0x12, 0x00, 0x34, 0x00}},   // lower case counts 0
        {"G1 2Z30000", {0x01, 0x02, 0x03, 0x00, 0x00}},   // any other character counts 0
        {"1122334455EXTRA", {0x11, 0x22, 0x33, 0x44, 0x55}},  // characters after the tenth ignored
        {"123456789", {0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},     // nine characters: empty code
        {"", {0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
    };
    for (const auto& c : cases) EXPECT_EQ(TextToCode(c.text), c.code) << c.text;
}

TEST(CodeText, CodeToTextIsTenCapitalDigitsAndRoundTrips) {
    EXPECT_EQ(CodeToText({0x0A, 0x1B, 0x2C, 0x3D, 0x4E}), "0A1B2C3D4E");
    EXPECT_EQ(CodeToText(EmptyCode), "FFFFFFFFFF");
    EXPECT_EQ(CodeToText(ZeroCode), "0000000000");
    for (int b = 0; b < 256; ++b) {
        const TCode code = {static_cast<std::uint8_t>(b), 0, static_cast<std::uint8_t>(255 - b), 7, 0x80};
        EXPECT_EQ(TextToCode(CodeToText(code)), code);
    }
}

TEST(CodeText, SameCodeComparesAllFiveBytes) {
    EXPECT_TRUE(SameCode(FactoryPass, TCode{0x11, 0x22, 0x33, 0x44, 0x55}));
    for (std::size_t i = 0; i < 5; ++i) {
        TCode other = FactoryPass;
        other[i] ^= 1;
        EXPECT_FALSE(SameCode(FactoryPass, other)) << i;
    }
}

}  // namespace
}  // namespace pelko
