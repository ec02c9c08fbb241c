// The window's rules that need no line: enabled states, toolbar layouts,
// the inspector's markup, code checks and the card copy.
#include <gtest/gtest.h>

#include <QSettings>
#include <QStandardPaths>
#include <QToolButton>

#include "controls/param_markup.h"
#include "ui/card_code_check.h"
#include "engine/card_list_edits.h"
#include "ui/control_state.h"
#include "ui/card_device_markup.h"
#include "ui/port_choice.h"
#include "ui/tool_layout.h"
#include "window_test_util.h"

namespace pelko {
namespace {

struct TDev {
    std::uint8_t Adr;
    std::uint8_t Flags;  // TDevFlag bits
};

constexpr std::uint8_t C = 1 << dfConnected, O = 1 << dfOpened, G = 1 << dfInGroup;

void Fill(TGroupDev& group, const std::vector<TDev>& devs, int selected) {
    for (const TDev& d : devs) {
        const DevIndex i = group.AddDevice(d.Adr);
        group.ClearState(i, dfConnected);
        for (TDevFlag f : {dfConnected, dfOpened, dfParamsRead, dfInGroup})
            if (d.Flags & (1 << f)) group.SetState(i, f);
    }
    if (selected >= 0) group.Select(static_cast<DevIndex>(selected));
}

void AddCards(TConfPelko& conf, int users, int masters) {
    for (int i = 0; i < users; ++i) conf.AddCard(static_cast<std::uint16_t>(i), {0, 0, 0, 1, static_cast<std::uint8_t>(i)}, "");
    for (int i = 0; i < masters; ++i)
        conf.AddCard(static_cast<std::uint16_t>(kFirstMasterCell + i), {0, 0, 2, 0, static_cast<std::uint8_t>(i)}, "");
}

TEST(WindowRules, EnablingFollowsTheGroupAndTheSelectedDevice) {
    TControlState allOn;
    for (bool* b : {&allOn.MenuDev, &allOn.ChView, &allOn.ChStatusCard, &allOn.AddCardBut, &allOn.EditBut,
                    &allOn.DelCardBut, &allOn.InverseSel, &allOn.ReadCodeBut, &allOn.ReadDevKeys})
        *b = true;
    struct Case {
        const char* Name;
        std::vector<TDev> Devs;
        int Selected;
        bool Master;
        int Users, Masters;
        // Expected: device menu, open with password, read cards, card view, add, delete, change status,
        // read code, edit row, grid shown, toolbar read, add to group, remove from group.
        std::array<bool, 13> Want;
    };
    const Case cases[] = {
        {"empty group", {}, -1, false, 0, 0, {0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"nothing selected keeps the menu and card buttons", {{3, C}}, -1, false, 0, 0,
         {1, 0, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0}},
        {"connected, not opened", {{3, C}}, 0, false, 0, 0, {1, 1, 0, 0, 0, 0, 0, 0, 1, 1, 0, 1, 0}},
        {"neither connected nor opened", {{3, 0}, {5, O}}, 0, false, 0, 0, {0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0}},
        {"opened, empty user list", {{3, C | O | G}}, 0, false, 0, 0, {1, 0, 1, 1, 1, 0, 0, 0, 1, 1, 1, 0, 1}},
        {"opened, ten master cards", {{3, C | O}}, 0, true, 5, 10, {1, 0, 1, 1, 0, 1, 1, 1, 1, 1, 1, 1, 0}},
        {"opened, full user list", {{3, C | O}}, 0, false, 1000, 0, {1, 0, 1, 1, 0, 1, 1, 1, 1, 1, 1, 1, 0}},
        {"opened, full master list blocks the change of status", {{3, C | O}}, 0, false, 4, 10,
         {1, 0, 1, 1, 1, 1, 0, 1, 1, 1, 1, 1, 0}},
    };
    const ProgramSettings settings;
    for (const Case& c : cases) {
        TGroupDev group;
        Fill(group, c.Devs, c.Selected);
        TConfPelko empty;
        TConfPelko* cur = group.GetDevice(group.Selected(), &empty);
        AddCards(*cur, c.Users, c.Masters);
        const TControlState s = UpdateControlsRule(allOn, group, *cur, c.Master, settings);
        const std::array<bool, 13> got = {s.MenuDev,     s.OpenWithPas,  s.ReadDevKeys,    s.ChView,  s.AddCardBut,
                                          s.DelCardBut,  s.ChStatusCard, s.ReadCodeBut,    s.EditBut, s.GridDevVisible,
                                          s.sbReadKeyDev, s.sbAddDevGroup, s.sbDelDevGroup};
        EXPECT_EQ(got, c.Want) << c.Name;
        const bool opened = c.Selected >= 0 && group.GetState(group.Selected(), dfOpened);
        EXPECT_EQ(s.ViewText.has_value(), opened) << c.Name;
        if (opened) {
            EXPECT_EQ(*s.ViewText, c.Master ? kMasterViewText : kUserViewText) << c.Name;
        }
    }
}

TEST(WindowRules, ResetIsRefusedOnlyBesideAFactoryFreshFirstDevice) {
    struct Case {
        std::int32_t Baud;
        std::vector<TDev> Devs;
        int Selected;
        bool Want;
    };
    const Case cases[] = {
        {9600, {{1, C}, {5, C}}, 1, false}, {9600, {{1, C}, {5, C}}, 0, true}, {19200, {{1, C}, {5, C}}, 1, true},
        {9600, {{2, C}, {5, C}}, 1, true},  {9600, {{1, C}}, 0, true},
    };
    for (const Case& c : cases) {
        TGroupDev group;
        Fill(group, c.Devs, c.Selected);
        ProgramSettings s;
        s.PortBaudRate = c.Baud;
        EXPECT_EQ(EnReset(group, s), c.Want) << c.Baud << " selected " << c.Selected;
    }
}

std::vector<int> Lefts(const TToolLayout& layout) {
    std::vector<int> lefts;
    for (std::size_t i = 1; i < layout.Places.size(); ++i) lefts.push_back(layout.Places[i].Left);
    return lefts;
}

TEST(WindowRules, ToolbarLaysOutInBothModesAndTheWindowFollows) {
    EXPECT_EQ(Lefts(ToolLayout(true)), (std::vector<int>{62, 117, 174, 178, 233, 290, 294, 349, 406, 410, 465, 522}));
    EXPECT_EQ(Lefts(ToolLayout(false)), (std::vector<int>{31, 55, 81, 85, 109, 133, 139, 163, 189, 193, 217, 243}));

    test::TWindowFixture w;
    TMainForm& form = *w.Form;
    form.show();
    auto* open = form.findChild<QToolButton*>(QStringLiteral("sbFileOpen"));
    auto* save = form.findChild<QToolButton*>(QStringLiteral("sbFileSave"));
    auto* logo = form.findChild<QToolButton*>(QStringLiteral("LogoSpeedButton"));
    EXPECT_GT(open->x(), save->x());  // the form starts with Save first
    test::Trigger(form, "N8");
    EXPECT_EQ(form.ToolPanel()->height(), 46);
    EXPECT_EQ(open->text(), QStringLiteral("Открыть"));
    EXPECT_EQ(open->size(), QSize(54, 39));
    test::Trigger(form, "N8");
    EXPECT_EQ(form.ToolPanel()->height(), 30);
    EXPECT_LT(open->x(), save->x());
    EXPECT_TRUE(open->text().isEmpty());
    EXPECT_EQ(logo->geometry().right() + 1, form.ToolPanel()->width());
}

TEST(WindowRules, InspectorMarkupCarriesAnyTextAndTheCellChoices) {
    const std::string odd = "Иванов \"Ключ\" <склад> & 'двор'";
    TConfPelko conf;
    conf.Config[kAdrByte] = 40;
    conf.Name = odd;
    conf.AddCard(1, {1, 2, 3, 4, 5}, odd);
    conf.AddCard(0, {1, 2, 3, 4, 6}, "");
    TParamMarkup card;
    ASSERT_TRUE(card.Load(CardMarkup(conf, false, 0)));
    EXPECT_EQ(card.Key(), QStringLiteral("0"));
    EXPECT_EQ(card.Value(2).toStdString(), odd);
    EXPECT_EQ(card.Value(1), QStringLiteral("0102030405"));
    const QStringList choices = card.Choices(0);
    ASSERT_EQ(choices.size(), 1 + 998);
    EXPECT_EQ(choices.mid(0, 3), (QStringList{"1", "2", "3"}));
    EXPECT_EQ(choices.last(), QStringLiteral("999"));

    TParamMarkup dev;
    ASSERT_TRUE(dev.Load(DeviceMarkup(conf, 7)));
    EXPECT_EQ(dev.Key(), QStringLiteral("dev7"));
    ASSERT_EQ(dev.Count(), 6);
    EXPECT_EQ(dev.Value(0).toStdString(), odd);
    EXPECT_EQ(dev.Type(0), TParamType::ptText);
    EXPECT_EQ(dev.Type(5), TParamType::ptConst);
}

TEST(WindowRules, TypedCodesAreCheckedAsTheCardInspectorDoes) {
    TConfPelko conf;
    conf.AddCard(0, ZeroCode, "");
    conf.AddCard(1004, TextToCode("AABBCCDDEE"), "");
    struct Case {
        const char* Typed;
        const char* Message;
        const char* Code;
    };
    const Case cases[] = {
        {"12ab34cd56", "", "12AB34CD56"},
        {" 12ab34cd56 ", "", "12AB34CD56"},
        {"12ab34cd56ef", "Введён неверный код: в коде карты 10 знаков, введено 12", nullptr},
        {"123456789", "Введён неверный код", nullptr},
        {"12345G7890", "Введён неверный код.", nullptr},
        {"aabbccddee", "Введёный код уже есть в ячейке 1004", nullptr},
        {"0000000000", "", "0000000000"},
        {"ffffffffff", "", "FFFFFFFFFF"},
        {"ЖЖЖЖЖЖЖЖЖЖ", "Введён неверный код.", nullptr},
    };
    for (const Case& c : cases) {
        const TCodeCheck check = CheckCardCode(conf, QString::fromUtf8(c.Typed));
        EXPECT_EQ(check.Message, c.Message) << c.Typed;
        if (c.Code) {
            EXPECT_EQ(CodeToText(check.Code), c.Code) << c.Typed;
        }
    }
}

TEST(WindowRules, MarkedCardsCopyIntoTheLowestFreeCellsOrNotAtAll) {
    TConfPelko source;
    for (std::uint8_t i = 0; i < 5; ++i) source.AddCard(i, {9, 9, 9, 9, i}, "u" + std::to_string(i));
    for (std::uint16_t row : {1, 2, 4}) source.SelectCard(false, row);
    TConfPelko target;
    target.AddCard(2, {9, 9, 9, 9, 4}, "");  // holds source card 4's code already
    for (std::uint16_t cell = 1; cell < kUserCells; ++cell)
        if (cell != 2) target.AddCard(cell, {7, 7, 7, static_cast<std::uint8_t>(cell >> 8), static_cast<std::uint8_t>(cell)}, "");

    source.MarkSelectedForCopy(false);
    TCopyPlan plan = PrepareCardCopy(source, target, false, 0);
    EXPECT_EQ(plan.Outcome, TCopyOutcome::NoRoom);  // two to copy, only cell 0 free
    TCard held;
    target.GetCard(false, target.FindPosIndex(2), held);
    EXPECT_EQ(held.User, "u4");  // the name travelled even so
    EXPECT_EQ(source.CountCopyMarks(false), 2);

    target.DeleteCard(false, target.FindPosIndex(999));
    plan = PrepareCardCopy(source, target, false, 0);
    ASSERT_EQ(plan.Outcome, TCopyOutcome::Copy);
    CopyMarkedCards(source, target, false);
    EXPECT_EQ(source.CountCopyMarks(false), 0);
    EXPECT_EQ(source.CountSelected(false), 3);  // the source keeps its cards and marks
    TCard card;
    target.GetCard(false, target.FindPosIndex(0), card);
    EXPECT_EQ(card.User, "u1");
    target.GetCard(false, target.FindPosIndex(999), card);
    EXPECT_EQ(card.User, "u2");
}

TEST(WindowRules, PortChoicesAreRememberedUnlessFixedForTheRun) {
    QStandardPaths::setTestModeEnabled(true);
    QSettings().remove(QStringLiteral("ports"));
    PortMap commandLine;
    commandLine.Set(2, "/dev/given");
    {
        TPortChoice first(commandLine, {2});
        first.Choose(1, QStringLiteral("/dev/ttyUSB0"));
        first.Choose(2, QStringLiteral("/dev/other"));
        first.Fix(3, QStringLiteral("/dev/pts/9"));
        EXPECT_EQ(first.PathFor(2), QStringLiteral("/dev/other"));
        EXPECT_EQ(first.PathFor(3), QStringLiteral("/dev/pts/9"));
    }
    const TPortChoice again(commandLine, {2});
    EXPECT_EQ(again.PathFor(1), QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(again.PathFor(2), QStringLiteral("/dev/given"));
    EXPECT_EQ(again.PathFor(3), QStringLiteral("/dev/ttyS2"));
}

}  // namespace
}  // namespace pelko

namespace pelko {
namespace {

// Each editable row carries its field id and keeps its label; the id reads
// back as that field, and no two fields share an id.
TEST(WindowRules, InspectorFieldsMapToTheirRowsAndBack) {
    TConfPelko dev;
    dev.AddCard(5, TCode{0x10, 0x20, 0x30, 0, 1}, "user");
    const struct {
        TInspField Field;
        std::string Markup;
        int Row;
        const char* Label;
    } cases[] = {
        {TInspField::Cell, CardMarkup(dev, false, 0), 0, "Ячейка"},
        {TInspField::Code, CardMarkup(dev, false, 0), 1, "Код карты"},
        {TInspField::User, CardMarkup(dev, false, 0), 2, "Пользователь"},
        {TInspField::DevName, DeviceMarkup(dev, 0), 0, "Имя"},
    };
    ASSERT_EQ(std::size(cases), std::size(kInspFields));
    for (const auto& c : cases) {
        TParamMarkup m;
        ASSERT_TRUE(m.Load(c.Markup));
        EXPECT_EQ(m.Name(c.Row), QString::fromUtf8(c.Label));
        EXPECT_EQ(InspFieldOf(m.Attribute(c.Row, markup::kField)), c.Field) << c.Label;
    }
    for (TInspField a : kInspFields)
        for (TInspField b : kInspFields) EXPECT_EQ(a == b, std::string(InspFieldId(a)) == InspFieldId(b));
    EXPECT_FALSE(InspFieldOf("Имя").has_value());
}

}  // namespace
}  // namespace pelko
