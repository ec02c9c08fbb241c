// The card list's find field, the card counts in the status bar, and undo and
// redo of card edits that stay in the program: what the window shows after
// each, grabbed from the screen, against what the model holds.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QFile>
#include <QTemporaryDir>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <algorithm>
#include <random>

#include "controls/a_property_list.h"
#include "config/card_csv.h"
#include "config/file_io.h"
#include "controls/ys_grid.h"
#include "ui/card_undo.h"
#include "window_test_util.h"

namespace pelko {
namespace {

const char* const kUsers[] = {"Иванов", "Петров", "иванова", "Сидоров", "", "Кузнецов"};

TCode CodeOf(int n) {
    return {static_cast<std::uint8_t>(0x0A + n % 3), 0x1B, static_cast<std::uint8_t>(n * 7), 0x30,
            static_cast<std::uint8_t>(n)};
}

// Device 3 (opened) holds twelve user cards and three master cards; device
// 40 is empty. AutoWriteKey is off, so edits stay in the program.
struct FindWindow : test::TWindowFixture {
    FindWindow() : test::TWindowFixture(test::NoPort()) {
        Form->show();
        TGroupDev& group = Form->DevGroup();
        for (std::uint8_t adr : {3, 40}) group.SetState(group.AddDevice(adr), dfOpened);
        for (int n = 0; n < 12; ++n) Dev(3).AddCard(static_cast<std::uint16_t>(n * 2), CodeOf(n), kUsers[n % 6]);
        for (int n = 0; n < 3; ++n) Dev(3).AddCard(static_cast<std::uint16_t>(kFirstMasterCell + n), CodeOf(50 + n), "мастер");
        Form->UpdateGridDev();
        Form->UpdateControls();
        test::ClickDevice(*Form, 3);
        test::Flush();
    }
    TConfPelko& Dev(std::uint8_t adr) { return *Form->DevGroup().GetDevice(Form->DevGroup().IndexOfAdr(adr), nullptr); }
    QLineEdit* Field() { return Form->findChild<QLineEdit*>(QStringLiteral("CardFindField")); }
    QString Counts() { return Form->findChild<QLabel*>(QStringLiteral("StatusCounts"))->text(); }
    void Type(const QString& text) {
        Field()->clear();
        // One key event per character, as a keyboard types it (Cyrillic too).
        for (const QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(Field(), &press);
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(Field(), &release);
        }
        ASSERT_EQ(Field()->text(), text);
        test::Flush();
    }
    void Change(const QString& key, TInspField field, const QString& value) {
        bool canExit = false;
        Form->Inspector()->OnChangeValue(key, QString::fromUtf8(InspFieldId(field)), value, canExit);
        test::Flush();
    }
    // The card list row's key in the inspector: its list index.
    QString Key() { return QString::number(Form->CardRow()); }
};

QImage Fresh(TMainForm& form) {
    return form.CardGrid()->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// The list index each row shows, found from the cell number the row shows.
std::vector<int> ShownIndices(TMainForm& form, const TConfPelko& dev) {
    std::vector<int> out;
    for (int row = 0; row < form.CardGrid()->RowCount(); ++row) {
        TWinColor color = 0;
        QString cell;
        form.CardGrid()->OnGetCellData(row, 0, color, cell);
        out.push_back(dev.FindPosIndex(static_cast<std::uint16_t>(cell.toInt())));
    }
    return out;
}

QImage Rows(TMainForm& form) {
    QWidget* view = form.CardGrid()->viewport();
    const QPoint at = view->mapTo(&form, QPoint(0, 0));
    return QGuiApplication::primaryScreen()
        ->grabWindow(form.winId(), at.x(), at.y(), view->width(), view->height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

// What the card list shows as text, row by row (the grid's own cell texts).
std::vector<std::string> ShownUsers(TMainForm& form) {
    std::vector<std::string> out;
    for (int row = 0; row < form.CardGrid()->RowCount(); ++row) {
        TWinColor color = 0;
        QString text;
        form.CardGrid()->OnGetCellData(row, 2, color, text);
        out.push_back(text.toStdString());
    }
    return out;
}

// The card list on screen equals a window whose list holds only these cards.
QImage ReferenceRows(const std::vector<TCard>& cards, int currentRow) {
    FindWindow ref;
    TConfPelko& dev = ref.Dev(3);
    while (dev.UserCount() > 0) dev.DeleteCard(false, static_cast<std::uint16_t>(dev.UserCount() - 1));
    for (const TCard& c : cards) dev.AddCard(c.Pos, c.Code, c.User);
    ref.Form->Engine().RefreshCardList();
    test::ClickRow(*ref.Form, currentRow);
    test::Flush();
    return Rows(*ref.Form);
}

// The same pixels down to the lower of the two (the find field takes room from the list).
bool SameTop(const QImage& a, const QImage& b) {
    const int h = std::min(a.height(), b.height());
    return a.width() == b.width() && h > 0 && a.copy(0, 0, a.width(), h) == b.copy(0, 0, b.width(), h);
}

TEST(WindowFind, CtrlFShowsTheMatchingRowsOnlyAndEscShowsAllAgain) {
    FindWindow w;
    TMainForm& form = *w.Form;
    form.CardGrid()->setFocus();
    QTest::keyClick(&form, Qt::Key_F, Qt::ControlModifier);
    test::Flush();
    ASSERT_TRUE(w.Field()->isVisible());
    EXPECT_TRUE(w.Field()->hasFocus());
    const struct {
        const char* Typed;
        std::vector<std::string> Users;
    } cases[] = {
        {"иван", {"Иванов", "иванова", "Иванов", "иванова"}},      // either case
        {"ИВАНОВА", {"иванова", "иванова"}},
        {"0c1b", {"иванова", "Кузнецов", "иванова", "Кузнецов"}},   // a part of the code: n % 3 == 2
        {"0C 1B 0E", {"иванова"}},                                  // blanks in a code are skipped
        {"  петров ", {"Петров", "Петров"}},
        {"zz", {}},
    };
    for (const auto& c : cases) {
        w.Type(QString::fromUtf8(c.Typed));
        EXPECT_EQ(ShownUsers(form), c.Users) << c.Typed;
        EXPECT_EQ(form.CardGrid()->RowCount(), static_cast<int>(c.Users.size())) << c.Typed;
    }
    // On screen: the list as if it held the matching cards only.
    w.Type(QStringLiteral("иван"));
    test::ClickRow(form, 1);
    std::vector<TCard> matching;
    for (const TCard& c : w.Dev(3).UserCards())
        if (QString::fromStdString(c.User).contains(QStringLiteral("иван"), Qt::CaseInsensitive)) matching.push_back(c);
    const QImage found = Rows(form);

    QTest::keyClick(w.Field(), Qt::Key_Escape);
    test::Flush();
    EXPECT_TRUE(w.Field()->text().isEmpty());
    EXPECT_FALSE(w.Field()->isVisible());
    EXPECT_TRUE(form.CardGrid()->hasFocus());
    EXPECT_EQ(form.CardGrid()->RowCount(), 12);
    const QImage all = Rows(form);
    const int row = form.CardGrid()->Row();
    // The other windows take the screen's focus: they come last.
    EXPECT_TRUE(SameTop(found, ReferenceRows(matching, 1)));
    EXPECT_TRUE(SameTop(all, ReferenceRows(w.Dev(3).UserCards(), row)));
}

TEST(WindowFind, MarksAndEditsActOnTheRowsShown) {
    FindWindow w;
    TMainForm& form = *w.Form;
    test::ClickRow(form, 0);
    test::Click(form, "InverseSel");  // every card marked
    ASSERT_EQ(w.Dev(3).CountSelected(false), 12);
    form.FindClick();
    w.Type(QStringLiteral("петров"));  // list indices 1 and 7
    EXPECT_EQ(w.Dev(3).CountSelected(false), 2) << "a hidden card kept its mark";
    EXPECT_EQ(w.Counts(), QStringLiteral("Карт: 12 из 1000 · мастер: 3 из 10 · отмечено: 2"));
    EXPECT_EQ(form.findChild<QLabel*>(QStringLiteral("CardFindFound"))->text(), QStringLiteral("найдено: 2"));

    // The inspector edits the card of the row shown, not the list's row of that number.
    test::ClickRow(form, 1);
    EXPECT_EQ(form.CardRow(), 7);
    w.Change(w.Key(), TInspField::User, QStringLiteral("Петров-2"));
    EXPECT_EQ(w.Dev(3).UserCards()[7].User, "Петров-2");
    EXPECT_EQ(w.Dev(3).UserCards()[1].User, "Петров");

    test::ClickRow(form, 0);
    test::ClickRow(form, 1, Qt::ControlModifier);
    test::ClickRow(form, 0, Qt::ControlModifier);
    test::Click(form, "DelCardBut");  // the two marked cards shown
    test::Flush();
    EXPECT_EQ(w.Dev(3).UserCount(), 10);
    EXPECT_EQ(form.CardGrid()->RowCount(), 0);
    for (const TCard& c : w.Dev(3).UserCards()) EXPECT_EQ(c.User.find("Петров"), std::string::npos);

    // A card added while the field holds text is shown, to be edited next.
    test::Click(form, "AddCardBut");
    test::Flush();
    EXPECT_EQ(form.CardGrid()->RowCount(), 1);
    EXPECT_EQ(form.CardRow(), 10);
    w.Change(w.Key(), TInspField::User, QStringLiteral("Новый"));
    EXPECT_EQ(w.Dev(3).UserCards()[10].User, "Новый");

    // Invert acts on the rows shown only.
    w.Type(QStringLiteral("иван"));
    test::Click(form, "InverseSel");
    EXPECT_EQ(w.Dev(3).CountSelected(false), 4);
    EXPECT_EQ(w.Counts(), QStringLiteral("Карт: 11 из 1000 · мастер: 3 из 10 · отмечено: 4"));
}

TEST(WindowFind, CountsFollowTheControllerShown) {
    FindWindow w;
    TMainForm& form = *w.Form;
    QLabel* counts = form.findChild<QLabel*>(QStringLiteral("StatusCounts"));
    ASSERT_TRUE(counts && counts->isVisible());
    EXPECT_EQ(w.Counts(), QStringLiteral("Карт: 12 из 1000 · мастер: 3 из 10 · отмечено: 0"));
    test::ClickRow(form, 2);
    test::ClickRow(form, 4, Qt::ControlModifier);
    test::ClickRow(form, 5, Qt::ControlModifier);
    EXPECT_EQ(w.Counts(), QStringLiteral("Карт: 12 из 1000 · мастер: 3 из 10 · отмечено: 2"));
    test::Click(form, "ChView");
    EXPECT_EQ(w.Counts(), QStringLiteral("Карт: 12 из 1000 · мастер: 3 из 10 · отмечено: 0"));
    test::ClickDevice(form, 40);
    test::Flush();
    EXPECT_EQ(w.Counts(), QStringLiteral("Карт: 0 из 1000 · мастер: 0 из 10 · отмечено: 0"));
    test::Click(form, "AddCardBut");
    EXPECT_EQ(w.Counts(), QStringLiteral("Карт: 0 из 1000 · мастер: 1 из 10 · отмечено: 0"));
}

// --- undo ----------------------------------------------------------------------

TEST(WindowUndo, EachEditIsUndoneAndRedoneOnScreen) {
    QTemporaryDir dir;
    const struct {
        const char* Name;
        std::uint8_t Changed;  // the device whose lists the edit changes
        std::function<void(FindWindow&)> Prepare;  // marks, not an edit
        std::function<void(FindWindow&)> Edit;
    } edits[] = {
        {"add", 3, nullptr, [](FindWindow& w) { test::Click(*w.Form, "AddCardBut"); }},
        {"delete", 3, nullptr, [](FindWindow& w) { test::Click(*w.Form, "DelCardBut"); }},
        {"delete marked", 3,
         [](FindWindow& w) {
             test::ClickRow(*w.Form, 6, Qt::ControlModifier);
             test::ClickRow(*w.Form, 8, Qt::ControlModifier);
         },
         [](FindWindow& w) { test::Click(*w.Form, "DelCardBut"); }},
        {"move", 3, nullptr, [](FindWindow& w) { w.Change(w.Key(), TInspField::Cell, QStringLiteral("999")); }},
        {"code", 3, nullptr, [](FindWindow& w) { w.Change(w.Key(), TInspField::Code, QStringLiteral("ABCDEF0123")); }},
        {"user", 3, nullptr, [](FindWindow& w) { w.Change(w.Key(), TInspField::User, QStringLiteral("Смирнов")); }},
        {"status", 3, nullptr, [](FindWindow& w) { test::Click(*w.Form, "ChStatusCard"); }},
        {"copy", 40, [](FindWindow& w) { test::ClickRow(*w.Form, 2, Qt::ControlModifier); },
         [](FindWindow& w) {
             const QPoint at = test::DeviceCellPoint(*w.Form, 40);
             w.Form->GridDevDragDrop(at.x(), at.y());
         }},
        {"csv import", 3, nullptr, [&dir](FindWindow& w) {
             TConfPelko edited;
             ReplaceCards(edited, {{5, CodeOf(77), "Новый"}});
             const QString file = dir.filePath(QStringLiteral("import.csv"));
             ASSERT_TRUE(WriteFileSafely(file.toStdString(), CardsToCsv(edited)).ok);
             w.Form->CsvFileName = [file](bool, const QString&) { return file; };
             test::Trigger(*w.Form, "ImportCardsCsv");
         }},
    };
    for (const auto& e : edits) {
        FindWindow w;
        TMainForm& form = *w.Form;
        test::ClickRow(form, 5);
        if (e.Prepare) e.Prepare(w);
        test::Flush();
        w.Files->Answers = {dir.filePath(QString::fromUtf8(e.Name))};
        form.N10Click();  // saved: the title's unsaved mark is off
        ASSERT_FALSE(form.Unsaved()) << e.Name;
        const TCardsSnapshot before = SnapshotCards(w.Dev(e.Changed));
        const QImage screenBefore = Rows(form);
        e.Edit(w);
        test::Flush();
        const TCardsSnapshot after = SnapshotCards(w.Dev(e.Changed));
        ASSERT_NE(after, before) << e.Name;
        ASSERT_TRUE(form.Unsaved()) << e.Name;
        QAction* undo = form.findChild<QAction*>(QStringLiteral("EditUndo"));
        EXPECT_TRUE(undo->isEnabled()) << e.Name;
        EXPECT_TRUE(undo->text().startsWith(QStringLiteral("&Отменить "))) << e.Name;

        QTest::keyClick(&form, Qt::Key_Z, Qt::ControlModifier);
        test::Flush();
        EXPECT_EQ(SnapshotCards(w.Dev(e.Changed)), before) << e.Name;
        EXPECT_FALSE(form.Unsaved()) << e.Name << ": back to what the file holds";
        EXPECT_EQ(form.DevGroup().Selected(), form.DevGroup().IndexOfAdr(e.Changed)) << e.Name;
        if (e.Changed == 3) {
            EXPECT_EQ(Rows(form), screenBefore) << e.Name;
        }

        QTest::keyClick(&form, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        test::Flush();
        EXPECT_EQ(SnapshotCards(w.Dev(e.Changed)), after) << e.Name;
        EXPECT_TRUE(form.Unsaved()) << e.Name;
        EXPECT_EQ(Rows(form), Fresh(form)) << e.Name;
    }
}

TEST(WindowUndo, ListsChangedOutsideTheHistoryAreNeverOverwritten) {
    FindWindow w;
    TMainForm& form = *w.Form;
    // A read (or a write's read-back) puts the controller's own lists in,
    // though it may change only the master cards.
    for (const bool master : {false, true}) {
        SCOPED_TRACE(master ? "master cards read" : "user cards read");
        test::ClickRow(form, 0);
        w.Change(w.Key(), TInspField::User, master ? QStringLiteral("Соколов") : QStringLiteral("Смирнов"));
        ASSERT_TRUE(form.findChild<QAction*>(QStringLiteral("EditUndo"))->isEnabled());
        w.Dev(3).SetCardCode(master, master ? 1 : 4, CodeOf(99));
        const TCardsSnapshot fresh = SnapshotCards(w.Dev(3));
        form.UndoClick();
        EXPECT_EQ(SnapshotCards(w.Dev(3)), fresh);
        EXPECT_FALSE(form.findChild<QAction*>(QStringLiteral("EditUndo"))->isEnabled());
        EXPECT_FALSE(form.findChild<QAction*>(QStringLiteral("EditRedo"))->isEnabled());
    }

    // An opened file replaces every list: nothing from before it comes back.
    w.Change(w.Key(), TInspField::User, QStringLiteral("Орлов"));
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("config.txt"));
    w.Files->Answers = {file};
    form.N10Click();
    ASSERT_TRUE(QFile::exists(file));
    form.OpenConfigFile(file);
    test::Flush();
    ASSERT_NE(form.DevGroup().IndexOfAdr(3), NoDevice);
    EXPECT_FALSE(form.findChild<QAction*>(QStringLiteral("EditUndo"))->isEnabled());
    const TCardsSnapshot opened = SnapshotCards(w.Dev(3));
    QTest::keyClick(&form, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(SnapshotCards(w.Dev(3)), opened);
}

// On the simulated line: a read replaces a list edited in the program, and a
// card written through the line changes the lists too; an undo after either
// changes nothing.
TEST(WindowUndo, AReadOrAWriteThroughTheLineEndsTheHistory) {
    test::TWindowFixture w(test::Simulated());
    TMainForm& form = *w.Form;
    form.show();
    // Only controller 3 is looked for, as after a file naming it.
    TGroupDev& group = form.DevGroup();
    const DevIndex three = group.AddDevice(3);
    group.SetState(three, dfInGroup);
    group.SetPass(three, form.Settings().StandPass);
    form.Engine().SearchGroup(false);
    form.UpdateGridDev();
    ASSERT_TRUE(group.GetState(group.IndexOfAdr(3), dfOpened));
    test::ClickDevice(form, 3);
    TConfPelko& dev = form.Engine().CurConf();
    QAction* undo = form.findChild<QAction*>(QStringLiteral("EditUndo"));
    QLabel* info = form.findChild<QLabel*>(QStringLiteral("StatusPanel1"));

    test::Click(form, "AddCardBut");  // in the program only: cell 0, which the controller holds too
    ASSERT_EQ(dev.UserCount(), 1);
    ASSERT_TRUE(undo->isEnabled());
    test::Trigger(form, "ReadDevKeys");
    const TCardsSnapshot read = SnapshotCards(dev);
    ASSERT_EQ(dev.UserCount(), 40);
    QTest::keyClick(&form, Qt::Key_Z, Qt::ControlModifier);
    test::Flush();
    EXPECT_EQ(SnapshotCards(dev), read);
    EXPECT_FALSE(undo->isEnabled());

    test::ClickRow(form, 3);
    bool canExit = false;
    form.Inspector()->OnChangeValue(QString::number(form.CardRow()), QString::fromUtf8(InspFieldId(TInspField::User)),
                                    QStringLiteral("Смирнов"), canExit);
    ASSERT_TRUE(undo->isEnabled());
    form.Settings().AutoWriteKey = true;
    form.UpdateControls();
    EXPECT_FALSE(undo->isEnabled());
    test::Click(form, "AddCardBut");  // written into controller 3 and confirmed
    ASSERT_EQ(dev.UserCount(), 41);
    form.Settings().AutoWriteKey = false;
    form.UpdateControls();
    const TCardsSnapshot written = SnapshotCards(dev);
    form.UndoClick();
    EXPECT_EQ(SnapshotCards(dev), written);
    EXPECT_EQ(info->text(), QStringLiteral("Правку не отменить: списки карт с тех пор изменились"));
}

// Under a find text an undo or redo shows the card it touched, matching or not.
TEST(WindowUndo, TheCardAnUndoTouchesIsShownUnderTheFindText) {
    FindWindow w;
    TMainForm& form = *w.Form;
    form.FindClick();
    w.Type(QStringLiteral("петров"));  // list indices 1 and 7
    test::ClickRow(form, 1);
    w.Change(w.Key(), TInspField::User, QStringLiteral("Орлов"));
    test::ClickRow(form, 0);
    test::Click(form, "DelCardBut");
    EXPECT_EQ(form.CardGrid()->RowCount(), 0);  // Петров deleted, Орлов no longer matches
    const struct {
        const char* Name;
        bool Redo;
        int Row;       // the card under the cursor after it
        int Rows;      // rows shown
        const char* User;
    } steps[] = {
        {"undo delete", false, 1, 1, "Петров"},
        {"undo rename", false, 7, 2, "Петров"},
        {"redo rename", true, 7, 2, "Орлов"},
    };
    for (const auto& st : steps) {
        QTest::keyClick(&form, Qt::Key_Z, st.Redo ? Qt::ControlModifier | Qt::ShiftModifier : Qt::ControlModifier);
        test::Flush();
        EXPECT_EQ(form.CardRow(), st.Row) << st.Name;
        EXPECT_EQ(form.CardGrid()->RowCount(), st.Rows) << st.Name;
        EXPECT_EQ(w.Dev(3).UserCards()[static_cast<std::size_t>(st.Row)].User, st.User) << st.Name;
        EXPECT_EQ(form.Inspector()->Value(2), QString::fromUtf8(st.User)) << st.Name;
    }
}

// Random edits, marks and find texts; every step keeps the rows shown equal
// to the matching cards with no mark hidden, and undoing every edit brings
// the first lists back, redoing them the last.
TEST(WindowUndo, RandomEditsUnderAFindTextUndoToTheStartAndRedoToTheEnd) {
    const char* const texts[] = {"", "иван", "0b", "1b", "ов", "0A1B"};
    for (unsigned seed = 1; seed <= 6; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 rng(seed);
        FindWindow w;
        TMainForm& form = *w.Form;
        form.FindClick();
        const TCardsSnapshot start = SnapshotCards(w.Dev(3));
        for (int step = 0; step < 40; ++step) {
            const int rows = form.CardGrid()->RowCount();
            switch (rng() % 7) {
            case 0: w.Type(QString::fromUtf8(texts[rng() % 6])); break;
            case 1: if (rows > 0) test::ClickRow(form, static_cast<int>(rng() % rows), Qt::ControlModifier); break;
            case 2: if (rows > 0 && form.Controls().DelCardBut) { test::Click(form, "DelCardBut"); } break;
            case 3: if (form.Controls().AddCardBut) { test::Click(form, "AddCardBut"); } break;
            case 4: if (rows > 0) { test::ClickRow(form, static_cast<int>(rng() % rows)); w.Change(w.Key(), TInspField::User, QStringLiteral("Иван %1").arg(step)); } break;
            case 5: if (rows > 0) { test::ClickRow(form, static_cast<int>(rng() % rows)); w.Change(w.Key(), TInspField::Code, QStringLiteral("0A1B%1").arg(step * 37 % 1000000, 6, 10, QLatin1Char('0'))); } break;
            case 6: if (rows > 0 && form.Controls().ChStatusCard) { test::Click(form, "ChStatusCard"); } break;
            }
            test::Flush();
            // The rows shown are the list's cards that match, in list order (a card just added may stay).
            const TConfPelko& dev = w.Dev(3);
            const bool master = form.Engine().MasterView();
            const std::vector<int> shown = ShownIndices(form, dev);
            ASSERT_TRUE(std::is_sorted(shown.begin(), shown.end())) << "step " << step;
            for (std::uint16_t i = 0; i < dev.CardCount(master); ++i) {
                const bool isShown = std::find(shown.begin(), shown.end(), i) != shown.end();
                EXPECT_TRUE(isShown || !dev.IsCardSelected(master, i)) << "step " << step << ": hidden mark at " << i;
            }
            EXPECT_EQ(Rows(form), Fresh(form)) << "step " << step;
        }
        const TCardsSnapshot end = SnapshotCards(w.Dev(3));
        while (form.findChild<QAction*>(QStringLiteral("EditUndo"))->isEnabled()) form.UndoClick();
        EXPECT_EQ(SnapshotCards(w.Dev(3)), start);
        while (form.findChild<QAction*>(QStringLiteral("EditRedo"))->isEnabled()) form.RedoClick();
        EXPECT_EQ(SnapshotCards(w.Dev(3)), end);
    }
}

}  // namespace
}  // namespace pelko
