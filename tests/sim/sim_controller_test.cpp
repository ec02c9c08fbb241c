#include "sim/sim_controller.h"

#include <gtest/gtest.h>

#include "model/code.h"
#include "sim_test_util.h"

namespace pelko {
namespace {

using testing::Body;
using testing::Cat;
using testing::Cell;
using testing::kResetText;
using testing::kPass;
using testing::Req;

const Bytes kWrong{0x11, 0x22, 0x33, 0x44, 0x56};
const Bytes kFree{0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
const Bytes kCardA{0x0A, 0x1B, 0x2C, 0x3D, 0x4E};

TEST(SimController, FactoryPasswordIsTheProgramsBuiltInOne) {
    EXPECT_EQ(kFactoryPassword, FactoryPass);
}

struct CommandCase {
    const char* name;
    bool login;      // a successful login first
    Bytes request;   // sent to address 7
    Bytes answer;    // expected answer without checksum; empty = silence
};

class SimCommandTest : public ::testing::TestWithParam<CommandCase> {};

TEST_P(SimCommandTest, AnswersAsTheCommandSetSays) {
    const CommandCase& c = GetParam();
    SimController ctrl({.adr = 7});
    if (c.login) {
        ASSERT_EQ(Body(ctrl.Handle(Req(7, 0x24, kPass), 0)), (Bytes{7, 6, 0x25, 0xFF}));
    }
    const Bytes answer = ctrl.Handle(c.request, 0);
    EXPECT_EQ(Body(answer), c.answer);
    if (answer.empty()) return;
    // Every answer is a well-formed frame; the link takes all but the refusals.
    const bool refusal = answer[answer.size() - 3] == 0x22;
    EXPECT_EQ(AcceptAnswer(c.request, answer), !refusal);
}

const Bytes kCfg7{0x0F, 0x03, 0x07, 0x10, 0xA9};

INSTANTIATE_TEST_SUITE_P(
    Commands, SimCommandTest,
    ::testing::Values(
        CommandCase{"Probe", false, Req(7, 0xFE), {7, 6, 0xFF, 0x01}},
        CommandCase{"CardPollWithoutCard", false, Req(7, 0x02), Cat({{7, 11, 0x03}, kFree, {0x00}})},
        CommandCase{"ButtonPollOff", false, Req(7, 0x72), {7, 6, 0x73, 0x00}},
        CommandCase{"LoginRight", false, Req(7, 0x24, kPass), {7, 6, 0x25, 0xFF}},
        CommandCase{"LoginWrong", false, Req(7, 0x24, kWrong), {7, 6, 0x25, 0x00}},
        CommandCase{"ReadCellClosed", false, Req(7, 0x20, Cell(5)), {7, 6, 0x21, 0x22}},
        CommandCase{"ReadCellOpen", true, Req(7, 0x20, Cell(5)), Cat({{7, 10, 0x21}, kFree})},
        CommandCase{"ReadCell1009", true, Req(7, 0x20, Cell(1009)), Cat({{7, 10, 0x21}, kFree})},
        CommandCase{"ReadCell1010", true, Req(7, 0x20, Cell(1010)), {7, 6, 0x21, 0x22}},
        CommandCase{"WriteCellClosed", false, Req(7, 0x22, Cat({Cell(5), kCardA})), {7, 6, 0x23, 0x22}},
        CommandCase{"WriteCellOpen", true, Req(7, 0x22, Cat({Cell(5), kCardA})), {7, 6, 0x23, 0xFF}},
        CommandCase{"ReadConfigClosed", false, Req(7, 0x36), {7, 6, 0x37, 0x22}},
        CommandCase{"ReadConfigOpen", true, Req(7, 0x36), Cat({{7, 11, 0x37}, kCfg7, {0xFF}})},
        CommandCase{"WriteConfigClosed", false, Req(7, 0x34, kCfg7), {7, 6, 0x35, 0x22}},
        CommandCase{"WriteConfigOpen", true, Req(7, 0x34, kCfg7), {7, 6, 0x35, 0xFF}},
        CommandCase{"WriteConfigSpeedCode0", true, Req(7, 0x34, {0x0F, 0x00, 7, 0x10, 0xA9}), {7, 6, 0x35, 0x00}},
        CommandCase{"WriteConfigSpeedCode8", true, Req(7, 0x34, {0x0F, 0x08, 7, 0x10, 0xA9}), {7, 6, 0x35, 0x00}},
        CommandCase{"WriteConfigAddress0", true, Req(7, 0x34, {0x0F, 0x03, 0, 0x10, 0xA9}), {7, 6, 0x35, 0x00}},
        CommandCase{"WriteConfigAddress255", true, Req(7, 0x34, {0x0F, 0x03, 255, 0x10, 0xA9}), {7, 6, 0x35, 0x00}},
        CommandCase{"ChangePassWithoutLogin", false, Req(7, 0x26, Cat({kPass, kWrong})), {7, 6, 0x27, 0xFF}},
        CommandCase{"ChangePassWrongOld", true, Req(7, 0x26, Cat({kWrong, kPass})), {7, 6, 0x27, 0x00}},
        CommandCase{"ResetWithoutLogin", false, Req(7, 0x28, kResetText), {7, 6, 0x29, 0xFF}},
        CommandCase{"ResetWrongText", false, Req(7, 0x28, {'R', 'E', 'S', 'E', 'T'}), {7, 6, 0x29, 0x00}},
        CommandCase{"UnknownCommand", true, Req(7, 0x50), {7, 6, 0x51, 0x22}},
        CommandCase{"LoginTooShort", false, Req(7, 0x24, {0x11, 0x22, 0x33, 0x44}), {7, 6, 0x25, 0x22}},
        CommandCase{"Command0xFFNeverAnswered", true, Req(7, 0xFF), {}},
        CommandCase{"OtherAddress", true, Req(8, 0xFE), {}},
        CommandCase{"BadChecksum", true, Cat({Body(Req(7, 0xFE)), {0x00, 0x00}}), {}},
        CommandCase{"LengthByteWrong", true, Cat({{7, 6, 0xFE}, {0xC6, 0x14}}), {}}),
    [](const ::testing::TestParamInfo<CommandCase>& i) { return std::string(i.param.name); });

TEST(SimController, CellsKeepWhatIsWrittenAndFreeCellsReadFF) {
    SimController c({.adr = 2});
    c.Handle(Req(2, 0x24, kPass), 0);
    EXPECT_EQ(Body(c.Handle(Req(2, 0x22, Cat({Cell(1009), kCardA})), 0)), (Bytes{2, 6, 0x23, 0xFF}));
    EXPECT_EQ(Bytes(c.Cell(1009).begin(), c.Cell(1009).end()), kCardA);
    EXPECT_EQ(Body(c.Handle(Req(2, 0x20, {0xF1, 0x03}), 0)), Cat({{2, 10, 0x21}, kCardA}));
    EXPECT_EQ(c.UsedCells(), 1);
    c.Handle(Req(2, 0x22, Cat({Cell(1009), kFree})), 0);  // erase
    EXPECT_EQ(c.UsedCells(), 0);
    EXPECT_EQ(Body(c.Handle(Req(2, 0x20, Cell(1000)), 0)), Cat({{2, 10, 0x21}, kFree}));
}

TEST(SimController, WrongPasswordClosesAnOpenController) {
    SimController c;
    c.Handle(Req(1, 0x24, kPass), 0);
    EXPECT_TRUE(c.LoggedIn());
    c.Handle(Req(1, 0x24, kWrong), 0);
    EXPECT_FALSE(c.LoggedIn());
    EXPECT_EQ(Body(c.Handle(Req(1, 0x20, Cell(0)), 0)), (Bytes{1, 6, 0x21, 0x22}));
}

TEST(SimController, PasswordChangeTakesEffectForTheNextLogin) {
    SimController c;
    EXPECT_EQ(Body(c.Handle(Req(1, 0x26, Cat({kPass, kCardA})), 0)), (Bytes{1, 6, 0x27, 0xFF}));
    EXPECT_EQ(Body(c.Handle(Req(1, 0x24, kPass), 0)), (Bytes{1, 6, 0x25, 0x00}));
    EXPECT_EQ(Body(c.Handle(Req(1, 0x24, kCardA), 0)), (Bytes{1, 6, 0x25, 0xFF}));
}

TEST(SimController, ConfigWriteMovesAddressAndSpeedAfterAnswering) {
    SimController c({.adr = 3, .baud = 9600});
    c.Handle(Req(3, 0x24, kPass), 0);
    const Bytes block{0x0F, 0x95, 42, 0x10, 0xA9};  // code 5 = 38400, bit 7 carried
    EXPECT_EQ(Body(c.Handle(Req(3, 0x34, block), 0)), (Bytes{3, 6, 0x35, 0xFF}));  // from the old address
    EXPECT_EQ(c.Adr(), 42);
    EXPECT_EQ(c.Baud(), 38400u);
    EXPECT_EQ(Bytes(c.Config().begin(), c.Config().end()), block);
    EXPECT_TRUE(c.Handle(Req(3, 0xFE), 0).empty());
    EXPECT_EQ(Body(c.Handle(Req(42, 0x36), 0)), Cat({{42, 11, 0x37}, block, {0xFF}}));
}

TEST(SimController, RefusedConfigChangesNothing) {
    SimController c({.adr = 3, .baud = 19200});
    c.Handle(Req(3, 0x24, kPass), 0);
    c.Handle(Req(3, 0x34, {0x0F, 0x0C, 9, 0x10, 0xA9}), 0);
    EXPECT_EQ(c.Adr(), 3);
    EXPECT_EQ(c.Baud(), 19200u);
    EXPECT_EQ(c.Config(), FactoryConfig(3, 19200));
    EXPECT_EQ(c.Config()[1], 0x04);
}

TEST(SimController, ResetIsSilentWhileRestartingThenFactoryState) {
    SimController c({.adr = 9, .baud = 57600, .password = {1, 2, 3, 4, 5}, .restartUs = 2'000'000});
    c.Handle(Req(9, 0x24, {1, 2, 3, 4, 5}), 0);
    c.Handle(Req(9, 0x22, Cat({Cell(0), kCardA})), 0);
    c.PresentCard({9, 9, 9, 9, 9});
    EXPECT_EQ(Body(c.Handle(Req(9, 0x28, kResetText), 1000)), (Bytes{9, 6, 0x29, 0xFF}));
    EXPECT_EQ(c.Adr(), 1);
    EXPECT_EQ(c.Baud(), 9600u);
    EXPECT_TRUE(c.Handle(Req(1, 0xFE), 1000 + 1'999'999).empty());
    EXPECT_TRUE(c.Restarting(1000 + 1'999'999));
    EXPECT_FALSE(c.Handle(Req(1, 0xFE), 1000 + 2'000'000).empty());
    EXPECT_FALSE(c.LoggedIn());
    EXPECT_EQ(Body(c.Handle(Req(1, 0x24, {1, 2, 3, 4, 5}), 3'000'000)), (Bytes{1, 6, 0x25, 0x00}));
    EXPECT_EQ(Body(c.Handle(Req(1, 0x24, kPass), 3'000'000)), (Bytes{1, 6, 0x25, 0xFF}));
    EXPECT_EQ(c.Config(), FactoryConfig(1, 9600));
    EXPECT_EQ(c.UsedCells(), 0);
    EXPECT_TRUE(c.HasCard());  // the card is in the user's hand, not in the controller
}

TEST(SimController, NeverReturnsAfterReset) {
    SimController c({.adr = 4});
    c.SetNeverReturns(true);
    EXPECT_FALSE(c.Handle(Req(4, 0xFE), 0).empty());  // works until it is reset
    c.Handle(Req(4, 0x28, kResetText), 0);
    EXPECT_TRUE(c.Handle(Req(1, 0xFE), 3'600'000'000).empty());
}

TEST(SimController, CardAndButtonPolls) {
    SimController c({.adr = 5});
    c.PresentCard({0x0A, 0x1B, 0x2C, 0x3D, 0x4E});
    c.SetButton(true);
    const Bytes card = c.Handle(Req(5, 0x02), 0);
    EXPECT_EQ(Body(card), Cat({{5, 11, 0x03}, kCardA, {0x00}}));
    EXPECT_TRUE(AcceptAnswer(Req(5, 0x02), card));
    EXPECT_EQ(Body(c.Handle(Req(5, 0x72), 0)), (Bytes{5, 6, 0x73, 0x01}));
    c.RemoveCard();
    EXPECT_EQ(Body(c.Handle(Req(5, 0x02), 0)), Cat({{5, 11, 0x03}, kFree, {0x00}}));
}

TEST(SimController, SpeedCodes) {
    const std::uint32_t bauds[] = {2400, 4800, 9600, 19200, 38400, 57600, 115200};
    for (std::uint8_t code = 1; code <= 7; ++code) {
        EXPECT_EQ(BaudOfSpeedCode(code), bauds[code - 1]);
        EXPECT_EQ(SpeedCodeOfBaud(bauds[code - 1]), code);
    }
    EXPECT_EQ(BaudOfSpeedCode(0), 0u);
    EXPECT_EQ(BaudOfSpeedCode(8), 0u);
    EXPECT_EQ(SpeedCodeOfBaud(1200), 0);
    EXPECT_EQ(FactoryConfig(17, 19200), (SimConfig{0x0F, 0x04, 17, 0x10, 0xA9}));
}

}  // namespace
}  // namespace pelko
