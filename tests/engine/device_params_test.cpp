// The parameters dialog's view of a parameter block and back.
#include <gtest/gtest.h>

#include "engine/device_params.h"
#include "engine/request_bodies.h"

namespace pelko {
namespace {

TEST(DeviceParams, DefaultBlockAsTheDialogShowsIt) {
    const TDeviceParams p = ParamsToDialog(DefaultConfig(1));  // 0F 03 01 10 A9
    EXPECT_EQ(p.VParam1, 3);      // sensitivity 4
    EXPECT_FALSE(p.VParam13);     // memory always checked: the box is clear
    EXPECT_TRUE(p.VParam14);      // automatic log-out
    EXPECT_FALSE(p.VParam2 || p.VParam3 || p.VParam4);
    EXPECT_EQ(p.VParam6, 0);
    EXPECT_EQ(p.vParam8, 1);      // 100 ms
    EXPECT_EQ(p.VParam9, 1);      // only a card in memory
    EXPECT_EQ(p.VParam12, 0);     // normally open
    EXPECT_TRUE(p.VParam10);
    EXPECT_EQ(p.VParam11, 10);    // 1900 ms
}

TEST(DeviceParams, RoundTripKeepsAddressSpeedAndByteOneBitSeven) {
    TDevConfig block{0xFF, 0x85, 42, 0xFF, 0xFF};
    const TDeviceParams p = ParamsToDialog(block);
    DialogToParams(p, block);
    // Unused bits become 0; the address, the speed nibble and bit 7 stay.
    EXPECT_EQ(block, (TDevConfig{0x0F, 0x85, 42, 0xFB, 0xFF}));
}

TEST(DeviceParams, EveryControlLandsInItsField) {
    TDeviceParams p;
    p.VParam1 = 2;
    p.VParam13 = true;
    p.VParam3 = true;
    p.VParam6 = 2;
    p.VParam7 = true;
    p.vParam8 = 15;
    p.VParam9 = 2;
    p.VParam11 = 7;
    p.VParam12 = 1;
    TDevConfig block{0, 0x07, 5, 0, 0};
    DialogToParams(p, block);
    EXPECT_EQ(block, (TDevConfig{0x02, 0x27, 5, 0xFA, 0x76}));
    EXPECT_EQ(ParamsToDialog(block), p);
}

}  // namespace
}  // namespace pelko
