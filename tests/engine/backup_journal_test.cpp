// Backups before a reset or a bulk write erase a controller's cells, and the
// journal of what every operation changed.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "config/config_reader.h"
#include "config/file_io.h"
#include "engine/file_change_recorder.h"
#include "engine/preflight.h"
#include "engine/settings_dialog_values.h"
#include "engine_fixture.h"

namespace pelko::test {
namespace {

namespace fs = std::filesystem;

const TCode kOwnPass = Code(0xA1, 0xB2, 0xC3, 0xD4, 0xE5);
const TCode kNewCommon = Code(0x5A, 0x6B, 0x7C, 0x8D, 0x9E);

class BackupJournalTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        dir = fs::path(::testing::TempDir()) /
              ("pelko-backup-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir);
        MakeRecorder();
    }
    void TearDown() override {
        engine->SetRecorder(nullptr);
        EngineTest::TearDown();
        fs::remove_all(dir);
    }
    void MakeRecorder() {
        recorder = std::make_unique<FileChangeRecorder>(settings, (dir / "backups").string(),
                                                        (dir / "state" / "journal.txt").string());
        engine->SetRecorder(recorder.get());
    }
    // Controller 5 with its own password, three cards; found and selected.
    SimControllerId Place() {
        const SimControllerId id = AddController(5, 9600, kOwnPass);
        SetSimCell(id, 7, Code(7));
        SetSimCell(id, 300, Code(3, 0, 0));
        SetSimCell(id, 1003, Code(0x10, 3));
        SearchAndSelect(5);
        if (!group.GetState(0, dfOpened)) engine->OpenWithPassword(0, kOwnPass);
        EXPECT_TRUE(group.GetState(0, dfOpened));
        ClearSent();
        simId = id;
        return id;
    }
    std::vector<fs::path> Backups() {
        std::vector<fs::path> out;
        if (fs::exists(dir / "backups"))
            for (const auto& e : fs::directory_iterator(dir / "backups")) out.push_back(e.path());
        return out;
    }
    std::string Journal() {
        std::ifstream in(dir / "state" / "journal.txt");
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::vector<std::string> JournalLines() {
        std::vector<std::string> out;
        std::istringstream in(Journal());
        for (std::string line; std::getline(in, line);) out.push_back(line);
        return out;
    }
    // The backup file opened as the window opens a file, into an empty group.
    std::map<std::uint16_t, TCode> OpenBackup(const fs::path& file, TGroupDev& into) {
        std::string bytes;
        EXPECT_TRUE(ReadWholeFile(file.string(), bytes).ok);
        ProgramSettings s;
        SilentConfigHost h;
        EXPECT_TRUE(ReadFromFile(bytes, s, into, h));
        std::map<std::uint16_t, TCode> cells;
        const TConfPelko* dev = into.GetDevice(into.IndexOfAdr(5), nullptr);
        if (dev == nullptr) return cells;
        for (const CardsArr* list : {&dev->UserCards(), &dev->MasterCards()})
            for (const TCard& c : *list) cells[c.Pos] = c.Code;
        return cells;
    }
    std::map<std::uint16_t, TCode> SimCells(SimControllerId id) {
        std::map<std::uint16_t, TCode> cells;
        const SimController sim = Sim(id);
        for (std::uint16_t c = 0; c < kCellCount; ++c)
            if (!SameCode(sim.Cell(c), EmptyCode)) cells[c] = sim.Cell(c);
        return cells;
    }

    fs::path dir;
    SimControllerId simId{};
    std::unique_ptr<FileChangeRecorder> recorder;
};

enum class Erase { Reset, WriteOne, WriteAll };

void RunErase(TEngine& engine, Erase how) {
    switch (how) {
    case Erase::Reset: return engine.Reset(0);
    case Erase::WriteOne: return engine.WriteCards(0);
    case Erase::WriteAll: return engine.WriteCardsOfAll();
    }
}

// Every erase, with and without a read of this session, with the read-first
// setting on and off: the backup holds what the controller held, never the
// model's edits; a read serves only while nothing was written since.
TEST_F(BackupJournalTest, BackupHoldsWhatTheControllerHeldBeforeTheErase) {
    for (const Erase how : {Erase::Reset, Erase::WriteOne, Erase::WriteAll}) {
        // none, a read, a read spoiled by a later write, a read before the port settings were accepted
        for (const int read : {0, 1, 2, 3}) {
            for (const bool readFirst : {true, false}) {
                SCOPED_TRACE(::testing::Message() << "erase " << int(how) << " read " << read << " readFirst "
                                                  << readFirst);
                Restart();
                fs::remove_all(dir);
                MakeRecorder();
                recorder->readFirst = readFirst;
                const SimControllerId id = Place();
                if (read > 0) engine->ReadCards(0);
                if (read == 2) {
                    settings.AutoWriteKey = true;  // the edit goes to the controller
                    group.Select(0);
                    engine->ChangeCardCode(0, Code(0x77));
                    settings.AutoWriteKey = false;
                    ASSERT_EQ(Sim(id).Cell(7), Code(0x77));
                }
                if (read == 3) engine->AcceptProgramSettings(SettingsToDialog(settings));
                const auto before = SimCells(id);
                // An edit of the model only: the backup must not take it.
                Dev(5).AddCard(500, Code(0x50), "только в программе");
                ClearSent();
                host.Captions.clear();
                RunErase(*engine, how);
                ExpectEnded();
                const bool backedUp = read == 1 || readFirst;
                // The backup reads the cells not known: all, or the one the edit wrote.
                const std::size_t unknown = read == 1 ? 0u : read == 2 ? 1u : std::size_t{kCellCount};
                const std::size_t backupReads = readFirst ? unknown : 0u;
                if (how == Erase::Reset) {
                    EXPECT_EQ(CountSent(0x20, 5), backupReads);
                } else {
                    // A write reads back what it wrote, reads a few known cells again and,
                    // without a backup read, the cells it does not know.
                    const std::size_t written = engine->LastWriteChecks().at(0).written;
                    const std::size_t own = unknown - backupReads + 5;
                    EXPECT_GE(CountSent(0x20, 5), backupReads + written);
                    EXPECT_LE(CountSent(0x20, 5), backupReads + written + own);
                }
                const auto files = Backups();
                ASSERT_EQ(files.size(), backedUp ? 1u : 0u);
                if (!backedUp) continue;
                TGroupDev opened;
                EXPECT_EQ(OpenBackup(files[0], opened), before);
                const TConfPelko* dev = opened.GetDevice(0, nullptr);
                ASSERT_NE(dev, nullptr);
                EXPECT_EQ(dev->Pass, kOwnPass);  // opening it finds the controller with its password
                EXPECT_NE(files[0].filename().string().find("_adr005"), std::string::npos);
                // The controller's journal line names the backup.
                // The path as the recorder makes it: the folder, "/", the file's name.
                const std::string path = files[0].parent_path().string() + "/" + files[0].filename().string();
                EXPECT_NE(Journal().find("; резервная копия: " + path + "\t"), std::string::npos) << Journal();
                if (backupReads > 0) {
                    EXPECT_TRUE(std::any_of(host.Captions.begin(), host.Captions.end(), [](const std::string& c) {
                        return c.rfind("Резервная копия. Считывание карт с ", 0) == 0;
                    }));
                }
            }
        }
    }
}

// Open restores: the backup opened into an empty group and written back
// gives the controller its cards again after the reset cleared them.
TEST_F(BackupJournalTest, BackupOpenedAndWrittenRestoresTheCardsAfterAReset) {
    const SimControllerId id = Place();
    const auto before = SimCells(id);
    engine->Reset(0);
    ExpectEnded();
    ASSERT_TRUE(SimCells(id).empty());
    const auto files = Backups();
    ASSERT_EQ(files.size(), 1u);
    group.Clear();
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(files[0].string(), bytes).ok);
    SilentConfigHost h;
    ASSERT_TRUE(ReadFromFile(bytes, settings, group, h));
    engine->SearchGroup(false);
    ASSERT_TRUE(group.GetStateByAdr(5, dfOpened));
    recorder->readFirst = false;  // the controller is empty now: nothing to keep
    engine->WriteCards(0);
    ExpectEnded();
    EXPECT_EQ(SimCells(id), before);
}

// No backup, no erase: a backup that cannot be written or read ends the
// command with backupRefused and the controller as it was, unless the user
// said beforehand to go on without one (the preflight names what goes).
TEST_F(BackupJournalTest, WithoutABackupTheEraseWaitsForTheUsersYes) {
    for (const bool cannotRead : {false, true}) {
        for (const bool yes : {false, true}) {
            SCOPED_TRACE(::testing::Message() << "cannotRead " << cannotRead << " yes " << yes);
            Restart();
            fs::remove_all(dir);
            fs::create_directories(dir);
            MakeRecorder();
            if (!cannotRead) std::ofstream(dir / "backups") << "a file where the folder should be";
            const SimControllerId id = Place();
            if (cannotRead) Fault(id, SimFaultKind::Silent, 0x20, 500);  // reads stop half-way
            const auto before = SimCells(id);
            EXPECT_EQ(ResetPreflight(Dev(5)).text, "Все карты прибора «" + Dev(5).Name + "» будут стёрты.\r\n");
            engine->Reset(0, std::nullopt, yes, host.Done());
            ExpectEnded();
            ASSERT_TRUE(host.Heard);
            EXPECT_EQ(CountSent(0x28) > 0, yes);
            if (!yes) {
                EXPECT_NE(host.LastResult.backupRefused.find("резервная копия карт не сохранена"), std::string::npos)
                    << host.LastResult.backupRefused;
                EXPECT_FALSE(host.LastResult.ok);
                EXPECT_EQ(SimCells(id), before);
            } else {
                EXPECT_TRUE(host.LastResult.backupRefused.empty());
            }
            if (cannotRead) {
                EXPECT_TRUE(Backups().empty());
            }
        }
    }
}

// Faults on the read for the backup, over many seeds: whatever comes, a
// backup that was written holds exactly the controller's cards, or the
// command was refused for want of one and erased nothing.
TEST_F(BackupJournalTest, ABackupReadOverAFaultyLineIsExactOrAsked) {
    for (std::uint64_t seed = 1; seed <= 12; ++seed) {
        SCOPED_TRACE(::testing::Message() << "seed " << seed);
        Restart();
        fs::remove_all(dir);
        MakeRecorder();
        const SimControllerId id = Place();
        line->Reseed(seed);
        for (const SimFaultKind kind : {SimFaultKind::Late, SimFaultKind::BadChecksum, SimFaultKind::Short}) {
            SimFault f;
            f.kind = kind;
            f.command = 0x20;
            f.rate = 0.02;
            line->AddFault(id, f);
        }
        const auto before = SimCells(id);
        engine->WriteCards(0, {}, host.Done());
        ExpectEnded();
        line->ClearFaults(id);
        const auto files = Backups();
        ASSERT_TRUE(host.Heard);
        EXPECT_EQ(files.empty(), !host.LastResult.backupRefused.empty()) << host.LastResult.backupRefused;
        if (files.empty()) {
            EXPECT_EQ(SimCells(id), before);
            continue;
        }
        TGroupDev opened;
        EXPECT_EQ(OpenBackup(files[0], opened), before);
    }
}

// One journal line per controller an operation changed: the controller, what
// changed and the result, and no password in any form.
TEST_F(BackupJournalTest, JournalNamesEveryChangeAndNoPassword) {
    struct Case {
        const char* name;
        std::function<void()> run;
        std::vector<std::string> expect;  // in the one line
    };
    const std::vector<Case> cases = {
        {"write cards", [this] { engine->WriteCards(0); },
         {"Запись карт", "ячейки: записано 3 (7, 300, 1003), подтверждено чтением 3", "выполнено"}},
        {"write every cell", [this] { engine->WriteCards(0, {.allCells = true}); },
         {"Запись карт", "ячейки: записано 1010, подтверждено чтением 1010", "выполнено"}},
        {"add card",
         [this] {
             settings.AutoWriteKey = true;
             engine->AddCard();
         },
         {"Запись карты", "ячейки: записано 1 (0)", "выполнено"}},
        {"parameters",
         [this] {
             TDevConfig b = engine->ParametersOf(0);
             b[4] ^= 0x08;
             engine->WriteParameters(0, b);
         },
         {"Запись параметров", "параметры записаны", "выполнено"}},
        {"address", [this] { engine->ChangeAddress(0, 9, std::nullopt); },
         {"Смена адреса", "(адрес 9)", "адрес 5 → 9", "выполнено"}},
        {"address, request not heard",
         [this] {
             Fault(simId, SimFaultKind::Silent, 0x34);
             engine->ChangeAddress(0, 9, std::nullopt);
         },
         {"Смена адреса", "(адрес 5)", "адрес 5 → 9 не изменён", "не выполнено"}},
        {"address, answer spoiled after the move",
         [this] {
             Fault(simId, SimFaultKind::BadChecksum, 0x34, 0, 1);
             engine->ChangeAddress(0, 9, std::nullopt);
             EXPECT_TRUE(group.GetStateByAdr(9, dfOpened));
         },
         {"Смена адреса", "(адрес 9)", "адрес 5 → 9", "выполнено"}},
        {"own password to common", [this] {
             engine->GiveCommonPassword(0);
             host.RunUntil([&] { return !engine->PassChangePending(); });
         },
         {"Смена пароля", "пароль изменён", "выполнено"}},
        {"common password", [this] {
             settings.SavePass = false;
             engine->CarryCommonPassword(kNewCommon);
         },
         {"Изменение параметров", "пароль изменён", "выполнено"}},
        {"speed", [this] { engine->ChangeLineSpeed(19200); },
         {"Изменение параметров", "скорость 19200 бит/с", "выполнено"}},
        {"reset", [this] { engine->Reset(0); },
         {"Сброс прибора", "сброс", "пароль изменён", "выполнено"}},
        {"silent controller",
         [this] {
             Fault(simId, SimFaultKind::Silent, 0x22, 0);
             recorder->readFirst = false;
             engine->WriteCards(0);
         },
         {"Запись карт", "не выполнено"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        settings = ProgramSettings{};
        Restart();
        fs::remove_all(dir);
        MakeRecorder();
        Place();
        recorder->readFirst = false;
        c.run();
        ExpectEnded();
        const std::vector<std::string> lines = JournalLines();
        ASSERT_EQ(lines.size(), 1u) << Journal();
        EXPECT_EQ(std::count(lines[0].begin(), lines[0].end(), '\t'), 4) << lines[0];
        for (const std::string& part : c.expect) EXPECT_NE(lines[0].find(part), std::string::npos) << lines[0];
        EXPECT_EQ(lines[0].substr(lines[0].rfind('\t') + 1), c.expect.back()) << "the result closes the line";
        for (const TCode& pass : {kOwnPass, kNewCommon, FactoryPass, settings.StandPass}) {
            const std::string spaced = pelko::JoinedHex(Bytes(pass.begin(), pass.end()), " ") + " ";
            EXPECT_EQ(lines[0].find(CodeToText(pass)), std::string::npos) << lines[0];
            EXPECT_EQ(lines[0].find(spaced.substr(0, spaced.size() - 1)), std::string::npos) << lines[0];
        }
    }
}

// Operations that change nothing on a controller leave the journal alone.
TEST_F(BackupJournalTest, ReadingAndSearchingWriteNoJournalLine) {
    Place();
    engine->ReadCards(0);
    engine->Search(false);
    TDevConfig b = engine->ParametersOf(0);
    engine->WriteParameters(0, b);  // the same block: still written, still journaled
    EXPECT_EQ(JournalLines().size(), 1u) << Journal();
}

}  // namespace
}  // namespace pelko::test
