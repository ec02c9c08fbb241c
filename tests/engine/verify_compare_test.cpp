// A bulk write reads back what it wrote; a comparison reads a controller
// without touching the model, and either side can then be taken.
#include "engine/card_check.h"
#include "engine_fixture.h"

namespace pelko::test {
namespace {

class VerifyTest : public EngineTest {
protected:
    // Controller 3 and its model hold the same cards in 1, 500 and 1000.
    void SetUpDevice() {
        id = AddController(3);
        SearchAndSelect(3);
        for (std::uint16_t cell : {1, 500, 1000}) {
            Dev(3).AddCard(cell, Code(0x40, static_cast<std::uint8_t>(cell)), "U");
            SetSimCell(id, cell, Code(0x40, static_cast<std::uint8_t>(cell)));
        }
        host.Messages.clear();
    }
    // Runs fn on the simulated line once the read-back has begun: a few
    // cells may have been read by then, the cells changed are later ones.
    void DuringReadBack(std::function<void()> fn) {
        host.WhileModal = [this, fn, done = false]() mutable {
            if (done || host.Captions.empty() || host.Captions.back().rfind("Проверка записи", 0) != 0) return;
            done = true;
            fn();
        };
    }
    TCode ModelCode(std::uint16_t cell) {
        TConfPelko& d = Dev(3);
        if (d.IsCellFree(cell)) return EmptyCode;
        TCard card;
        d.GetCard(cell >= kFirstMasterCell, d.FindPosIndex(cell), card);
        return card.Code;
    }
    std::string LastMessage() const { return host.Messages.empty() ? std::string() : host.Messages.back().text; }
    SimControllerId id = 0;
};

// Whatever keeps a written cell from reading back as the model holds it is
// named and the cell is not counted as confirmed.
TEST_F(VerifyTest, TheWriteReadsBackEveryCellItWroteAndNamesWhatDiffers) {
    struct Case {
        const char* name;
        std::function<void()> fault;
        std::uint16_t confirmed;
        const char* message;  // after "Прибор: 3 (адрес 3) — "; empty: no box
        std::size_t differ, unread;
    };
    const Case cases[] = {
        {"clean", [] {}, 1010, "", 0, 0},
        {"a cell changed after its write",
         [this] { DuringReadBack([this] { SetSimCell(id, 700, Code(0x77)); }); }, 1009,
         "записано 1010, подтверждено 1009, не совпало 1: ячейка 700", 1, 0},
        {"two cells lost", [this] {
             DuringReadBack([this] {
                 SetSimCell(id, 500, EmptyCode);
                 SetSimCell(id, 1000, EmptyCode);
             });
         }, 1008, "записано 1010, подтверждено 1008, не совпало 2: ячейки 500, 1000", 2, 0},
        // Cell 5's read-back and its second try answer without a whole code.
        {"a cell that cannot be read back",
         [this] { Fault(id, SimFaultKind::Short, 0x20, 5, 1); Fault(id, SimFaultKind::Short, 0x20, 1009, 1); },
         1009, "записано 1010, подтверждено 1009, не совпало 0; не удалось проверить ячейку 5", 0, 1},
        {"the controller goes silent for reads",
         [this] { Fault(id, SimFaultKind::Silent, 0x20, 100); }, 100,
         "записано 1010, подтверждено 100, не совпало 0; не удалось проверить ячейки 100–1009", 0, 910},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        SetUpDevice();
        c.fault();
        ClearSent();
        engine->WriteCards(group.Selected(), {.allCells = true});
        host.WhileModal = nullptr;
        ExpectEnded();
        EXPECT_EQ(CountSent(0x22), 1010u);
        EXPECT_EQ(engine->CellsConfirmed(3), c.confirmed);
        EXPECT_EQ(LastMessage(), *c.message ? "Прибор: 3 (адрес 3) — " + std::string(c.message) : std::string());
        ASSERT_EQ(engine->LastWriteChecks().size(), 1u);
        const TCardCheck& check = engine->LastWriteChecks()[0];
        EXPECT_EQ(check.written, 1010);
        EXPECT_EQ(check.differ.size(), c.differ);
        EXPECT_EQ(check.unread.size(), c.unread);
        EXPECT_EQ(check.Matches(), !*c.message);
        for (const TCellDiff& d : check.differ) {
            EXPECT_EQ(d.model, ModelCode(d.cell));
            EXPECT_EQ(d.device, Sim(id).Cell(d.cell));
        }
        EXPECT_EQ(Dev(3).UserCount(), 2);  // the model is the user's and stays
    }
}

// A write of every opened device checks each one: every cell, so the cell
// changed once device 4's read-back has begun is read after the change.
TEST_F(VerifyTest, WriteAllChecksEveryDeviceItWrote) {
    const SimControllerId a = AddController(2), b = AddController(4);
    engine->Search(false);
    Dev(2).AddCard(900, Code(2), "");
    Dev(4).AddCard(900, Code(4), "");
    host.WhileModal = [&, done = false]() mutable {
        if (!done && !host.Captions.empty() && host.Captions.back().rfind("Проверка записи в Прибор: 4", 0) == 0) {
            done = true;
            SetSimCell(b, 900, Code(5));
        }
    };
    engine->WriteCardsOfAll({.allCells = true});
    host.WhileModal = nullptr;
    ExpectEnded();
    ASSERT_EQ(engine->LastWriteChecks().size(), 2u);
    EXPECT_TRUE(engine->LastWriteChecks()[0].Matches());
    EXPECT_EQ(engine->LastWriteChecks()[1].differ.size(), 1u);
    EXPECT_EQ(Sim(a).Cell(900), Code(2));
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(host.Messages[0].text, "Прибор: 4 (адрес 4) — записано 1010, подтверждено 1009, не совпало 1: ячейка 900");
}

TEST_F(VerifyTest, ComparisonShowsBothSidesAndEitherCanBeTaken) {
    SetUpDevice();
    SetSimCell(id, 7, Code(0x77));            // only in the controller
    Dev(3).AddCard(8, Code(0x88), "Петров");  // only in the program
    SetSimCell(id, 500, Code(0x22));          // different codes
    SetSimCell(id, 1009, Code(0x19));         // a master card only in the controller
    const auto modelBefore = Dev(3).UserCards();
    engine->CompareCards(group.Selected(), host.Done());
    TCardCheck check = host.Check();
    ExpectEnded();
    EXPECT_TRUE(check.reached);
    EXPECT_TRUE(check.unread.empty());
    ASSERT_EQ(check.differ.size(), 4u);
    const struct { std::uint16_t cell; TCode model, device; } want[] = {
        {7, EmptyCode, Code(0x77)}, {8, Code(0x88), EmptyCode}, {500, Code(0x40, 0xF4), Code(0x22)}, {1009, EmptyCode, Code(0x19)}};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(check.differ[i].cell, want[i].cell);
        EXPECT_EQ(check.differ[i].model, want[i].model);
        EXPECT_EQ(check.differ[i].device, want[i].device);
    }
    EXPECT_EQ(Dev(3).UserCards().size(), modelBefore.size());  // untouched
    EXPECT_EQ(ModelCode(500), Code(0x40, 0xF4));

    // The controller's side for 7, 500 and 1009; the program's for 8.
    engine->TakeDeviceCells(group.Selected(), {check.differ[0], check.differ[2], check.differ[3]});
    EXPECT_EQ(ModelCode(500), Code(0x22));
    EXPECT_EQ(ModelCode(7), Code(0x77));
    EXPECT_EQ(ModelCode(1009), Code(0x19));
    TCard card;
    Dev(3).GetCard(false, Dev(3).FindPosIndex(500), card);
    EXPECT_EQ(card.User, "U");  // the card keeps its user
    ClearSent();
    engine->WriteModelCells(group.Selected(), {8}, host.Done());
    const TCardCheck written = host.Check();
    ExpectEnded();
    EXPECT_TRUE(written.Matches());
    EXPECT_EQ(CountSent(0x22), 1u);
    EXPECT_EQ(Sim(id).Cell(8), Code(0x88));
    EXPECT_TRUE(host.Messages.empty());
    engine->CompareCards(group.Selected(), host.Done());
    check = host.Check();
    EXPECT_TRUE(check.Matches());
}

// A cell the comparison cannot read is named unread, never reported as equal
// or as different; a refused login compares nothing.
TEST_F(VerifyTest, ComparisonUnderFaults) {
    SetUpDevice();
    Fault(id, SimFaultKind::Short, 0x20, 3, 1);
    Fault(id, SimFaultKind::Short, 0x20, 1009, 1);
    SetSimCell(id, 3, Code(0x33));
    engine->CompareCards(group.Selected(), host.Done());
    TCardCheck check = host.Check();
    EXPECT_TRUE(check.reached);
    EXPECT_TRUE(check.differ.empty());
    EXPECT_EQ(check.unread, std::vector<std::uint16_t>{3});
    EXPECT_FALSE(check.Matches());

    line->ClearFaults(id);
    Dev(3).Pass = Code(1, 2, 3, 4, 5);
    engine->CompareCards(group.Selected(), host.Done());
    check = host.Check();
    ExpectEnded();
    EXPECT_FALSE(check.reached);
    EXPECT_FALSE(check.Matches());
    EXPECT_EQ(LastMessage(), "Прибор: 3 (адрес 3) — не принял пароль, карты не сравнены.");
    // Writing the program's side with a refused login leaves every chosen cell unread.
    engine->WriteModelCells(group.Selected(), {1, 2}, host.Done());
    const TCardCheck written = host.Check();
    EXPECT_FALSE(written.Matches());
    EXPECT_EQ(written.unread.size(), 2u);
    EXPECT_EQ(CountSent(0x22), 0u);
}

}  // namespace
}  // namespace pelko::test
