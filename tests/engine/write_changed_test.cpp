// A bulk write sends only the cells that differ from what the controller
// holds, whatever the program knew of it beforehand, and the controller ends
// as the program's list.
#include <map>

#include "engine_fixture.h"

namespace pelko::test {
namespace {

using Cells = std::map<std::uint16_t, TCode>;

TCode Own(std::uint16_t cell, std::uint8_t salt = 0) {
    return Code(0xA0, static_cast<std::uint8_t>(cell >> 8), static_cast<std::uint8_t>(cell), salt, 0x5A);
}

Cells Range(std::uint16_t from, std::uint16_t to, std::uint8_t salt = 0) {
    Cells out;
    for (std::uint16_t c = from; c < to; ++c) out[c] = Own(c, salt);
    return out;
}

struct Scenario {
    const char* name;
    Cells controller, model;
};

Scenario FiveOf300() {
    Scenario s{"five of 300 changed", Range(0, 300), Range(0, 300)};
    for (std::uint16_t c : {10, 120, 299}) s.model[c] = Own(c, 1);
    s.model.erase(50);
    s.model[400] = Own(400);
    return s;
}

enum class Known { Nothing, WholeRead, ReadThenEdited, ReadThenSwapped };

const char* KnownName(Known k) {
    switch (k) {
    case Known::Nothing: return "nothing known";
    case Known::WholeRead: return "read whole";
    case Known::ReadThenEdited: return "read, one cell written since";
    default: return "read, then another controller at the address";
    }
}

class WriteChangedTest : public EngineTest {
protected:
    void Prepare(const Scenario& s, Known known) {
        Restart();
        id = AddController(3);
        for (const auto& [cell, code] : s.controller) SetSimCell(id, cell, code);
        SearchAndSelect(3);
        if (known != Known::Nothing) engine->ReadCards(group.Selected());
        if (known == Known::ReadThenEdited) {
            settings.AutoWriteKey = true;  // the edit goes to the controller
            if (!Dev(3).IsCellFree(0)) engine->ChangeCardCode(0, Own(0, 7));
            settings.AutoWriteKey = false;
        }
        if (known == Known::ReadThenSwapped) {
            for (std::uint16_t c = 0; c < kCellCount; ++c) SetSimCell(id, c, c < 150 ? Own(c, 9) : EmptyCode);
        }
        SetModel(s.model);
        before = Sim(id);
        ClearSent();
        host.Messages.clear();
    }
    void SetModel(const Cells& cells) {
        TConfPelko& d = Dev(3);
        while (d.UserCount() > 0) d.DeleteCard(false, 0);
        while (d.MasterCount() > 0) d.DeleteCard(true, 0);
        for (const auto& [cell, code] : cells) d.AddCard(cell, code, "");
    }
    std::size_t Differing(const Cells& model) const {
        std::size_t n = 0;
        for (std::uint16_t c = 0; c < kCellCount; ++c) {
            const auto it = model.find(c);
            n += !SameCode(it == model.end() ? EmptyCode : it->second, before.Cell(c));
        }
        return n;
    }
    SimControllerId id = 0;
    SimController before;
};

// Exchanges are counted, not timed: a write of five changes costs about one
// read, a fresh controller given 200 cards well under one and a half.
TEST_F(WriteChangedTest, OnlyWhatDiffersIsWrittenAndTheControllerEndsAsTheList) {
    const Scenario scenarios[] = {
        FiveOf300(),
        {"fresh controller, 200 cards", {}, Range(0, 200)},
        {"every card removed", Range(0, 300), {}},
        {"the same list", Range(0, 300), Range(0, 300)},
    };
    for (const Scenario& s : scenarios) {
        for (const Known known : {Known::Nothing, Known::WholeRead, Known::ReadThenEdited, Known::ReadThenSwapped}) {
            SCOPED_TRACE(std::string(s.name) + ", " + KnownName(known));
            Prepare(s, known);
            const std::size_t differ = Differing(s.model);
            engine->WriteCards(group.Selected());
            ExpectEnded();
            const SimController after = Sim(id);
            for (std::uint16_t c = 0; c < kCellCount; ++c) {
                const auto it = s.model.find(c);
                ASSERT_EQ(after.Cell(c), it == s.model.end() ? EmptyCode : it->second) << "cell " << c;
            }
            ASSERT_EQ(engine->LastWriteChecks().size(), 1u);
            const TCardCheck& check = engine->LastWriteChecks()[0];
            EXPECT_TRUE(check.Matches());
            EXPECT_EQ(engine->CellsConfirmed(3), kCellCount);
            EXPECT_TRUE(host.Messages.empty()) << host.Messages.front().text;
            // The bar ends full, also when nothing was written (the window reads it as finished).
            EXPECT_EQ(host.Bar.Position, host.Bar.Max);
            EXPECT_EQ(host.Captions.back(), "Проверка записи в Прибор: 3 : 100 %.");
            // No cell that already held its code is written, each written one is read back.
            EXPECT_EQ(CountSent(0x22), differ);
            EXPECT_EQ(check.written, differ);
            EXPECT_EQ(check.unchanged, kCellCount - differ);
            // A few known cells again, the cells the program wrote since, or all.
            const std::size_t reads = CountSent(0x20);
            const std::size_t unknown = known == Known::WholeRead ? 0 : known == Known::ReadThenEdited ? 1 : kCellCount;
            EXPECT_LE(reads, 5 + unknown + differ);
            if (known == Known::Nothing) {
                const double exchanges = static_cast<double>(reads + CountSent(0x22)) / kCellCount;
                const double goal = s.controller.empty() ? 1.25 : s.model.size() == 300 ? 1.02 : 2.0;
                EXPECT_LE(exchanges, goal);
            }
        }
    }
}

}  // namespace
}  // namespace pelko::test
