// The exchange log on a scripted line: one record per exchange, verdicts in order.
#include <gtest/gtest.h>

#include <vector>

#include "link/exchange_log.h"
#include "link/frame.h"
#include "link_fixture.h"

namespace pelko::test {
namespace {

using ExchangeLogTest = LinkFixture;

TEST_F(ExchangeLogTest, ScriptedRepliesGiveVerdictsInOrder) {
    const Bytes good = MakeAnswer(3, 0x21, {1, 2, 3, 4, 5});
    Bytes badCrc = good;
    badCrc.back() ^= 0xFF;
    const Bytes stray = MakeAnswer(9, 0x21, {1, 2, 3, 4, 5});
    const std::vector<std::vector<Bytes>> replies = {{good}, {badCrc}, {stray}, {}};
    int next = 0;
    bus->SetScript([&](const Bytes&) { return replies[next++ % replies.size()]; });
    auto log = std::make_shared<ExchangeLog>(3);  // one fewer than the exchanges
    session->SetExchangeLog(log);
    session->SetERUniqueButton(false);
    session->SetActive(true);
    const Bytes readCell17 = {3, 0x07, 0x20, 17, 0};
    Bytes answer;
    for (int i = 0; i < 4; ++i) session->SyncQuery(readCell17, answer);

    std::vector<ExchangeRecord> records;
    log->Drain(records);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(log->Dropped(), 1u);  // the oldest, the good answer, went
    const std::vector<Verdict> want = {Verdict::BadChecksum, Verdict::OtherAddress, Verdict::NoAnswer};
    for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i].verdict(), want[i]) << i;
        EXPECT_EQ(records[i].request, BuildFrame(readCell17));
        EXPECT_EQ(records[i].baud, 9600);
        ASSERT_EQ(records[i].attempts.size(), 1u);
    }
    EXPECT_EQ(records[0].attempts[0].received, badCrc);
    EXPECT_GT(records[0].attempts[0].roundTripUs, 0);
    EXPECT_TRUE(records[2].attempts[0].received.empty());
    EXPECT_EQ(CommandName(readCell17), "чтение ячейки 17");
    EXPECT_EQ(Classify(readCell17, good.data(), good.size()), Verdict::Ok);
}

}  // namespace
}  // namespace pelko::test

namespace pelko::test {
namespace {

// Every command with data of every length: the saved text of a login or a
// password change shows "**" for each password byte and nothing else of
// them; every other frame, and every other byte, reads as it was sent.
TEST(ExchangeLogMask, PasswordBytesAndOnlyThemAreMasked) {
    for (int cmd = 0; cmd < 256; ++cmd) {
        for (std::size_t dataLen = 0; dataLen <= 13; ++dataLen) {
            Bytes frame = {3, static_cast<std::uint8_t>(dataLen + 5), static_cast<std::uint8_t>(cmd)};
            for (std::size_t i = 0; i < dataLen; ++i) frame.push_back(static_cast<std::uint8_t>(0xA0 + i));
            frame.push_back(0x12);  // check bytes
            frame.push_back(0x34);
            const std::string plain = HexBytes(frame);
            const std::string masked = MaskedHexBytes(frame);
            ASSERT_EQ(masked.size(), plain.size());
            const std::size_t secret = cmd == 0x24 ? 5 : cmd == 0x26 ? 10 : 0;
            for (std::size_t i = 0; i < frame.size(); ++i) {
                const std::string byte = masked.substr(i * 3, 2);
                const bool hidden = i >= 3 && i < 3 + secret;
                EXPECT_EQ(byte, hidden ? "**" : plain.substr(i * 3, 2)) << "cmd " << cmd << " byte " << i;
            }
        }
    }
}

}  // namespace
}  // namespace pelko::test
