// The card edits written into the controller at once (AutoWriteKey on).
#include <functional>
#include <map>
#include <ostream>
#include <vector>

#include "engine/card_edit.h"
#include "engine_fixture.h"

namespace pelko::test {
namespace {

class CardEditTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        settings.AutoWriteKey = true;
        id = AddController(3);
        SearchAndSelect(3);
        engine->ShowList(engine->MasterView(), true);
    }
    // A card in the model and in the device.
    void Card(std::uint16_t cell, const TCode& code, const std::string& user = std::string()) {
        Dev(3).AddCard(cell, code, user);
        SetSimCell(id, cell, code);
    }
    SimControllerId id = 0;
};

TEST_F(CardEditTest, NewCardEntersTheModelWhenTheDeviceConfirms) {
    Card(0, Code(1));
    engine->AddCard();  // into the lowest free cell
    ExpectEnded();
    EXPECT_EQ(Sim(id).Cell(1), ZeroCode);
    ASSERT_EQ(Dev(3).UserCount(), 2);
    EXPECT_FALSE(Dev(3).IsCellFree(1));
    EXPECT_EQ(host.RowCount, 2);
    EXPECT_EQ(host.Row, 1);
    EXPECT_EQ(host.Captions.front(), "Запись карты...");
}

TEST_F(CardEditTest, NewCardWithoutAnswerStopsAndLeavesTheModel) {
    Fault(id, SimFaultKind::Silent);
    engine->AddCard();
    ExpectEnded();
    EXPECT_EQ(Dev(3).UserCount(), 0);
    EXPECT_EQ(engine->Progress().Position, engine->Progress().Max);
}

TEST_F(CardEditTest, EraseOneCardMovesTheRowToTheNewLastRow) {
    Card(1, Code(1));
    Card(2, Code(2));
    host.Row = 1;
    engine->DeleteCard(1);
    ExpectEnded();
    EXPECT_EQ(Sim(id).Cell(2), EmptyCode);
    EXPECT_EQ(Sim(id).Cell(1), Code(1));
    EXPECT_EQ(Dev(3).UserCount(), 1);
    EXPECT_EQ(host.Row, 0);
}

TEST_F(CardEditTest, EraseOneCardWhoseWriteIsLostKeepsIt) {
    Card(1, Code(1));
    Fault(id, SimFaultKind::Silent, 0x22);
    engine->DeleteCard(0);
    ExpectEnded();
    EXPECT_EQ(Dev(3).UserCount(), 1);
}

TEST_F(CardEditTest, EraseMarkedCardsRemovesOnlyTheConfirmedOnes) {
    for (std::uint16_t c = 0; c < 5; ++c) Card(c, Code(static_cast<std::uint8_t>(c + 1)));
    for (std::uint16_t r : {1, 2, 3}) Dev(3).SelectCard(false, r);
    Fault(id, SimFaultKind::Silent, 0x22, 1, 3);  // the second erase is lost
    engine->DeleteCard(host.Row);
    ExpectEnded();
    EXPECT_EQ(Sim(id).Cell(1), EmptyCode);
    EXPECT_EQ(Sim(id).Cell(2), Code(3));
    EXPECT_EQ(Sim(id).Cell(3), EmptyCode);
    ASSERT_EQ(Dev(3).UserCount(), 3);
    EXPECT_TRUE(Dev(3).IsCellFree(1));
    EXPECT_FALSE(Dev(3).IsCellFree(2));
    EXPECT_TRUE(Dev(3).IsCellFree(3));
    EXPECT_EQ(host.Row, 1);
    EXPECT_EQ(host.Captions.front(), "Удаление карт...");
}

TEST_F(CardEditTest, MoveCardToAMasterCell) {
    Card(5, Code(5), "Иванов");
    engine->MoveCard(0, 1000);
    ExpectEnded();
    EXPECT_EQ(Sim(id).Cell(5), EmptyCode);
    EXPECT_EQ(Sim(id).Cell(1000), Code(5));
    EXPECT_EQ(Dev(3).UserCount(), 0);
    ASSERT_EQ(Dev(3).MasterCount(), 1);
    TCard card;
    Dev(3).GetCard(true, 0, card);
    EXPECT_EQ(card.Pos, 1000);
    EXPECT_EQ(card.User, "Иванов");
}

// The new cell is written first: a lost erase of the old one leaves the card
// in both, as the read-back shows; a lost write that did take is found too;
// a write that never took leaves the card where it was.
TEST_F(CardEditTest, MoveWhoseWriteOrEraseIsLostKeepsTheCard) {
    const struct {
        const char* name;
        SimFaultKind kind;
        int skip, count;  // of the writes (three attempts each)
        bool in5, in8;
    } cases[] = {
        {"write's answers lost", SimFaultKind::BadChecksum, 0, 3, false, true},
        {"erase lost", SimFaultKind::Silent, 1, -1, true, true},
        {"write lost", SimFaultKind::Silent, 0, 3, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        Card(5, Code(5), "Иванов");
        Fault(id, c.kind, 0x22, c.skip, c.count);
        engine->MoveCard(0, 8);
        ExpectEnded();
        EXPECT_EQ(Sim(id).Cell(5), c.in5 ? Code(5) : EmptyCode);
        EXPECT_EQ(Sim(id).Cell(8), c.in8 ? Code(5) : EmptyCode);
        EXPECT_EQ(Dev(3).UserCount(), c.in5 + c.in8);  // as in the device
        for (const std::uint16_t cell : {5, 8}) {
            if (Dev(3).IsCellFree(cell)) continue;
            TCard card;
            Dev(3).GetCard(false, Dev(3).FindPosIndex(cell), card);
            EXPECT_EQ(card.User, "Иванов");
        }
    }
}

TEST_F(CardEditTest, ChangeCode) {
    Card(5, Code(5));
    engine->ChangeCardCode(0, Code(0x55));
    ExpectEnded();
    EXPECT_EQ(Sim(id).Cell(5), Code(0x55));
    TCard card;
    Dev(3).GetCard(false, 0, card);
    EXPECT_EQ(card.Code, Code(0x55));
}

TEST_F(CardEditTest, ChangeCodeWithoutFirstAnswerStops) {
    Card(5, Code(5));
    Fault(id, SimFaultKind::Silent);
    engine->ChangeCardCode(0, Code(0x55));
    ExpectEnded();
    EXPECT_EQ(engine->Progress().Position, engine->Progress().Max);
    TCard card;
    Dev(3).GetCard(false, 0, card);
    EXPECT_EQ(card.Code, Code(5));
    // Polling was re-armed: the device is still polled afterwards.
    line->ClearFaults(id);
    engine->ChangeCardCode(0, Code(0x56));
    EXPECT_EQ(Sim(id).Cell(5), Code(0x56));
}

TEST_F(CardEditTest, CopyOneCardIntoTheTargetsFirstFreeCell) {
    const SimControllerId target = AddController(9);
    engine->Search(settings.AutoReadKey);
    group.Select(group.IndexOfAdr(3));
    Card(5, Code(5), "Иванов");
    Dev(9).AddCard(0, Code(0x90), "");
    SetSimCell(target, 0, Code(0x90));
    engine->CopyCardsTo(group.IndexOfAdr(9), 0);
    ExpectEnded();
    EXPECT_EQ(Sim(target).Cell(1), Code(5));
    TCard card;
    Dev(9).GetCard(false, Dev(9).FindPosIndex(1), card);
    EXPECT_EQ(card.User, "Иванов");
}

TEST_F(CardEditTest, CopyMarkedCardsFillsFreeCellsInOrder) {
    const SimControllerId target = AddController(9);
    engine->Search(settings.AutoReadKey);
    group.Select(group.IndexOfAdr(3));
    for (std::uint16_t c = 10; c < 14; ++c) Card(c, Code(static_cast<std::uint8_t>(c)), std::string("U").append(std::to_string(c)));
    for (std::uint16_t r : {0, 2, 3}) Dev(3).SelectCard(false, r);
    Dev(3).MarkSelectedForCopy(false);
    for (std::uint16_t c : {0, 2}) {
        Dev(9).AddCard(c, Code(0x90, static_cast<std::uint8_t>(c)), "");
        SetSimCell(target, c, Code(0x90, static_cast<std::uint8_t>(c)));
    }
    engine->CopyCardsTo(group.IndexOfAdr(9), 0);
    ExpectEnded();
    EXPECT_EQ(Sim(target).Cell(1), Code(10));
    EXPECT_EQ(Sim(target).Cell(3), Code(12));
    EXPECT_EQ(Sim(target).Cell(4), Code(13));
    EXPECT_EQ(Dev(9).UserCount(), 5);
    EXPECT_EQ(Dev(3).CountCopyMarks(false), 0);
    TCard card;
    Dev(9).GetCard(false, Dev(9).FindPosIndex(4), card);
    EXPECT_EQ(card.User, "U13");
    EXPECT_EQ(Dev(3).UserCount(), 4);  // the source keeps its cards
}

TEST_F(CardEditTest, CopyMarkedCardsSkipsACardWhoseWriteFails) {
    const SimControllerId target = AddController(9);
    engine->Search(settings.AutoReadKey);
    group.Select(group.IndexOfAdr(3));
    for (std::uint16_t c = 10; c < 13; ++c) Card(c, Code(static_cast<std::uint8_t>(c)));
    for (std::uint16_t r : {0, 1, 2}) Dev(3).SelectCard(false, r);
    Dev(3).MarkSelectedForCopy(false);
    Fault(target, SimFaultKind::Silent, 0x22, 1, 3);
    engine->CopyCardsTo(group.IndexOfAdr(9), 0);
    ExpectEnded();
    EXPECT_EQ(Sim(target).Cell(0), Code(10));
    EXPECT_EQ(Sim(target).Cell(1), Code(12));  // the failed card's cell is reused
    EXPECT_EQ(Dev(9).UserCount(), 2);
}

}  // namespace
}  // namespace pelko::test

namespace pelko::test {
namespace {

// Every card edit has two forms: model only (AutoWriteKey off) and written
// at once. Both must leave the same lists and the same current row; the
// written one also leaves them in the controllers, the other sends nothing.
class CardEditFormsTest : public EngineTest {
protected:
    struct Outcome {
        std::map<std::uint16_t, std::pair<TCode, std::string>> dev3, dev9;
        int row = 0;
        bool operator==(const Outcome&) const = default;
        friend void PrintTo(const Outcome& o, std::ostream* os) {
            for (const auto* dev : {&o.dev3, &o.dev9}) {
                for (const auto& [cell, card] : *dev) *os << cell << ':' << card.second << ' ';
                *os << "| ";
            }
            *os << "row " << o.row;
        }
    };
    static std::map<std::uint16_t, std::pair<TCode, std::string>> Cards(const TConfPelko& dev) {
        std::map<std::uint16_t, std::pair<TCode, std::string>> out;
        for (const auto* list : {&dev.UserCards(), &dev.MasterCards()})
            for (const TCard& c : *list) out[c.Pos] = {c.Code, c.User};
        return out;
    }
    Outcome Run(bool written, const std::function<void(TEngine&)>& edit) {
        Restart();
        settings.AutoWriteKey = written;
        const SimControllerId a = AddController(3), b = AddController(9);
        engine->Search(false);
        group.Select(group.IndexOfAdr(3));
        engine->ShowList(engine->MasterView(), true);
        for (std::uint16_t cell : {1, 2, 3, 1001}) {
            Dev(3).AddCard(cell, Code(static_cast<std::uint8_t>(cell), 3), "U" + std::to_string(cell));
            SetSimCell(a, cell, Code(static_cast<std::uint8_t>(cell), 3));
        }
        Dev(9).AddCard(0, Code(0x90), "");
        SetSimCell(b, 0, Code(0x90));
        host.Row = 1;
        ClearSent();
        edit(*engine);
        EXPECT_FALSE(host.Stalled);
        EXPECT_EQ(engine->OperState(), osIdle);
        if (!written) {
            EXPECT_EQ(CountSent(0x22), 0u);
        }
        for (const auto& [id, adr] : {std::pair{a, 3}, std::pair{b, 9}}) {
            const auto model = Cards(Dev(static_cast<std::uint8_t>(adr)));
            for (std::uint16_t cell = 0; written && cell < kCellCount; ++cell) {
                const auto it = model.find(cell);
                EXPECT_EQ(Sim(id).Cell(cell), it == model.end() ? EmptyCode : it->second.first)
                    << "controller " << adr << " cell " << cell;
            }
        }
        return {Cards(Dev(3)), Cards(Dev(9)), host.Row};
    }
};

// Each command's TCardEdit, applied to the model alone, leaves the lists the
// command's written form leaves in the model and the controllers.
TEST_F(CardEditFormsTest, ModelOnlyAndWrittenFormsAgree) {
    const auto none = [](TEngine&) {};
    const auto mark = [](std::vector<std::uint16_t> rows) {
        return [rows](TEngine& e) {
            for (std::uint16_t r : rows) e.CurConf().SelectCard(false, r);
        };
    };
    const TCard third{3, Code(3, 3), "U3"};
    const struct {
        const char* name;
        std::function<void(TEngine&)> prepare, command;
        TCardEdit edit;
        std::uint8_t adr;  // the device the edit changes
    } edits[] = {
        {"add", none, [](TEngine& e) { e.AddCard(); }, TCardEdit::Add(false, 0), 3},
        {"delete", none, [](TEngine& e) { e.DeleteCard(1); }, TCardEdit::Erase(false, 1), 3},
        {"delete last", none, [](TEngine& e) { e.DeleteCard(2); }, TCardEdit::Erase(false, 2), 3},
        {"delete marked", mark({0, 2}), [](TEngine& e) { e.DeleteCard(1); }, TCardEdit::EraseMarked(false), 3},
        {"move", none, [](TEngine& e) { e.MoveCard(0, 8); }, TCardEdit::Move(false, 0, 8), 3},
        {"to master list", none, [](TEngine& e) { e.SwitchCardList(1); }, TCardEdit::Move(false, 1, 1000), 3},
        {"code", none, [](TEngine& e) { e.ChangeCardCode(2, Code(0x55)); }, TCardEdit::ChangeCode(false, 2, Code(0x55)), 3},
        {"user", none, [](TEngine& e) { e.SetCardUser(0, "Иванов"); }, TCardEdit::Rename(false, 0, "Иванов"), 3},
        {"copy one", none, [](TEngine& e) { e.CopyCardsTo(1, 2); }, TCardEdit::Copy(1, false, third, 1), 9},
        {"copy marked", mark({0, 1}), [](TEngine& e) { e.CopyCardsTo(1, 2); },
         TCardEdit::CopyMarked(1, false, {{1, Code(1, 3), "U1"}, {2, Code(2, 3), "U2"}}), 9},
    };
    const Outcome start = Run(false, none);
    for (const auto& c : edits) {
        SCOPED_TRACE(c.name);
        const auto both = [&c](TEngine& e) {
            c.prepare(e);
            c.command(e);
        };
        const Outcome modelOnly = Run(false, both);
        const Outcome written = Run(true, both);
        const Outcome applied = Run(false, [&](TEngine& e) {
            c.prepare(e);
            e.ApplyToModel(group.IndexOfAdr(c.adr), c.edit);
        });
        EXPECT_EQ(modelOnly, written);
        EXPECT_EQ(applied, written);
        EXPECT_FALSE(modelOnly == start);  // the edit did something
    }
}

}  // namespace
}  // namespace pelko::test
