#include "model/group_dev.h"

#include <gtest/gtest.h>

#include <vector>

namespace pelko {
namespace {

std::vector<int> Addresses(const TGroupDev& g) {
    std::vector<int> out;
    TDevConfig cfg{};
    for (DevIndex i = 0; i < g.Count(); ++i) {
        g.GetConfig(i, cfg);
        out.push_back(cfg[kAdrByte]);
    }
    return out;
}

void Fill(TGroupDev& g, std::initializer_list<int> adrs) {
    for (int a : adrs) g.AddDevice(static_cast<std::uint8_t>(a));
}

TEST(GroupDev, AddKeepsAddressOrderAndRefusesDuplicates) {
    TGroupDev g;
    EXPECT_EQ(g.Selected(), NoDevice);
    EXPECT_EQ(g.AddDevice(20), 0);
    EXPECT_EQ(g.AddDevice(5), 0);
    EXPECT_EQ(g.AddDevice(12), 1);
    EXPECT_EQ(Addresses(g), (std::vector<int>{5, 12, 20}));
    EXPECT_EQ(g.AddDevice(12), NoDevice);
    EXPECT_EQ(g.Count(), 3);
    EXPECT_EQ(g.IndexOfAdr(20), 2);
    EXPECT_EQ(g.IndexOfAdr(7), NoDevice);
}

TEST(GroupDev, NewDeviceIsConnectedAndNamedByAddress) {
    TGroupDev g;
    const DevIndex i = g.AddDevice(12);
    const bool expected[] = {true, false, false, false};
    for (int f = 0; f < 4; ++f) EXPECT_EQ(g.GetState(i, static_cast<TDevFlag>(f)), expected[f]) << f;
    std::string name;
    EXPECT_TRUE(g.GetName(i, name));
    EXPECT_EQ(name, "Прибор: 12");
    EXPECT_EQ(g.GetDevice(i, nullptr)->Pass, ZeroCode);
}

TEST(GroupDev, HoldsEveryAddressOfTheLineWithoutMeetingNoDevice) {
    TGroupDev g;
    for (int a = 254; a >= 1; --a) ASSERT_NE(g.AddDevice(static_cast<std::uint8_t>(a)), NoDevice) << a;
    EXPECT_EQ(g.Count(), 254);
    for (int a = 1; a <= 254; ++a) ASSERT_EQ(g.IndexOfAdr(static_cast<std::uint8_t>(a)), a - 1);
    EXPECT_EQ(g.AddDevice(0), NoDevice);  // full
    g.Select(253);
    EXPECT_EQ(g.Selected(), 253);
    g.Select(NoDevice);
    EXPECT_EQ(g.Selected(), NoDevice);
    EXPECT_EQ(g.StateIndex(NoDevice), 0);
}

TEST(GroupDev, SelectionFollowsItsDeviceThroughAddsAndDeletes) {
    TGroupDev g;
    Fill(g, {5, 12, 20});
    g.Select(1);
    g.AddDevice(3);
    EXPECT_EQ(g.Selected(), 2);
    g.AddDevice(30);
    EXPECT_EQ(g.Selected(), 2);
    g.AddDevice(8);  // at the selected one's own index: the selection moves up with it
    EXPECT_EQ(g.Selected(), 3);
    g.DeleteDevice(2);
    EXPECT_EQ(g.Selected(), 2);
    g.DeleteDevice(0);  // 5, 12, 20, 30 with 12 selected
    EXPECT_EQ(g.Selected(), 1);
    g.DeleteDevice(1);  // deleting the selected one selects the next
    EXPECT_EQ(g.Selected(), 1);
    EXPECT_EQ(Addresses(g), (std::vector<int>{5, 20, 30}));
    g.Select(2);
    g.DeleteDevice(2);  // the selected last one: nothing selected
    EXPECT_EQ(g.Selected(), NoDevice);
    g.AddDevice(40);
    EXPECT_EQ(g.Selected(), NoDevice);
}

TEST(GroupDev, DeleteIgnoresIndicesOutOfRange) {
    TGroupDev g;
    g.DeleteDevice(0);
    Fill(g, {9});
    g.Select(0);
    g.DeleteDevice(NoDevice);
    EXPECT_EQ(g.Count(), 1);
    g.DeleteDevice(0);
    EXPECT_EQ(g.Count(), 0);
    EXPECT_EQ(g.Selected(), NoDevice);
}

TEST(GroupDev, ChangeAdrMovesTheDeviceToItsSortedPlace) {
    struct Case {
        std::vector<int> start;
        int from;
        int to;
        int newIndex;
        std::vector<int> after;
    };
    const Case cases[] = {
        {{5, 12, 20}, 5, 15, 1, {12, 15, 20}},
        {{12, 15, 20}, 15, 2, 0, {2, 12, 20}},
        {{5, 12, 20}, 5, 30, 2, {12, 20, 30}},
        {{5, 12, 20}, 20, 7, 1, {5, 7, 12}},
        {{5, 12, 20}, 12, 6, 1, {5, 6, 20}},
        {{5}, 5, 200, 0, {200}},
        {{5, 12, 20}, 12, 20, NoDevice, {5, 12, 20}},  // taken address: refused
        {{5, 12, 20}, 12, 12, 1, {5, 12, 20}},
    };
    // A name of the user's stays; the default name follows the address.
    for (const Case& k : cases)
        for (bool named : {true, false}) {
            TGroupDev g;
            for (int a : k.start) g.AddDevice(static_cast<std::uint8_t>(a));
            const DevIndex i = g.IndexOfAdr(static_cast<std::uint8_t>(k.from));
            if (named) g.SetName(i, "moved");
            EXPECT_EQ(g.ChangeAdr(i, static_cast<std::uint8_t>(k.to)), k.newIndex) << k.from << "->" << k.to;
            EXPECT_EQ(Addresses(g), k.after) << k.from << "->" << k.to;
            const bool moved = k.newIndex != NoDevice;
            std::string name;
            g.GetName(moved ? static_cast<DevIndex>(k.newIndex) : i, name);
            EXPECT_EQ(name, named ? "moved" : DefaultDeviceName(static_cast<std::uint8_t>(moved ? k.to : k.from)))
                << k.from << "->" << k.to;
        }
    TGroupDev empty;
    EXPECT_EQ(empty.ChangeAdr(0, 3), NoDevice);
}

TEST(GroupDev, AccessorsLeaveOutputsAloneOutOfRange) {
    TGroupDev g;
    Fill(g, {8});
    TDevConfig cfg{9, 9, 9, 9, 9};
    std::string name = "keep";
    TCode pass = EmptyCode;
    EXPECT_FALSE(g.GetConfig(1, cfg));
    EXPECT_FALSE(g.GetName(1, name));
    EXPECT_FALSE(g.GetPass(1, pass));
    EXPECT_EQ(cfg, (TDevConfig{9, 9, 9, 9, 9}));
    EXPECT_EQ(name, "keep");
    EXPECT_EQ(pass, EmptyCode);
    TConfPelko fallback;
    EXPECT_EQ(g.GetDevice(1, &fallback), &fallback);

    g.SetConfig(0, {1, 2, 77, 4, 5});  // the address byte stays the device's own
    g.GetConfig(0, cfg);
    EXPECT_EQ(cfg, (TDevConfig{1, 2, 8, 4, 5}));
    EXPECT_EQ(g.IndexOfAdr(8), 0);
    g.SetPass(0, FactoryPass);
    g.GetPass(0, pass);
    EXPECT_EQ(pass, FactoryPass);
}

TEST(GroupDev, FlagsAndStateIndex) {
    TGroupDev g;
    Fill(g, {1});
    g.ClearState(0, dfConnected);
    EXPECT_EQ(g.StateIndex(0), 1);
    g.SetState(0, static_cast<TDevFlag>(4));  // selects nothing
    EXPECT_EQ(g.GetDevice(0, nullptr)->State, 0);
    EXPECT_FALSE(g.GetState(0, static_cast<TDevFlag>(7)));
    g.SetState(0, dfOpened);
    EXPECT_EQ(g.StateIndex(0), 1);  // not connected wins
    g.SetStateByAdr(1, dfConnected);
    EXPECT_EQ(g.StateIndex(0), 5);
    g.ClearState(0, dfOpened);
    EXPECT_EQ(g.StateIndex(0), 3);
    g.SetState(0, dfOpened);
    g.SetState(0, dfParamsRead);
    EXPECT_EQ(g.StateIndex(0), 7);
    g.SetState(0, dfInGroup);
    EXPECT_EQ(g.StateIndex(0), 8);
    EXPECT_TRUE(g.GetStateByAdr(1, dfInGroup));
    EXPECT_FALSE(g.GetStateByAdr(2, dfInGroup));
    g.SetStateByAdr(2, dfInGroup);  // no such device: nothing
    EXPECT_EQ(g.Count(), 1);
}

TEST(GroupDev, CellListShowsNamesSelectionAndStateColours) {
    TGroupDev g;
    EXPECT_TRUE(g.MakeCellList().empty());
    Fill(g, {1, 2, 3, 4});
    g.ClearState(0, dfConnected);
    g.SetState(1, dfInGroup);
    g.SetState(2, dfOpened);
    g.SetState(3, dfOpened);
    g.SetState(3, dfParamsRead);
    g.SetState(3, dfInGroup);
    TColorCellList cells = g.MakeCellList();
    ASSERT_EQ(cells.size(), 4u);
    const std::uint32_t colours[] = {0x6060FF, 0xFF0000, 0x00FF00, 0x00FFFF};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(cells[i].Color, colours[i]) << i;
        EXPECT_EQ(cells[i].Index, i);
        EXPECT_EQ(cells[i].Cursor, 0);
        EXPECT_EQ(cells[i].Text.front(), ' ');
    }
    EXPECT_EQ(cells[1].Text, " Прибор: 2 ");
    g.Select(1);
    cells = g.MakeCellList();
    EXPECT_EQ(cells[1].Text, "*Прибор: 2*");
    FreeCellList(cells);
    EXPECT_TRUE(cells.empty());
}

}  // namespace
}  // namespace pelko
