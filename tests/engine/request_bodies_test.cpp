// The bytes the engine puts on the line and how it reads the answers.
#include <gtest/gtest.h>

#include "engine/request_bodies.h"
#include "link/frame.h"

namespace pelko {
namespace {

TEST(RequestBodies, PrebuiltBodiesBeforeAnyPatch) {
    const TRequestBodies r;
    EXPECT_EQ(r.LoginRequest, (Bytes{0, 0x0A, 0x24, 0, 0, 0, 0, 0}));
    EXPECT_EQ(r.WriteCardRequest, (Bytes{0, 0x0C, 0x22, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(r.ChangePassRequest, (Bytes{0, 0x0F, 0x26, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(r.ReadCardRequest, (Bytes{0, 0x07, 0x20, 0, 0}));
    EXPECT_EQ(r.WriteConfigRequest, (Bytes{0, 0x0A, 0x34, 0, 0, 0, 0, 0}));
    EXPECT_EQ(r.ProbeRequest, (Bytes{0, 0x05, 0xFE}));
    EXPECT_EQ(r.ReadConfigRequest, (Bytes{0, 0x05, 0x36}));
}

TEST(RequestBodies, FrameLengthByteCountsTheChecksum) {
    TRequestBodies r;
    for (const Bytes* b : {&r.LoginRequest, &r.WriteCardRequest, &r.ChangePassRequest, &r.ReadCardRequest,
                           &r.WriteConfigRequest, &r.ProbeRequest, &r.ReadConfigRequest, &r.ResetRequest})
        EXPECT_EQ((*b)[1], b->size() + 2);
}

TEST(RequestBodies, PatchesAddressAndDataInPlace) {
    TRequestBodies r;
    EXPECT_EQ(r.ReadCard(7, 1009), (Bytes{7, 0x07, 0x20, 0xF1, 0x03}));
    EXPECT_EQ(r.ReadCard(7, 1000), (Bytes{7, 0x07, 0x20, 0xE8, 0x03}));
    EXPECT_EQ(r.WriteCard(9, 258, {1, 2, 3, 4, 5}), (Bytes{9, 0x0C, 0x22, 2, 1, 1, 2, 3, 4, 5}));
    EXPECT_EQ(r.WriteCard(9, 0, EmptyCode), (Bytes{9, 0x0C, 0x22, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(r.Login(3, {0x11, 0x22, 0x33, 0x44, 0x55}), (Bytes{3, 0x0A, 0x24, 0x11, 0x22, 0x33, 0x44, 0x55}));
    EXPECT_EQ(r.ChangePass(4, {1, 2, 3, 4, 5}, {6, 7, 8, 9, 10}),
              (Bytes{4, 0x0F, 0x26, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(r.WriteConfig(5, DefaultConfig(5)), (Bytes{5, 0x0A, 0x34, 0x0F, 0x03, 5, 0x10, 0xA9}));
    EXPECT_EQ(r.Reset(12), (Bytes{12, 0x0A, 0x28, 'r', 'e', 's', 'e', 't'}));
    EXPECT_EQ(r.Probe(254), (Bytes{254, 0x05, 0xFE}));
}

TEST(RequestBodies, SpeedCodes) {
    const std::pair<int, int> table[] = {{2400, 1}, {4800, 2}, {9600, 3}, {19200, 4},
                                         {38400, 5}, {57600, 6}, {115200, 7}, {1200, 0}};
    for (auto [baud, code] : table) EXPECT_EQ(SpeedCode(baud), code) << baud;
    TDevConfig block{0, 0xB3, 0, 0, 0};
    PutSpeedCode(block, 115200);
    EXPECT_EQ(block[1], 0xB7);  // the flags of the high nibble stay
}

TEST(Answer, FailureAndShortAnswers) {
    EXPECT_TRUE(TAnswer(FailureAnswer()).Failure);
    EXPECT_TRUE(TAnswer(Bytes{}).Failure);
    const Bytes login = BuildFrame({3, 6, 0x25, 0xFF});
    const TAnswer a(login);
    EXPECT_FALSE(a.Failure);
    EXPECT_EQ(a.Adr, 3);
    EXPECT_EQ(a.Cmd, 0x25);
    EXPECT_TRUE(a.Verdict());
    EXPECT_TRUE(a.Complete());
    // A cell answer without its five code bytes is not a cell read.
    const Bytes shortCell = BuildFrame({3, 6, 0x21, 0x12});
    EXPECT_FALSE(TAnswer(shortCell).Complete());
    EXPECT_EQ(TAnswer(shortCell).Data(1), 0);  // the checksum is never data
    const Bytes cell = BuildFrame({3, 10, 0x21, 1, 2, 3, 4, 5});
    EXPECT_TRUE(TAnswer(cell).Complete());
    EXPECT_EQ(TAnswer(cell).Code(), (TCode{1, 2, 3, 4, 5}));
}

}  // namespace
}  // namespace pelko
