// Reading and writing all 1010 cells of one device or of every opened device.
#include "engine_fixture.h"
#include "link/frame.h"

namespace pelko::test {
namespace {

class ReadWriteTest : public EngineTest {
protected:
    // A device at 3 holding cards in cells 0, 5, 999, 1000 and 1009.
    void SetUpDevice() {
        id = AddController(3);
        for (std::uint16_t cell : {0, 5, 999, 1000, 1009})
            SetSimCell(id, cell, Code(static_cast<std::uint8_t>(cell & 0xFF), static_cast<std::uint8_t>(cell >> 8), 7));
        SearchAndSelect(3);
    }
    SimControllerId id = 0;
};

TEST_F(ReadWriteTest, ReadSelectedMergesEveryCellIntoTheModel) {
    SetUpDevice();
    TConfPelko& dev = Dev(3);
    dev.AddCard(7, Code(9, 9), "Иванов");      // the device's cell 7 is free
    dev.AddCard(5, Code(8, 8), "Петров");      // a different code in cell 5
    dev.AddCard(999, Code(0xE7, 3, 7), "Сидоров");  // the same code
    engine->ReadCards(group.Selected());
    ExpectEnded();
    EXPECT_EQ(engine->CellsConfirmed(3), 1010);
    EXPECT_EQ(dev.UserCount(), 4);  // 7, 5, 999 and the new 0
    EXPECT_EQ(dev.MasterCount(), 2);
    TCard card;
    dev.GetCard(false, dev.FindPosIndex(7), card);
    EXPECT_EQ(card.Code, ZeroCode);
    EXPECT_EQ(card.User, "");
    dev.GetCard(false, dev.FindPosIndex(5), card);
    EXPECT_EQ(card.Code, Code(5, 0, 7));
    EXPECT_EQ(card.User, "");
    dev.GetCard(false, dev.FindPosIndex(999), card);
    EXPECT_EQ(card.User, "Сидоров");
    dev.GetCard(true, dev.FindPosIndex(1009), card);
    EXPECT_EQ(card.Code, Code(0xF1, 3, 7));
    EXPECT_EQ(host.Captions[1], "Считывание карт с Прибор: 3 : 0 %.");
    EXPECT_EQ(host.Captions.back(), "Считывание карт с Прибор: 3 : 100 %.");
    EXPECT_EQ(host.RowCount, 4);
    EXPECT_TRUE(session->ERUniqueButton());
}

TEST_F(ReadWriteTest, ReadWhoseFirstExchangeFailsStopsAndLeavesTheModel) {
    SetUpDevice();
    Dev(3).AddCard(7, Code(9), "");
    Fault(id, SimFaultKind::Silent);
    engine->ReadCards(group.Selected());
    ExpectEnded();
    EXPECT_EQ(engine->Progress().Position, engine->Progress().Max);
    EXPECT_EQ(Dev(3).UserCount(), 1);
    EXPECT_EQ(CountSent(0x20), 0u);
    // The session still works for the next command.
    line->ClearFaults(id);
    engine->ReadCards(group.Selected());
    ExpectEnded();
    EXPECT_EQ(Dev(3).UserCount(), 4);
}

// A cell that fails is tried once more at the end; what still fails, and a
// controller that stops answering, are named, and the model keeps what it had.
TEST_F(ReadWriteTest, FailedCellsAreTriedAgainThenNamed) {
    struct Case {
        const char* name;
        bool write;
        int skip, count;  // silent answers among the cell requests (three attempts each)
        std::size_t confirmed;
        const char* message;  // after "Прибор: 3 (адрес 3) — "; empty: none
        int times = 1;        // the fault again every hundred cells: failures apart are not "in a row"
    } cases[] = {
        {"read: one cell fails, then reads", false, 5, 3, 1010, ""},
        {"read: five cells far apart fail, then read", false, 100, 3, 1010, "", 5},
        {"read: gone after cell 5", false, 5, -1, 5, "не считаны ячейки 5–1009"},
        {"write: first exchange fails", true, -1, -1, 0, "не отвечает, карты не записаны."},
        {"write: two cells fail, then write", true, 10, 6, 1010, ""},
        {"write: five cells far apart fail, then write", true, 10, 3, 1010, "", 5},
        {"write: gone after cell 10", true, 10, -1, 10, "не записаны ячейки 10–1009"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        host.Messages.clear();
        SetUpDevice();
        Dev(3).AddCard(500, Code(5), "Петров");
        const std::uint8_t cmd = c.write ? 0x22 : 0x20;
        if (c.skip < 0) Fault(id, SimFaultKind::Silent);
        else
            for (int k = 0; k < c.times; ++k) Fault(id, SimFaultKind::Silent, cmd, c.skip + 100 * k, c.count);
        if (c.write) engine->WriteCards(group.Selected(), {.allCells = true});
        else engine->ReadCards(group.Selected());
        ExpectEnded();
        EXPECT_EQ(engine->CellsConfirmed(3), c.confirmed);
        const std::string text = host.Messages.empty() ? std::string() : host.Messages.back().text;
        EXPECT_EQ(text, *c.message ? "Прибор: 3 (адрес 3) — " + std::string(c.message) : std::string());
        // Cell 500: written, or read (the controller has none), or as it was.
        TCard card;
        if (c.write) {
            EXPECT_EQ(Sim(id).Cell(500), c.confirmed > 500 ? Code(5) : EmptyCode);
        } else if (Dev(3).FindPosIndex(500) != NoCard) {
            Dev(3).GetCard(false, Dev(3).FindPosIndex(500), card);
            EXPECT_EQ(card.Code, c.confirmed > 500 ? ZeroCode : Code(5));
        }
    }
}

// The link accepts a cell answer with a single data byte; it confirms no code.
TEST_F(ReadWriteTest, CellAnswerWithoutAWholeCodeIsSkippedAndTheReadGoesOn) {
    for (bool all : {false, true}) {
        SCOPED_TRACE(all);
        Restart();
        host.Messages.clear();
        SetUpDevice();
        Dev(3).AddCard(6, Code(8, 8), "Петров");
        Fault(id, SimFaultKind::Short, 0x20, 6, 1);     // cell 6 answers with one data byte,
        Fault(id, SimFaultKind::Short, 0x20, 1009, 1);  // and again when it is tried at the end
        if (all) engine->ReadCardsOfAll();
        else engine->ReadCards(group.Selected());
        ExpectEnded();
        EXPECT_EQ(engine->CellsConfirmed(3), kCellCount - 1);
        ASSERT_EQ(host.Messages.size(), 1u);
        EXPECT_EQ(host.Messages[0].text, "Прибор: 3 (адрес 3) — не считана ячейка 6");
        TCard card;
        Dev(3).GetCard(false, Dev(3).FindPosIndex(6), card);
        EXPECT_EQ(card.Code, Code(8, 8));
        EXPECT_EQ(card.User, "Петров");
        EXPECT_EQ(Dev(3).MasterCount(), 2);  // read on to the last cell
    }
}

// Cancel leaves one read in flight; its answer must not enter the next read.
// An answer to a request of an operation that has ended reaches no later
// operation, even one that asks the same controller the same thing.
TEST_F(ReadWriteTest, AnAnswerFromAnEndedOperationReachesNoLaterOne) {
    SetUpDevice();
    std::uint32_t lastCheck = 0;
    auto deliver = session->OnAsyncAnswer;
    session->OnAsyncAnswer = [&](const Bytes& a, std::uint32_t check) {
        lastCheck = check;
        deliver(a, check);
    };
    engine->ReadCards(group.Selected());  // its last request reads cell 1009
    const std::uint32_t stale = lastCheck;
    int turns = 0;
    host.WhileModal = [&] {
        // Cell 1009's answer again, mid-way through the next read, with a wrong code.
        if (++turns == 20) deliver(BuildFrame({3, 0x0B, 0x21, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0x00}), stale);
    };
    engine->ReadCards(group.Selected());
    host.WhileModal = nullptr;
    session->OnAsyncAnswer = deliver;
    ExpectEnded();
    EXPECT_GE(turns, 20);
    EXPECT_EQ(engine->CellsConfirmed(3), 1010);
    for (const TCard& c : Dev(3).UserCards()) EXPECT_EQ(c.Code, Sim(id).Cell(c.Pos)) << c.Pos;
    for (const TCard& c : Dev(3).MasterCards()) EXPECT_EQ(c.Code, Sim(id).Cell(c.Pos)) << c.Pos;
}

TEST_F(ReadWriteTest, AnswerLeftFromACancelledReadStaysOutOfTheNextOne) {
    SetUpDevice();
    host.CancelWhen = [&] { return engine->CellsConfirmed(3) >= 5; };
    engine->ReadCards(group.Selected());
    host.CancelWhen = nullptr;
    ASSERT_LT(engine->CellsConfirmed(3), 1010);  // cancelled with a read in flight
    ClearSent();
    engine->ReadCards(group.Selected());
    ExpectEnded();
    // The read in flight may go out after ClearSent, but always before the login.
    std::size_t reads = 0;
    bool loggedIn = false;
    for (const SentFrame& f : Sent()) {
        loggedIn = loggedIn || f.cmd == 0x24;
        reads += loggedIn && f.cmd == 0x20;
    }
    EXPECT_EQ(reads, 1010u);
    EXPECT_EQ(engine->CellsConfirmed(3), 1010);
    const SimController sim = Sim(id);
    ASSERT_EQ(Dev(3).UserCount(), 3);
    ASSERT_EQ(Dev(3).MasterCount(), 2);
    for (const TCard& c : Dev(3).UserCards()) EXPECT_EQ(c.Code, sim.Cell(c.Pos)) << c.Pos;
    for (const TCard& c : Dev(3).MasterCards()) EXPECT_EQ(c.Code, sim.Cell(c.Pos)) << c.Pos;
}

TEST_F(ReadWriteTest, ReadRefusedByThePasswordEndsQuietly) {
    SetUpDevice();
    Dev(3).Pass = Code(1, 2, 3, 4, 5);
    engine->ReadCards(group.Selected());
    ExpectEnded();
    EXPECT_EQ(CountSent(0x20), 0u);
    EXPECT_EQ(Dev(3).UserCount(), 0);
}

TEST_F(ReadWriteTest, ReadAllReadsOnlyTheOpenedDevices) {
    for (std::uint8_t adr : {2, 4, 6}) SetSimCell(AddController(adr), 1, Code(adr));
    engine->Search(settings.AutoReadKey);
    group.ClearState(0, dfOpened);
    group.ClearState(2, dfOpened);
    ClearSent();
    engine->ReadCardsOfAll();
    ExpectEnded();
    EXPECT_EQ(CountSent(0x20, 2), 0u);
    EXPECT_EQ(CountSent(0x20, 4), 1010u);
    EXPECT_EQ(CountSent(0x20, 6), 0u);
    EXPECT_EQ(Dev(4).UserCount(), 1);
    EXPECT_EQ(Dev(2).UserCount(), 0);
}

TEST_F(ReadWriteTest, ReadAllSkipsALaterDeviceThatStoppedAnswering) {
    const SimControllerId second = AddController(8);
    SetSimCell(AddController(2), 1, Code(2));
    SetSimCell(second, 1, Code(8));
    engine->Search(settings.AutoReadKey);
    line->Unplug(second);
    engine->ReadCardsOfAll();
    ExpectEnded();
    EXPECT_EQ(Dev(2).UserCount(), 1);
    EXPECT_EQ(engine->CellsConfirmed(8), 0);
    EXPECT_EQ(CountSent(0x20, 8), 0u);  // no cell read without an answered login
}

TEST_F(ReadWriteTest, WriteSelectedMakesTheDeviceEqualToTheModel) {
    SetUpDevice();
    TConfPelko& dev = Dev(3);
    dev.AddCard(20, Code(0x20), "");
    dev.AddCard(1005, Code(0x10, 0x05), "");  // the device's 0, 5, 999, 1000, 1009 are not in the model
    engine->WriteCards(group.Selected());
    ExpectEnded();
    EXPECT_EQ(engine->CellsConfirmed(3), 1010);
    const SimController sim = Sim(id);
    EXPECT_EQ(sim.UsedCells(), 2);
    EXPECT_EQ(sim.Cell(20), Code(0x20));
    EXPECT_EQ(sim.Cell(1005), Code(0x10, 0x05));
    EXPECT_EQ(sim.Cell(0), EmptyCode);
    EXPECT_NE(std::find(host.Captions.begin(), host.Captions.end(), "Запись карт в Прибор: 3 : 100 %."),
              host.Captions.end());
    EXPECT_EQ(host.Captions.back(), "Проверка записи в Прибор: 3 : 100 %.");  // then read back
    EXPECT_EQ(dev.UserCount(), 1);  // the model is not changed by a bulk write
}

// Every cell, or only those that hold a card.
TEST_F(ReadWriteTest, WriteWithEmptyModelErasesAllCells) {
    for (const bool allCells : {true, false}) {
        SCOPED_TRACE(allCells);
        Restart();
        SetUpDevice();
        const auto used = static_cast<std::size_t>(Sim(id).UsedCells());
        ASSERT_GT(used, 0u);
        ClearSent();
        engine->WriteCards(group.Selected(), {.allCells = allCells});
        ExpectEnded();
        EXPECT_EQ(Sim(id).UsedCells(), 0);
        EXPECT_EQ(CountSent(0x22), allCells ? 1010u : used);
        EXPECT_EQ(engine->CellsConfirmed(3), 1010);
    }
}

TEST_F(ReadWriteTest, WriteAllWritesEveryOpenedDeviceAndSkipsTheOthers) {
    const SimControllerId a = AddController(2), b = AddController(4), c = AddController(6);
    engine->Search(settings.AutoReadKey);
    group.ClearState(1, dfOpened);
    for (std::uint8_t adr : {2, 4, 6}) Dev(adr).AddCard(3, Code(adr), "");
    ClearSent();
    engine->WriteCardsOfAll();
    ExpectEnded();
    EXPECT_EQ(Sim(a).Cell(3), Code(2));
    EXPECT_EQ(Sim(b).Cell(3), EmptyCode);
    EXPECT_EQ(Sim(c).Cell(3), Code(6));
    EXPECT_EQ(CountSent(0x22, 4), 0u);
    EXPECT_EQ(engine->CellsConfirmed(6), 1010);
}

}  // namespace
}  // namespace pelko::test
