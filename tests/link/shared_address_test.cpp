// Two controllers at one address: only a collision that repeats itself on
// every attempt names the address, and only once.
#include "link/shared_address.h"

#include <gtest/gtest.h>

#include "fake_line.h"
#include "link/frame.h"

namespace pelko::test {
namespace {

ExchangeRecord Login(std::uint8_t adr, const std::vector<Bytes>& answers) {
    ExchangeRecord r;
    r.request = BuildFrame({adr, 0x0A, 0x24, 0x11, 0x22, 0x33, 0x44, 0x55});
    for (const Bytes& a : answers) r.attempts.push_back({a, Classify(r.request, a.data(), a.size()), 0, 0});
    return r;
}

TEST(SharedAddress, OnlyTheSameGarbleOnEveryAttemptNamesTheAddress) {
    const Bytes yes = MakeAnswer(1, 0x25, {0xFF}), no = MakeAnswer(1, 0x25, {0x00});
    Bytes both = yes;  // the wire's AND of the two
    for (std::size_t i = 0; i < both.size(); ++i) both[i] &= no[i];
    Bytes noise = yes;
    noise[4] ^= 0x10;
    Bytes otherAdr = both;
    otherAdr[0] = 2;
    Bytes otherCmd = both;
    otherCmd[2] = 0x21;
    struct Case {
        const char* what;
        std::vector<Bytes> answers;
        bool named;
    };
    const Case cases[] = {
        {"collision on all three", {both, both, both}, true},
        {"collision on both of two", {both, both}, true},
        {"one attempt only", {both}, false},
        {"collision, then an answer", {both, both, yes}, false},
        {"noise that differs", {both, noise, both}, false},
        {"silence between", {both, {}, both}, false},
        {"another address", {otherAdr, otherAdr, otherAdr}, false},
        {"another command", {otherCmd, otherCmd, otherCmd}, false},
        {"refused every time", {no, no, no}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SharedAddressWatch watch;
        watch.Observe(Login(1, c.answers));
        const std::vector<std::uint8_t> named = watch.TakeNew();
        EXPECT_EQ(named, c.named ? std::vector<std::uint8_t>{1} : std::vector<std::uint8_t>{});
        if (!c.named) continue;
        EXPECT_EQ(watch.Text(1),
                  "на запрос к адресу 1 («вход») всякий раз приходит один и тот же искажённый ответ: "
                  "похоже, адрес 1 у двух приборов и их ответы сталкиваются — дайте одному из них "
                  "другой адрес");
        // Said once, however often the line shows it again.
        watch.Observe(Login(1, c.answers));
        EXPECT_TRUE(watch.TakeNew().empty());
    }
}

}  // namespace
}  // namespace pelko::test
