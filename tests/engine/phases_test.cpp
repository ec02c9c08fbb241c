// Accepting the program settings: the common password and the line speed
// carried into the devices of the group.
#include "engine/settings_dialog_values.h"
#include "engine_fixture.h"

namespace pelko::test {
namespace {

const TCode kOwnPass = Code(0xA1, 0xB2, 0xC3, 0xD4, 0xE5);
const TCode kNewCommon = Code(0x99, 0x88, 0x77, 0x66, 0x55);

class PhasesTest : public EngineTest {
protected:
    // 2 carries the common password, 4 its own (opened with it), 6 a password
    // the program does not know (not opened).
    void SetUpGroup(const TCode& passOf6 = kNewCommon) {
        a = AddController(2);
        b = AddController(4, 9600, kOwnPass);
        c = AddController(6, 9600, passOf6);
        engine->Search(settings.AutoReadKey);
        group.Select(group.IndexOfAdr(4));
        engine->OpenWithPassword(group.Selected(), kOwnPass);
        ASSERT_TRUE(group.GetStateByAdr(4, dfOpened));
        ASSERT_FALSE(group.GetStateByAdr(6, dfOpened));
        ClearSent();
        modalsBefore = host.ModalCount;
    }
    TSettingsDialogValues Dialog() { return SettingsToDialog(settings); }
    int Modals() const { return host.ModalCount - modalsBefore; }
    std::size_t DeviceTraffic() { return CountSent(0x24) + CountSent(0x26) + CountSent(0x34); }

    SimControllerId a = 0, b = 0, c = 0;
    int modalsBefore = 0;
};

TEST_F(PhasesTest, NewCommonPasswordFollowsOnlyDevicesThatHadTheOldOne) {
    SetUpGroup();
    TSettingsDialogValues v = Dialog();
    v.EdPass = CodeToText(kNewCommon);
    engine->AcceptProgramSettings(v);
    ExpectEnded();
    EXPECT_EQ(Modals(), 1);
    EXPECT_EQ(Sim(a).Password(), kNewCommon);
    EXPECT_EQ(Dev(2).Pass, kNewCommon);
    EXPECT_EQ(Sim(b).Password(), kOwnPass);  // SavePass keeps its own
    EXPECT_EQ(Dev(4).Pass, kOwnPass);
    // 6 already carried the new common password: logged in, opened, read.
    EXPECT_TRUE(group.GetStateByAdr(6, dfOpened));
    EXPECT_TRUE(group.GetStateByAdr(6, dfParamsRead));
    EXPECT_EQ(Dev(6).Pass, kNewCommon);
    EXPECT_EQ(host.Captions.back(), "Изменение параметров...");
    EXPECT_EQ(engine->Progress().Position, 3);
}

TEST_F(PhasesTest, ClearingSavePassGivesOwnPasswordsTheCommonOne) {
    SetUpGroup(kOwnPass);
    TSettingsDialogValues v = Dialog();
    v.CBSavePass = false;
    engine->AcceptProgramSettings(v);
    ExpectEnded();
    EXPECT_EQ(Sim(b).Password(), FactoryPass);
    EXPECT_EQ(Dev(4).Pass, FactoryPass);
    EXPECT_EQ(CountSent(0x26), 1u);  // 2 already has it, 6 is not opened
    EXPECT_FALSE(group.GetStateByAdr(6, dfOpened));
}

TEST_F(PhasesTest, RefusedPasswordChangeKeepsTheStoredPassword) {
    SetUpGroup(kOwnPass);
    Dev(4).Pass = Code(1, 1, 1, 1, 1);  // the program's idea is wrong
    TSettingsDialogValues v = Dialog();
    v.CBSavePass = false;
    engine->AcceptProgramSettings(v);
    ExpectEnded();
    EXPECT_EQ(Dev(4).Pass, Code(1, 1, 1, 1, 1));
    EXPECT_EQ(Sim(b).Password(), kOwnPass);
}

TEST_F(PhasesTest, NothingChangedQueuesNothing) {
    SetUpGroup();
    engine->AcceptProgramSettings(Dialog());
    EXPECT_EQ(Modals(), 0);
    EXPECT_EQ(DeviceTraffic(), 0u);
    EXPECT_TRUE(session->Active());
}

TEST_F(PhasesTest, PasswordPhaseWithNothingToDoShowsNoWindow) {
    SetUpGroup(kOwnPass);
    group.SetState(group.IndexOfAdr(6), dfOpened);
    Dev(2).Pass = kOwnPass;
    TSettingsDialogValues v = Dialog();
    v.EdPass = CodeToText(kNewCommon);  // every device keeps its own password
    engine->AcceptProgramSettings(v);
    EXPECT_EQ(Modals(), 0);
    EXPECT_EQ(engine->OperState(), osIdle);
    EXPECT_EQ(DeviceTraffic(), 0u);
}

TEST_F(PhasesTest, SpeedIsWrittenIntoEveryDeviceAndThePortFollowsAfterTheLast) {
    SetUpGroup();
    group.SetState(group.IndexOfAdr(6), dfOpened);  // answers no login: skipped
    TSettingsDialogValues v = Dialog();
    v.ChSpeed = 3;  // 19200
    EXPECT_TRUE(engine->DevicesAtRisk().empty());  // nothing to ask before
    engine->AcceptProgramSettings(v, {}, host.Done());
    ExpectEnded();
    EXPECT_TRUE(host.Succeeded());
    EXPECT_EQ(Sim(a).Baud(), 19200u);
    EXPECT_EQ(Sim(b).Baud(), 19200u);
    EXPECT_EQ(Sim(c).Baud(), 9600u);
    EXPECT_EQ(Dev(2).Config[1] & 0x0F, 4);
    for (const SentFrame& f : Sent()) {
        if (f.cmd == 0x34) {
            EXPECT_EQ(f.baud, 9600u);
        }
    }
    EXPECT_EQ(CountSent(0x34), 2u);
    EXPECT_EQ(session->PortBaudRate(), 19200);
    EXPECT_EQ(settings.PrevBaudRate, 19200);
    EXPECT_EQ(engine->Progress().Max, 6);
}

// "Некоторые приборы могут быть потеряны. Продолжить?" is asked before the
// command about the devices DevicesAtRisk names; the answer is dropClosed.
TEST_F(PhasesTest, LostDevicesQuestionYesDropsTheClosedDevices) {
    SetUpGroup(kOwnPass);
    group.Select(group.IndexOfAdr(6));
    TSettingsDialogValues v = Dialog();
    v.ChSpeed = 4;  // 38400
    ASSERT_EQ(engine->DevicesAtRisk(), std::vector<DevIndex>{group.IndexOfAdr(6)});
    TGroupAnswers yes;
    yes.dropClosed = true;
    engine->AcceptProgramSettings(v, yes);
    ExpectEnded();
    EXPECT_EQ(group.IndexOfAdr(6), NoDevice);
    EXPECT_EQ(group.Count(), 2);
    EXPECT_EQ(Sim(a).Baud(), 38400u);
    EXPECT_EQ(session->PortBaudRate(), 38400);
    // The card list no longer shows the dropped device.
    EXPECT_NE(engine->CurConf().Config[2], 6);
}

TEST_F(PhasesTest, LostDevicesQuestionNoKeepsTheOldSpeed) {
    SetUpGroup(kOwnPass);
    TSettingsDialogValues v = Dialog();
    v.ChSpeed = 4;
    ASSERT_EQ(engine->DevicesAtRisk(), std::vector<DevIndex>{group.IndexOfAdr(6)});
    TGroupAnswers no;
    no.dropClosed = false;
    engine->AcceptProgramSettings(v, no);
    ExpectEnded();
    EXPECT_NE(group.IndexOfAdr(6), NoDevice);
    EXPECT_EQ(group.Count(), 3);
    EXPECT_EQ(settings.PortBaudRate, 9600);
    EXPECT_EQ(Sim(a).Baud(), 9600u);
    EXPECT_EQ(session->PortBaudRate(), 9600);
}

TEST_F(PhasesTest, SpeedPhaseWhoseGroupBecameEmptyEndsCleanly) {
    AddController(3, 9600, kOwnPass);
    engine->Search(settings.AutoReadKey);
    ClearSent();
    modalsBefore = host.ModalCount;
    TSettingsDialogValues v = Dialog();
    v.ChSpeed = 6;  // 115200
    engine->AcceptProgramSettings(v);
    ExpectEnded();
    EXPECT_EQ(group.Count(), 0);
    EXPECT_EQ(Modals(), 0);
    EXPECT_EQ(session->PortBaudRate(), 115200);
    EXPECT_EQ(settings.PrevBaudRate, 115200);
    EXPECT_EQ(engine->SelectedDevice(), nullptr);  // the card list shows the empty record
    EXPECT_EQ(engine->CurConf().CardCount(false), 0);
}

TEST_F(PhasesTest, PasswordAndSpeedTogetherRunOneAfterTheOther) {
    SetUpGroup();
    TSettingsDialogValues v = Dialog();
    v.EdPass = CodeToText(kNewCommon);
    v.ChSpeed = 3;
    engine->AcceptProgramSettings(v);
    ExpectEnded();
    EXPECT_EQ(Modals(), 1);
    EXPECT_FALSE(settings.ChangeSpeedToo);
    for (SimControllerId id : {a, b, c}) EXPECT_EQ(Sim(id).Baud(), 19200u);
    EXPECT_EQ(Sim(a).Password(), kNewCommon);
    EXPECT_EQ(Sim(b).Password(), kOwnPass);
    EXPECT_EQ(session->PortBaudRate(), 19200);
    EXPECT_EQ(engine->Progress().Max, 9);
}

TEST_F(PhasesTest, EmptyGroupTakesTheSpeedAtOnce) {
    TSettingsDialogValues v = Dialog();
    v.ChSpeed = 5;
    v.CircleSpin = 80;
    v.SpinNComPort = 0;
    engine->AcceptProgramSettings(v);
    EXPECT_EQ(session->PortBaudRate(), 57600);
    EXPECT_TRUE(session->Active());
    EXPECT_EQ(settings.CircleFind, 50);
    EXPECT_EQ(settings.NComPort, 1);
    EXPECT_EQ(host.ModalCount, 0);
}

}  // namespace
}  // namespace pelko::test
