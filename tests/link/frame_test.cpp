// Checksum, framing and the acceptance rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "link/frame.h"

namespace pelko {
namespace {

Bytes Ascii(const std::string& s) { return Bytes(s.begin(), s.end()); }

TEST(Crc16, CheckValues) {
    EXPECT_EQ(Crc16(Ascii("123456789")), 0x31C3);
    EXPECT_EQ(Crc16(Ascii("abc")), 0x9DD6);
    EXPECT_EQ(Crc16(Bytes{}), 0x0000);
}

TEST(Crc16, TableMatchesTheBitwiseDefinition) {
    // The register updated bit by bit, byte after byte.
    auto bitwise = [](const Bytes& data) {
        std::uint16_t c = 0;
        for (std::uint8_t b : data) {
            auto t = static_cast<std::uint16_t>(((c >> 8) ^ b) << 8);
            for (int i = 0; i < 8; ++i) t = static_cast<std::uint16_t>(t & 0x8000 ? (t << 1) ^ 0x1021 : t << 1);
            c = static_cast<std::uint16_t>(t ^ (c << 8));
        }
        return c;
    };
    Bytes data;
    for (int i = 0; i < 300; ++i) {
        data.push_back(static_cast<std::uint8_t>(i * 37 + 11));
        ASSERT_EQ(Crc16(data), bitwise(data)) << "length " << data.size();
    }
}

TEST(Frame, FixedFramesForAddressOne) {
    EXPECT_EQ(BuildFrame(ProbeBody(1)), (Bytes{0x01, 0x05, 0xFE, 0xC6, 0x14}));
    EXPECT_EQ(BuildFrame(CardPollBody(1)), (Bytes{0x01, 0x05, 0x02, 0xE8, 0x87}));
    EXPECT_EQ(BuildFrame(ButtonPollBody(1)), (Bytes{0x01, 0x05, 0x72, 0x96, 0x10}));
}

TEST(Frame, BodyIsKeptAsSuppliedAndChecksumAppendedHighFirst) {
    const Bytes body{0x07, 0x63, 0x20, 0xF1, 0x03};  // wrong length byte: not corrected
    const Bytes frame = BuildFrame(body);
    ASSERT_EQ(frame.size(), body.size() + 2);
    EXPECT_TRUE(std::equal(body.begin(), body.end(), frame.begin()));
    const std::uint16_t crc = Crc16(body);
    EXPECT_EQ(frame[5], crc >> 8);
    EXPECT_EQ(frame[6], crc & 0xFF);
}

TEST(Frame, FailureAnswerIsSixZeroBytes) {
    EXPECT_EQ(FailureAnswer(), Bytes(6, 0));
    EXPECT_TRUE(IsFailureAnswer(Bytes(6, 0)));
    EXPECT_FALSE(IsFailureAnswer(Bytes(5, 0)));
    EXPECT_FALSE(IsFailureAnswer(Bytes(7, 0)));
    EXPECT_FALSE(IsFailureAnswer(Bytes{0, 0, 0, 0, 0, 1}));
}

// Answer with a valid checksum; the length byte is whatever the caller gives.
Bytes Answer(std::uint8_t adr, std::uint8_t len, std::uint8_t cmd, const Bytes& data) {
    Bytes body(3 + data.size());
    body[0] = adr;
    body[1] = len;
    body[2] = cmd;
    std::copy(data.begin(), data.end(), body.begin() + 3);
    return BuildFrame(body);
}

Bytes Valid(std::uint8_t cmd, const Bytes& data) {
    return Answer(1, static_cast<std::uint8_t>(data.size() + 5), cmd, data);
}

TEST(AcceptAnswer, Rules) {
    const Bytes cardPoll = CardPollBody(1);
    Bytes badCrc = Valid(0x03, {0x01});
    badCrc[badCrc.size() - 2] ^= 0x80;
    struct Case {
        const char* name;
        Bytes request;
        Bytes answer;
        bool accepted;
    };
    const std::vector<Case> cases = {
        {"one data byte", cardPoll, Valid(0x03, {0x01}), true},
        {"eleven data bytes (16 in all)", cardPoll, Valid(0x03, Bytes(11, 0x01)), true},
        {"no data byte", cardPoll, Valid(0x03, {}), false},
        {"seventeen bytes", cardPoll, Valid(0x03, Bytes(12, 0x01)), false},
        {"empty", cardPoll, {}, false},
        {"length byte too big", cardPoll, Answer(1, 7, 0x03, {0x01}), false},
        {"length byte too small", cardPoll, Answer(1, 5, 0x03, {0x01}), false},
        {"checksum wrong", cardPoll, badCrc, false},
        {"echo of the request command", cardPoll, Valid(0x02, {0x01}), false},
        {"command plus two", cardPoll, Valid(0x04, {0x01}), false},
        {"only data byte 0x22", cardPoll, Valid(0x03, {0x22}), false},
        {"only data byte 0x21", cardPoll, Valid(0x03, {0x21}), true},
        {"0x22 not last", cardPoll, Valid(0x03, {0x22, 0x00}), true},
        // Only the single byte is the busy answer: one code in 256 ends in 0x22.
        {"cell code ending in 0x22", Bytes{1, 7, 0x20, 5, 0}, Valid(0x21, {0x12, 0x34, 0x56, 0x78, 0x22}), true},
        {"card code ending in 0x22 and its last byte", cardPoll, Valid(0x03, {1, 2, 3, 4, 0x22, 0x22}), true},
        {"another address", cardPoll, Answer(9, 6, 0x03, {0x01}), true},
        {"command 0xFF is never answered", Bytes{1, 5, 0xFF}, Valid(0x00, {0x01}), false},
        {"request shorter than three bytes", Bytes{1, 5}, Valid(0x01, {0x01}), false},
        {"failure answer", cardPoll, FailureAnswer(), false},
    };
    for (const Case& c : cases) EXPECT_EQ(AcceptAnswer(c.request, c.answer), c.accepted) << c.name;
}

}  // namespace
}  // namespace pelko
