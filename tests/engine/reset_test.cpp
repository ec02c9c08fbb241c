// Reset of a controller to its factory state and its restore.
#include "engine_fixture.h"

namespace pelko::test {
namespace {

const TCode kOwnPass = Code(0xA1, 0xB2, 0xC3, 0xD4, 0xE5);

class ResetTest : public EngineTest {
protected:
    // A device at 5, found, opened with pass and selected.
    SimControllerId Setup(const TCode& pass, std::uint32_t baud = 9600) {
        if (baud != 9600) {
            session->SetPortBaudRate(static_cast<std::int32_t>(baud));
            settings.PortBaudRate = settings.PrevBaudRate = static_cast<std::int32_t>(baud);
        }
        const SimControllerId id = AddController(5, baud, pass);
        SetSimCell(id, 7, Code(7));
        SearchAndSelect(5);
        if (!group.GetState(0, dfOpened)) {
            engine->OpenWithPassword(0, pass);
        }
        EXPECT_TRUE(group.GetState(0, dfOpened));
        host.WhileModal = [this] { cancelSeenDisabled |= !host.CancelEnabled; };
        ClearSent();
        return id;
    }
    bool cancelSeenDisabled = false;
};

TEST_F(ResetTest, RestoresAddressSpeedAndOwnPassword) {
    const SimControllerId id = Setup(kOwnPass);
    engine->Reset(group.Selected());
    ExpectEnded();
    const SimController sim = Sim(id);
    EXPECT_EQ(sim.Adr(), 5);
    EXPECT_EQ(sim.Baud(), 9600u);
    EXPECT_EQ(sim.Password(), kOwnPass);
    EXPECT_EQ(sim.Cell(7), EmptyCode);  // the reset cleared the memory
    EXPECT_EQ(Dev(5).Pass, kOwnPass);
    EXPECT_TRUE(group.GetStateByAdr(5, dfOpened));
    EXPECT_TRUE(group.GetStateByAdr(5, dfParamsRead));
    EXPECT_EQ(CountSent(0x24, 1), 1u);
    EXPECT_EQ(CountSent(0x34, 1), 1u);  // sent to address 1 ...
    EXPECT_EQ(sim.Config()[2], 5);      // ... carrying the device's own address
    EXPECT_EQ(CountSent(0x26, 5), 1u);
    EXPECT_GE(host.VirtualMs, 12000);
    EXPECT_TRUE(cancelSeenDisabled);
    EXPECT_TRUE(host.CancelEnabled);
    EXPECT_EQ(host.Captions.front(), "Сброс контроллера: Прибор: 5");
    EXPECT_TRUE(host.Messages.empty());
}

TEST_F(ResetTest, DeviceWithTheFactoryPasswordNeedsNoPasswordChange) {
    const SimControllerId id = Setup(FactoryPass);
    engine->Reset(group.Selected());
    ExpectEnded();
    EXPECT_EQ(CountSent(0x26), 0u);
    EXPECT_EQ(Sim(id).Adr(), 5);
    EXPECT_TRUE(group.GetStateByAdr(5, dfOpened));
}

TEST_F(ResetTest, AtAnotherProgramSpeedThePortVisits9600AndComesBack) {
    const SimControllerId id = Setup(FactoryPass, 19200);
    engine->Reset(group.Selected());
    ExpectEnded();
    EXPECT_EQ(Sim(id).Baud(), 19200u);
    EXPECT_EQ(Sim(id).Config()[1] & 0x0F, 4);
    EXPECT_EQ(session->PortBaudRate(), 19200);
    for (const SentFrame& f : Sent()) {
        if (f.adr == 1 && (f.cmd == 0x24 || f.cmd == 0x34)) {
            EXPECT_EQ(f.baud, 9600u);
        }
    }
    EXPECT_EQ(CountSent(0x28), 1u);
}

// Stored parameters may name another speed (a file from another line): the
// controller is brought back at the program's speed, where the port goes.
TEST_F(ResetTest, StoredParametersAreWrittenWithTheProgramSpeed) {
    const SimControllerId id = Setup(FactoryPass);
    Dev(5).Config[1] = static_cast<std::uint8_t>((Dev(5).Config[1] & 0xF0) | 5);  // 38400
    engine->Reset(group.Selected());
    ExpectEnded();
    EXPECT_EQ(Sim(id).Baud(), 9600u);
    EXPECT_EQ(Sim(id).Config()[1] & 0x0F, 3);
    EXPECT_EQ(Dev(5).Config[1] & 0x0F, 3);
}

// The parameters of a controller never read are asked before the reset (the
// dialog starts from ParametersOf); the block given is what it gets back,
// and a controller whose parameters were read keeps its own whatever is given.
TEST_F(ResetTest, ParametersGivenForADeviceThatNeverHadThemRead) {
    for (const bool read : {false, true}) {
        SCOPED_TRACE(read ? "parameters read" : "never read");
        Restart();
        Setup(FactoryPass);
        if (!read) group.ClearState(0, dfParamsRead);
        settings.AutoSetDefaultSettings = false;
        TDeviceParams p = ParamsToDialog(engine->ParametersOf(0));
        p.VParam7 = true;
        TDevConfig block = engine->ParametersOf(0);
        DialogToParams(p, block);
        engine->Reset(group.Selected(), block, false, host.Done());
        ExpectEnded();
        EXPECT_TRUE(host.Succeeded());
        const TDevConfig expected = read ? TDevConfig{0x0F, 0x03, 5, 0x10, 0xA9} : TDevConfig{0x0F, 0x03, 5, 0x18, 0xA9};
        EXPECT_EQ(Dev(5).Config, expected);
        EXPECT_TRUE(group.GetStateByAdr(5, dfParamsRead));
    }
}

TEST_F(ResetTest, DeviceThatNeverComesBackEndsWithAMessage) {
    const SimControllerId id = Setup(kOwnPass);
    line->With(id, [](SimController& c) { c.SetNeverReturns(true); });
    engine->Reset(group.Selected());
    ExpectEnded();
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(host.Messages[0].text.rfind("Прибор: 5 (адрес 5) — не отвечает после сброса.", 0), 0u);
    EXPECT_TRUE(host.CancelEnabled);
    EXPECT_EQ(session->PortBaudRate(), 9600);
    EXPECT_EQ(Dev(5).Pass, kOwnPass);
}

TEST_F(ResetTest, UnansweredResetEndsWithAMessageAndChangesNothing) {
    const SimControllerId id = Setup(kOwnPass);
    Fault(id, SimFaultKind::Silent, 0x28);
    engine->Reset(group.Selected());
    ExpectEnded();
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(host.Messages[0].text.rfind("Прибор: 5 (адрес 5) — не сбросился", 0), 0u);
    EXPECT_EQ(Sim(id).Cell(7), Code(7));
    // A lost acknowledgement may hide a reset: address 1 was tried after the wait.
    EXPECT_GT(host.VirtualMs, 0);
}

// Answers lost (or spoiled) at one step of the restore: the outcome is found
// out where the controller must now be, at its own address and password, and
// the restore ends as if the answer had come.
TEST_F(ResetTest, LostRestoreAnswersAreCheckedWhereTheControllerNowIs) {
    for (std::uint8_t cmd : {0x34, 0x26}) {
        SCOPED_TRACE(int(cmd));
        Restart();
        host.Messages.clear();
        const SimControllerId id = Setup(kOwnPass);
        Fault(id, SimFaultKind::BadChecksum, cmd);  // carried out, every answer spoiled
        engine->Reset(group.Selected());
        ExpectEnded();
        EXPECT_TRUE(host.Messages.empty()) << host.Messages.front().text;
        EXPECT_EQ(Sim(id).Adr(), 5);
        EXPECT_EQ(Sim(id).Password(), kOwnPass);
        EXPECT_EQ(Dev(5).Pass, kOwnPass);
        EXPECT_TRUE(group.GetStateByAdr(5, dfOpened));
    }
}

// The restore's password change answered with another byte than "accepted"
// (nothing changed): a login tells which password the controller holds, and
// the program keeps that one, saying so.
TEST_F(ResetTest, ARefusedRestorePasswordLeavesTheFactoryPasswordRecorded) {
    const SimControllerId id = Setup(kOwnPass);
    Fault(id, SimFaultKind::Short, 0x26);
    engine->Reset(group.Selected());
    ExpectEnded();
    EXPECT_EQ(Sim(id).Password(), FactoryPass);
    EXPECT_EQ(Dev(5).Pass, FactoryPass);
    EXPECT_TRUE(group.GetStateByAdr(5, dfOpened));
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(host.Messages[0].text,
              "Прибор: 5 (адрес 5) — не принял свой пароль после сброса и открыт с заводским паролем.");
}

}  // namespace
}  // namespace pelko::test
