// The device menu's commands: parameters, login with a typed password,
// the common password and a new address.
#include <algorithm>
#include <chrono>
#include <thread>

#include "engine_fixture.h"

namespace pelko::test {
namespace {

const TCode kOwnPass = Code(0xA1, 0xB2, 0xC3, 0xD4, 0xE5);

class DeviceCmdTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        id = AddController(3);
        SearchAndSelect(3);
    }
    SimControllerId id = 0;
};

// The parameters dialog's values over the block the device menu starts from.
TDevConfig Edited(TEngine& engine, DevIndex i, const std::function<void(TDeviceParams&)>& edit) {
    TDevConfig block = engine.ParametersOf(i);
    TDeviceParams p = ParamsToDialog(block);
    edit(p);
    DialogToParams(p, block);
    return block;
}

TEST_F(DeviceCmdTest, ChangedParametersAreWrittenAndStored) {
    EXPECT_EQ(engine->ParametersOf(0), Dev(3).Config);
    engine->WriteParameters(0, Edited(*engine, 0, [](TDeviceParams& p) {
        p.VParam1 = 0;
        p.VParam2 = true;
    }), host.Done());
    EXPECT_TRUE(host.Succeeded());
    const TDevConfig expected{0x0C, 0x13, 3, 0x10, 0xA9};
    EXPECT_EQ(Sim(id).Config(), expected);
    EXPECT_EQ(Dev(3).Config, expected);
}

TEST_F(DeviceCmdTest, ParametersNeverReadStartFromTheDefaultAtTheProgramSpeed) {
    group.ClearState(0, dfParamsRead);
    Dev(3).Config = {0, 0, 3, 0, 0};
    EXPECT_EQ(engine->ParametersOf(0), DefaultConfig(3));
    engine->WriteParameters(0, Edited(*engine, 0, [](TDeviceParams& p) { p.VParam7 = true; }), host.Done());
    EXPECT_TRUE(host.Succeeded());
    EXPECT_EQ(Dev(3).Config, (TDevConfig{0x0F, 0x03, 3, 0x18, 0xA9}));
    EXPECT_TRUE(group.GetState(0, dfParamsRead));
}

TEST_F(DeviceCmdTest, RefusedLoginChangesNothing) {
    Dev(3).Pass = kOwnPass;
    const TDevConfig before = Dev(3).Config;
    engine->WriteParameters(0, Edited(*engine, 0, [](TDeviceParams& p) { p.VParam2 = true; }), host.Done());
    EXPECT_TRUE(host.Failed());
    EXPECT_EQ(Dev(3).Config, before);
    EXPECT_EQ(CountSent(0x34), 0u);
}

TEST_F(DeviceCmdTest, OpenWithATypedPassword) {
    const SimControllerId locked = AddController(8, 9600, kOwnPass);
    (void)locked;
    engine->Search(settings.AutoReadKey);
    const DevIndex i = group.IndexOfAdr(8);
    ASSERT_FALSE(group.GetStateByAdr(8, dfOpened));
    const TCode before = Dev(8).Pass;
    engine->OpenWithPassword(i, TextToCode("0000000001"), host.Done());  // wrong: nothing changes
    EXPECT_TRUE(host.Failed());
    EXPECT_FALSE(group.GetStateByAdr(8, dfOpened));
    EXPECT_EQ(Dev(8).Pass, before);
    engine->OpenWithPassword(i, kOwnPass, host.Done());
    EXPECT_TRUE(host.Succeeded());
    EXPECT_TRUE(group.GetStateByAdr(8, dfOpened));
    EXPECT_TRUE(group.GetStateByAdr(8, dfParamsRead));
    EXPECT_EQ(Dev(8).Pass, kOwnPass);
    EXPECT_EQ(Dev(8).Config, (TDevConfig{0x0F, 0x03, 8, 0x10, 0xA9}));
}

TEST_F(DeviceCmdTest, CommonPasswordAcceptedByTheDeviceIsStored) {
    Dev(3).Pass = settings.StandPass;
    settings.StandPass = kOwnPass;  // the common password was changed since
    engine->GiveCommonPassword(group.Selected());
    EXPECT_TRUE(host.RunUntil([&] { return Dev(3).Pass == kOwnPass; }));
    EXPECT_EQ(Sim(id).Password(), kOwnPass);
    EXPECT_EQ(engine->OperState(), osIdle);
}

TEST_F(DeviceCmdTest, CommonPasswordRefusedKeepsTheStoredPassword) {
    Dev(3).Pass = Code(1, 2, 3, 4, 5);  // not what the device has
    settings.StandPass = kOwnPass;
    engine->GiveCommonPassword(group.Selected());
    engine->ReadCards(group.Selected());  // its modal loop delivers the refusal first
    ExpectEnded();
    EXPECT_EQ(CountSent(0x26), 1u);
    EXPECT_EQ(Dev(3).Pass, Code(1, 2, 3, 4, 5));
}

TEST_F(DeviceCmdTest, NewAddressMovesTheDeviceAndTheSelectionFollows) {
    AddController(20);
    engine->Search(settings.AutoReadKey);
    group.Select(group.IndexOfAdr(3));
    const std::vector<std::uint8_t> offered = engine->FreeAddresses(group.Selected());
    ASSERT_GE(offered.size(), 3u);
    EXPECT_EQ(offered[0], 3);
    EXPECT_EQ(offered[1], 1);
    EXPECT_EQ(std::count(offered.begin(), offered.end(), 20), 0);
    EXPECT_EQ(offered.size(), 253u);
    engine->ChangeAddress(group.Selected(), 20, std::nullopt, host.Done());  // another device's
    EXPECT_TRUE(host.Failed());
    engine->ChangeAddress(group.Selected(), 40, std::nullopt, host.Done());
    EXPECT_TRUE(host.Succeeded());
    EXPECT_EQ(Sim(id).Adr(), 40);
    EXPECT_EQ(group.IndexOfAdr(3), NoDevice);
    ASSERT_EQ(group.IndexOfAdr(40), 1);
    EXPECT_EQ(group.Selected(), 1);
    EXPECT_EQ(engine->CurConf().Config[2], 40);
}

TEST_F(DeviceCmdTest, TheOwnAddressSendsNothing) {
    engine->ChangeAddress(group.Selected(), 3, std::nullopt, host.Done());
    EXPECT_TRUE(host.Failed());
    EXPECT_EQ(CountSent(0x24) + CountSent(0x34), 0u);
}

// A write whose answer is lost may still have been carried out: the model
// follows the controller; and no address change lands on an address where
// another controller already answers.
TEST_F(DeviceCmdTest, UnconfirmedWritesFollowTheControllerAndNoAddressIsShared) {
    // Parameters: the block is read back.
    Fault(id, SimFaultKind::BadChecksum, 0x34);
    const TDevConfig wanted = Edited(*engine, 0, [](TDeviceParams& p) { p.VParam2 = true; });
    engine->WriteParameters(0, wanted, host.Done());
    EXPECT_TRUE(host.Succeeded());
    EXPECT_EQ(Dev(3).Config, Sim(id).Config());
    EXPECT_EQ(Dev(3).Config, wanted);

    // Address: where the controller answers tells.
    engine->ChangeAddress(0, 33, std::nullopt, host.Done());
    EXPECT_TRUE(host.Succeeded());
    EXPECT_EQ(Sim(id).Adr(), 33);
    EXPECT_NE(group.IndexOfAdr(33), NoDevice);
    EXPECT_TRUE(host.Messages.empty());
    line->ClearFaults(id);

    // Another controller, unknown to the group, already at 40.
    const SimControllerId other = AddController(40);
    engine->ChangeAddress(group.IndexOfAdr(33), 40, std::nullopt, host.Done());
    EXPECT_TRUE(host.Failed());
    EXPECT_EQ(Sim(id).Adr(), 33);
    EXPECT_EQ(Sim(other).Adr(), 40);
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_NE(host.Messages[0].text.find("(адрес 33) — по адресу 40 уже отвечает другой прибор, адрес не изменён."),
              std::string::npos);
}

// A controller that answers a change with anything but "accepted" has not
// made it: the command fails, names the controller, and nothing is recorded
// as done. A refusal is the single data byte 01 here (the sim's short answer).
TEST_F(DeviceCmdTest, RefusalsAreNamedAndChangeNothing) {
    struct Case {
        const char* name;
        std::uint8_t command;
        std::function<void(TEngine&, DevIndex)> run;
        const char* said;  // after "Прибор: 3 (адрес 3) — "
    };
    const Case cases[] = {
        {"reset", 0x28, [](TEngine& e, DevIndex i) { e.Reset(i); },
         "не принял команду сброса. Карты, пароль и настройки не изменены."},
        {"parameters", 0x34,
         [](TEngine& e, DevIndex i) { e.WriteParameters(i, Edited(e, i, [](TDeviceParams& p) { p.VParam2 = !p.VParam2; })); },
         "не принял параметры, они не изменены."},
        {"address", 0x34, [](TEngine& e, DevIndex i) { e.ChangeAddress(i, 33, std::nullopt); },
         "не принял новый адрес, адрес не изменён."},
        {"password", 0x26, [this](TEngine& e, DevIndex i) {
             e.GiveCommonPassword(i);
             host.RunUntil([&e] { return !e.PassChangePending(); });
         },
         "не принял новый пароль, пароль не изменён."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        settings = ProgramSettings{};
        Restart();  // controller 3, found and selected
        host.Messages.clear();
        settings.StandPass = kOwnPass;
        SetSimCell(id, 5, Code(0x55));
        const SimController before = Sim(id);
        const TConfPelko model = Dev(3);
        Fault(id, SimFaultKind::Short, c.command);
        c.run(*engine, group.Selected());
        ExpectEnded();
        ASSERT_FALSE(host.Messages.empty());
        EXPECT_EQ(host.Messages.back().text, std::string("Прибор: 3 (адрес 3) — ") + c.said);
        const SimController after = Sim(id);
        EXPECT_EQ(after.Adr(), 3);
        EXPECT_EQ(after.Password(), before.Password());
        EXPECT_EQ(after.Config(), before.Config());
        EXPECT_EQ(after.Cell(5), Code(0x55));
        EXPECT_EQ(Dev(3).Pass, model.Pass);
        EXPECT_EQ(Dev(3).Config, model.Config);
        EXPECT_TRUE(group.GetStateByAdr(3, dfOpened));
    }
}

// An address is taken only when two probes, a pause apart, find it silent:
// a controller there that missed every attempt of the first is found by the second.
TEST_F(DeviceCmdTest, AControllerThatMissedTheFirstProbeKeepsItsAddress) {
    const SimControllerId other = AddController(40);
    Fault(other, SimFaultKind::Silent, 0xFE, 0, session->Max_Attempt());
    engine->ChangeAddress(group.Selected(), 40, std::nullopt, host.Done());
    EXPECT_TRUE(host.Failed());
    EXPECT_EQ(Sim(id).Adr(), 3);
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_NE(host.Messages[0].text.find("по адресу 40 уже отвечает другой прибор"), std::string::npos);
}

// A restart of the session drops the change's answer: the change is no longer
// pending, and a login finds out whether it took.
TEST_F(DeviceCmdTest, CommonPasswordWhoseAnswerARestartDroppedIsCheckedByLogin) {
    Dev(3).Pass = settings.StandPass;
    settings.StandPass = kOwnPass;
    engine->GiveCommonPassword(group.Selected());
    EXPECT_TRUE(engine->PassChangePending());
    // The controller takes the change; its answer waits undispatched.
    for (int i = 0; i < 2000 && Sim(id).Password() != kOwnPass; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    engine->Search(false);  // restarts the session before the answer is dispatched
    EXPECT_FALSE(engine->PassChangePending());
    EXPECT_EQ(Sim(id).Password(), kOwnPass);
    EXPECT_EQ(Dev(3).Pass, kOwnPass);
    engine->GiveCommonPassword(group.Selected());  // a second change is taken again
    EXPECT_TRUE(host.RunUntil([&] { return !engine->PassChangePending(); }));
    EXPECT_TRUE(host.Messages.empty());
}

}  // namespace
}  // namespace pelko::test
