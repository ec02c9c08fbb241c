// The card list to and from a spreadsheet file, the comparison with a
// controller and what a card write sends, through the window on its
// simulated line.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
#include <QTemporaryDir>

#include "config/card_csv.h"
#include "config/card_xlsx.h"
#include "config/file_io.h"
#include "controls/ys_grid.h"
#include "ui/dialogs/progress_form.h"
#include "ui/simulator_menu.h"
#include "window_test_util.h"

namespace pelko {
namespace {

std::map<std::uint16_t, TCode> ModelCells(const TConfPelko& dev) {
    std::map<std::uint16_t, TCode> out;
    for (const TCard& c : dev.UserCards()) out[c.Pos] = c.Code;
    for (const TCard& c : dev.MasterCards()) out[c.Pos] = c.Code;
    return out;
}

std::map<std::uint16_t, TCode> LineCells(SimLine& line, SimControllerId id) {
    const SimController c = *line.Snapshot(id);
    std::map<std::uint16_t, TCode> out;
    for (std::uint16_t n = 0; n < kCellCount; ++n)
        if (c.Cell(n) != kNoCode) out[n] = c.Cell(n);
    return out;
}

struct SimWindow : test::TWindowFixture {
    SimWindow() : test::TWindowFixture(test::Simulated()) {
        Form->show();
        // Controller 3 as a search leaves it, without a search's wait on every silent address.
        TGroupDev& group = Form->DevGroup();
        const DevIndex i = group.AddDevice(3);
        group.SetState(i, dfOpened);
        group.SetPass(i, Form->Settings().StandPass);
        Form->UpdateGridDev();
        Form->UpdateControls();
        test::ClickDevice(*Form, 3);
        // The list as a read would leave it, without a read's thousand exchanges.
        Three = Form->Simulator()->Line().FindByAdr(3).at(0);
        for (const auto& [cell, code] : LineCells(Line(), Three)) Form->Engine().CurConf().AddCard(cell, code, "");
        Form->Engine().RefreshCardList();
        Boxes.clear();
    }
    std::string Status() const {
        return Form->findChild<QLabel*>(QStringLiteral("StatusPanel1"))->text().toStdString();
    }
    void Answer(const QString& file) {
        Form->CsvFileName = [file](bool, const QString&) { return file; };
    }
    SimLine& Line() { return Form->Simulator()->Line(); }
    SimControllerId Three = 0;
};

TEST(WindowCsv, ExportImportWritesThroughAndABadFileChangesNothing) {
    QTemporaryDir dir;
    SimWindow w;
    TMainForm& form = *w.Form;
    TConfPelko& dev = form.Engine().CurConf();
    ASSERT_EQ(dev.UserCount() + dev.MasterCount(), 42);

    const QString out = dir.filePath(QStringLiteral("cards.csv"));
    w.Answer(out);
    test::Trigger(form, "ExportCardsCsv");
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(out.toStdString(), bytes).ok);
    TCsvCards back = CardsFromCsv(bytes);
    ASSERT_TRUE(back.ok) << CsvRefusal(back);
    EXPECT_EQ(back.cards.size(), 42u);
    EXPECT_EQ(w.Status(), "Карты «Прибор: 3» сохранены в cards.csv: 42");

    // A bad line three: refused with its number, nothing changes anywhere.
    const QString bad = dir.filePath(QStringLiteral("bad.csv"));
    ASSERT_TRUE(WriteFileSafely(bad.toStdString(), "Ячейка;Код;Пользователь;Вид\n1;0000000001;;\n2;12345G7890;;\n").ok);
    const auto modelBefore = ModelCells(dev);
    const auto lineBefore = LineCells(w.Line(), w.Three);
    form.Settings().AutoWriteKey = true;
    w.Answer(bad);
    test::Trigger(form, "ImportCardsCsv");
    ASSERT_EQ(w.Boxes.size(), 1u);
    EXPECT_EQ(w.Boxes[0].Text,
              "Файл bad.csv не принят, ничего не изменено.\r\nСтрока 3: неверный код «12345G7890»: нужны 10 "
              "шестнадцатеричных цифр.");
    EXPECT_EQ(ModelCells(dev), modelBefore);
    EXPECT_EQ(LineCells(w.Line(), w.Three), lineBefore);

    // The first card gone and a new one at the end: the list and the controller follow.
    back.cards.erase(back.cards.begin());
    back.cards.push_back({77, TextToCode("0A0B0C0D77"), "Новый"});
    TConfPelko edited;
    ReplaceCards(edited, back.cards);
    const QString in = dir.filePath(QStringLiteral("in.csv"));
    ASSERT_TRUE(WriteFileSafely(in.toStdString(), CardsToCsv(edited)).ok);
    w.Boxes.clear();
    w.Answer(in);
    test::Trigger(form, "ImportCardsCsv");
    ASSERT_EQ(w.Boxes.size(), 2u);  // replace?, then the write's own question
    EXPECT_EQ(w.Boxes[0].Text, "Карты прибора «Прибор: 3» (42) будут заменены картами из файла (42).\nЗаменить?");
    EXPECT_EQ(ModelCells(dev), ModelCells(edited));
    EXPECT_EQ(LineCells(w.Line(), w.Three), ModelCells(edited));
    EXPECT_EQ(form.CardGrid()->RowCount(), edited.UserCount());
    // Only the two cells that changed; the backup read knew the rest.
    EXPECT_EQ(w.Status(), "Запись карт в Прибор: 3: записано 2, подтверждено 2, не совпало 0; без записи совпадали 1008");
}

// The name's extension picks .xlsx both ways; the list comes back whole.
TEST(WindowCsv, XlsxGoesOutAndComesBackByItsExtension) {
    if (!XlsxSupported()) GTEST_SKIP() << kTextNoXlsx;
    QTemporaryDir dir;
    SimWindow w;
    TMainForm& form = *w.Form;
    TConfPelko& dev = form.Engine().CurConf();
    const QString out = dir.filePath(QStringLiteral("cards.xlsx"));
    w.Answer(out);
    test::Trigger(form, "ExportCardsCsv");
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(out.toStdString(), bytes).ok);
    TCsvCards back = CardsFromXlsx(bytes);
    ASSERT_TRUE(back.ok) << CsvRefusal(back);
    EXPECT_EQ(back.cards.size(), 42u);
    EXPECT_EQ(w.Status(), "Карты «Прибор: 3» сохранены в cards.xlsx: 42");

    back.cards.erase(back.cards.begin());
    back.cards.push_back({77, TextToCode("1234567E03"), "007"});
    TConfPelko edited;
    ReplaceCards(edited, back.cards);
    const TXlsxFile in = CardsToXlsx(edited);
    ASSERT_TRUE(in.ok);
    const QString name = dir.filePath(QStringLiteral("in.xlsx"));
    ASSERT_TRUE(WriteFileSafely(name.toStdString(), in.bytes).ok);
    w.Answer(name);
    test::Trigger(form, "ImportCardsCsv");
    ASSERT_EQ(w.Boxes.size(), 1u);  // replace?; no write-through without AutoWriteKey
    EXPECT_EQ(ModelCells(dev), ModelCells(edited));
    EXPECT_EQ(w.Status(), "Карты «Прибор: 3» взяты из in.xlsx: 42");
}

TEST(WindowCompare, DifferencesAreShownAndEitherSideCanBeTaken) {
    SimWindow w;
    TMainForm& form = *w.Form;
    TConfPelko& dev = form.Engine().CurConf();
    w.Line().With(w.Three, [](SimController& c) { c.SetCell(900, {9, 0, 0, 0, 1}); });
    TCard first;
    dev.GetCard(false, 0, first);
    dev.SetCardCode(false, 0, TextToCode("0102030405"));

    std::vector<std::vector<std::string>> rows;
    bool shown = false;
    test::OnNextModal([&](QWidget* dialog) {
        auto* table = dialog->findChild<QTableWidget*>(QStringLiteral("CompareTable"));
        shown = table != nullptr && table->isVisible() && !dialog->grab().isNull();
        for (int r = 0; table != nullptr && r < table->rowCount(); ++r) {
            rows.emplace_back();
            for (int c = 0; c < 4; ++c) rows.back().push_back(table->item(r, c)->text().toStdString());
        }
        table->selectRow(1);  // cell 900 only
        dialog->findChild<QPushButton*>(QStringLiteral("TakeDeviceButton"))->click();
    });
    test::Trigger(form, "CompareDevKeys");
    EXPECT_TRUE(shown);
    const std::vector<std::vector<std::string>> want = {
        {std::to_string(first.Pos), "0102030405", CodeToText(first.Code), "разные коды"},
        {"900", "-", "0900000001", "только в приборе"},
    };
    EXPECT_EQ(rows, want);
    EXPECT_EQ(ModelCells(dev).at(900), TextToCode("0900000001"));
    EXPECT_EQ(ModelCells(dev).at(first.Pos), TextToCode("0102030405"));  // not chosen: as it was

    // The program's side for what is left: written and read back.
    test::OnNextModal([](QWidget* dialog) {
        dialog->findChild<QPushButton*>(QStringLiteral("TakeProgramButton"))->click();
    });
    test::Trigger(form, "CompareDevKeys");
    EXPECT_EQ(LineCells(w.Line(), w.Three), ModelCells(dev));
    EXPECT_EQ(w.Status(), "Запись в Прибор: 3: записано 1, подтверждено 1, не совпало 0");
    w.Boxes.clear();
    test::Trigger(form, "CompareDevKeys");
    ASSERT_EQ(w.Boxes.size(), 1u);
    EXPECT_EQ(w.Boxes[0].Text, "Карты прибора «Прибор: 3» совпадают с программой.");
}

// "Записывать все ячейки" is the user's across dialog openings; off, a write
// sends only the cell that differs, on, every cell, each read back.
TEST(WindowWrite, WriteAllCellsIsRememberedAndSendsEveryCell) {
    QSettings().remove(QStringLiteral("cards"));
    SimWindow w;
    TMainForm& form = *w.Form;
    TConfPelko& dev = form.Engine().CurConf();
    dev.SetCardCode(false, 0, TextToCode("0102030405"));
    const auto* status = form.findChild<QLabel*>(QStringLiteral("StatusPanel1"));
    const struct {
        bool Before, After;  // the box as the dialog opens, as it is accepted
        const char* Said;
    } runs[] = {
        {false, true, "Запись карт в Прибор: 3: записано 1, подтверждено 1, не совпало 0; без записи совпадали 1009"},
        {true, true, "Запись карт в Прибор: 3: записано 1010, подтверждено 1010, не совпало 0"},
        {true, false, nullptr},
    };
    for (const auto& run : runs) {
        if (run.Said != nullptr) {
            test::Trigger(form, "WriteDevKeys");
            EXPECT_TRUE(status->isVisible()) << "hidden behind the backup's notice";
            EXPECT_EQ(w.Status(), run.Said);
            EXPECT_EQ(LineCells(w.Line(), w.Three), ModelCells(dev));
        }
        test::OnNextModal([&run](QWidget* dialog) {
            auto* box = dialog->findChild<QCheckBox*>(QStringLiteral("CBWriteAll"));
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->isChecked(), run.Before);
            EXPECT_FALSE(box->toolTip().isEmpty());
            box->setChecked(run.After);
            dialog->findChild<QPushButton*>(QStringLiteral("OKButton"))->click();
        });
        test::Trigger(form, "SetProgrWin");
    }
    EXPECT_FALSE(QSettings().value(QStringLiteral("cards/writeAllCells"), true).toBool());
    QSettings().remove(QStringLiteral("cards"));
}

// On the window's own loop (no test hook waiting inside the command): a
// click returns with the progress window up and the command running; what the
// status bar says is said once the controller has answered, and is true of it.
TEST(WindowLoop, WrittenEditsReportWhenTheControllerHasAnswered) {
    SimWindow w;
    TMainForm& form = *w.Form;
    form.CommandStartedHook = nullptr;
    form.Settings().AutoWriteKey = true;
    form.UpdateControls();
    TConfPelko& dev = form.Engine().CurConf();
    const struct {
        const char* Button;
        const char* Said;  // the status bar's start once done
    } edits[] = {
        {"AddCardBut", "Карта добавлена в ячейку"},
        {"ChStatusCard", "Карта стала мастер-картой"},
    };
    ASSERT_GT(form.CardGrid()->RowCount(), 0);
    for (const auto& e : edits) {
        form.CardGrid()->GoToRow(0);
        test::Flush();
        const std::string before = w.Status();
        test::Click(form, e.Button);
        ASSERT_TRUE(form.Engine().Busy()) << e.Button;
        EXPECT_TRUE(form.ProgressForm()->isVisible()) << e.Button;
        EXPECT_EQ(w.Status(), before) << e.Button << ": said before the controller answered";
        while (form.Engine().Busy()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        test::Flush();
        EXPECT_FALSE(form.ProgressForm()->isVisible()) << e.Button;
        EXPECT_EQ(w.Status().rfind(e.Said, 0), 0u) << e.Button << ": " << w.Status();
        EXPECT_EQ(LineCells(w.Line(), w.Three), ModelCells(dev)) << e.Button;
    }
}

}  // namespace
}  // namespace pelko
