// Editing card lists through the window: marking rows, the card inspector,
// the card buttons, copying by a drop on the device grid, and a code taken
// from a card held to the reader. Without AutoWriteKey on a device known only
// to the model; with it on the simulated line.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDrag>
#include <QGuiApplication>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "controls/a_property_list.h"
#include "controls/ac_grid.h"
#include "controls/ys_grid.h"
#include "sim/demo_line.h"
#include "ui/simulator_menu.h"
#include "window_test_util.h"

namespace pelko {
namespace {

TCode CodeOf(int n) { return {0x10, 0x20, 0x30, static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)}; }

std::vector<int> MarkedRows(TMainForm& form) {
    std::vector<int> rows;
    const TConfPelko& cur = form.Engine().CurConf();
    for (std::uint16_t i = 0; i < cur.CardCount(form.Engine().MasterView()); ++i)
        if (cur.IsCardSelected(form.Engine().MasterView(), i)) rows.push_back(i);
    return rows;
}

// The card list's rows as they are on screen now (the window's backing store),
// and as a fresh paint would draw them.
QImage OnScreen(TMainForm& form) {
    QWidget* view = form.CardGrid()->viewport();
    const QPoint at = view->mapTo(&form, QPoint(0, 0));
    return QGuiApplication::primaryScreen()
        ->grabWindow(form.winId(), at.x(), at.y(), view->width(), view->height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

QImage Fresh(TMainForm& form) {
    return form.CardGrid()->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Rows whose text is drawn in the marked rows' blue on screen.
std::vector<int> BlueRowsOnScreen(TMainForm& form) {
    const QImage shown = OnScreen(form);
    TYSGrid* grid = form.CardGrid();
    std::vector<int> rows;
    for (int y = 0; y < shown.height(); ++y) {
        const int row = grid->RowAt(y);
        if (row < 0 || (!rows.empty() && rows.back() == row)) continue;
        for (int x = 0; x < shown.width(); ++x) {
            const QColor c = shown.pixelColor(x, y);
            if (c.blue() > 150 && c.red() < 100 && c.green() < 100) {
                rows.push_back(row);
                break;
            }
        }
    }
    return rows;
}

// A window whose device 3 is opened and holds twelve user cards and ten master cards.
struct OfflineWindow : test::TWindowFixture {
    OfflineWindow() : test::TWindowFixture(test::NoPort()) {
        Form->show();
        TGroupDev& group = Form->DevGroup();
        const DevIndex i = group.AddDevice(3);
        group.SetState(i, dfOpened);
        TConfPelko& dev = *group.GetDevice(i, nullptr);
        for (int n = 0; n < 12; ++n) dev.AddCard(static_cast<std::uint16_t>(n), CodeOf(n), "user " + std::to_string(n));
        for (int n = 0; n < 10; ++n) dev.AddCard(static_cast<std::uint16_t>(kFirstMasterCell + n), CodeOf(100 + n), "");
        Form->UpdateGridDev();
        Form->UpdateControls();
        test::ClickDevice(*Form, 3);
    }
    void Change(const char* key, TInspField field, const QString& value) {
        bool canExit = false;
        Form->Inspector()->OnChangeValue(QString::fromUtf8(key), QString::fromUtf8(InspFieldId(field)), value, canExit);
        EXPECT_TRUE(canExit);
    }
};

TEST(WindowCards, MarksFollowCtrlAndShiftAndSurviveViewSwitches) {
    OfflineWindow w;
    TMainForm& form = *w.Form;
    TYSGrid* grid = form.CardGrid();
    grid->setFocus();
    test::ClickRow(form, 2);
    QTest::keyPress(grid, Qt::Key_Shift, Qt::ShiftModifier);
    test::ClickRow(form, 6, Qt::ShiftModifier);
    QTest::keyRelease(grid, Qt::Key_Shift);
    EXPECT_EQ(MarkedRows(form), (std::vector<int>{2, 3, 4, 5, 6}));
    test::ClickRow(form, 9, Qt::ControlModifier);
    EXPECT_EQ(MarkedRows(form), (std::vector<int>{2, 3, 4, 5, 6, 9}));
    test::ClickRow(form, 4, Qt::ControlModifier);  // Ctrl on a marked row unmarks it
    test::ClickRow(form, 4, Qt::ControlModifier);
    test::ClickRow(form, 3, Qt::ControlModifier);
    EXPECT_EQ(MarkedRows(form), (std::vector<int>{2, 4, 5, 6, 9}));
    EXPECT_EQ(BlueRowsOnScreen(form), (std::vector<int>{2, 4, 5, 6, 9}));
    form.ChViewClick();
    form.ChViewClick();
    test::Flush();
    EXPECT_EQ(MarkedRows(form).size(), 5u);

    QTest::keyClick(grid, Qt::Key_Down);  // a plain arrow clears every mark
    test::Flush();
    EXPECT_TRUE(MarkedRows(form).empty());

    test::ClickRow(form, 8);  // from an anchor upwards
    QTest::keyPress(grid, Qt::Key_Shift, Qt::ShiftModifier);
    test::ClickRow(form, 5, Qt::ShiftModifier);
    QTest::keyRelease(grid, Qt::Key_Shift);
    EXPECT_EQ(MarkedRows(form), (std::vector<int>{5, 6, 7, 8}));

    form.InverseSelClick();
    EXPECT_EQ(MarkedRows(form).size(), 8u);
    form.DelCardButClick();  // without AutoWriteKey the marked cards leave the model at once
    EXPECT_EQ(form.Engine().CurConf().UserCount(), 4);
    EXPECT_EQ(grid->RowCount(), 4);
}

TEST(WindowCards, InspectorRefusesBadCodesAndMovesCards) {
    OfflineWindow w;
    TMainForm& form = *w.Form;
    test::ClickRow(form, 0);
    TAInspector* insp = form.Inspector();
    ASSERT_EQ(insp->RowCount(), 3);
    const struct {
        const char* Typed;
        const char* Message;
    } refused[] = {
        {"123456789", "Введён неверный код"},
        {"12345G7890", "Введён неверный код."},
        {"1020300007", "Введёный код уже есть в ячейке 7"},
        {"1020300064", "Введёный код уже есть в ячейке 1000"},
    };
    for (const auto& r : refused) {
        w.Boxes.clear();
        w.Change("0", TInspField::Code, QString::fromUtf8(r.Typed));
        ASSERT_EQ(w.Boxes.size(), 1u) << r.Typed;
        EXPECT_EQ(w.Boxes[0].Text, r.Message);
        test::Flush();
        EXPECT_EQ(insp->Value(1), QStringLiteral("1020300000"));  // the old code is back
        EXPECT_TRUE(insp->EditMode());
    }
    w.Change("0", TInspField::Code, QStringLiteral("12ab34cd56"));
    TCard card;
    form.Engine().CurConf().GetCard(false, 0, card);
    EXPECT_EQ(CodeToText(card.Code), "12AB34CD56");

    w.Change("0", TInspField::Cell, QStringLiteral("517"));
    EXPECT_EQ(form.Engine().CurConf().FindPosIndex(517), 0);
    EXPECT_TRUE(form.Engine().CurConf().IsCellFree(0));
    w.Change("0", TInspField::User, QStringLiteral("Петров <склад> & \"двор\""));
    form.Engine().CurConf().GetCard(false, 0, card);
    EXPECT_EQ(card.User, "Петров <склад> & \"двор\"");

    // The master list is full: a user card cannot become a master card.
    EXPECT_FALSE(form.Controls().ChStatusCard);
    form.ChStatusCardClick();
    EXPECT_EQ(form.Engine().CurConf().MasterCount(), 10);
    EXPECT_EQ(form.Engine().CurConf().UserCount(), 12);
    test::Click(form, "ChView");
    test::ClickRow(form, 0);
    EXPECT_TRUE(form.Controls().ChStatusCard);
    form.ChStatusCardClick();
    EXPECT_EQ(form.Engine().CurConf().MasterCount(), 9);
    EXPECT_EQ(form.Engine().CurConf().UserCount(), 13);
}

TEST(WindowCards, EveryEditIsRedrawnOnScreen) {
    OfflineWindow w;
    TMainForm& form = *w.Form;
    test::ClickRow(form, 3);
    const struct {
        const char* Name;
        std::function<void()> Edit;
    } edits[] = {
        {"user", [&] { w.Change("3", TInspField::User, QStringLiteral("Сидоров")); }},
        {"code", [&] { w.Change("3", TInspField::Code, QStringLiteral("ABCDEF0123")); }},
        {"cell", [&] { w.Change("3", TInspField::Cell, QStringLiteral("700")); }},
        {"invert", [&] { test::Click(form, "InverseSel"); }},
        {"invert back", [&] { test::Click(form, "InverseSel"); }},
    };
    for (const auto& e : edits) {
        const QImage before = OnScreen(form);
        e.Edit();
        test::Flush();
        const QImage after = OnScreen(form);
        EXPECT_NE(after, before) << e.Name;
        EXPECT_EQ(after, Fresh(form)) << e.Name;
    }
}

TEST(WindowCards, ShiftArrowsGrowAndShrinkTheMarkedRunFromTheAnchor) {
    const struct {
        const char* Name;
        bool ShiftPressFirst;  // a real keyboard sends Shift's own press first
        std::vector<Qt::Key> Keys;
        std::vector<int> Marked;
    } cases[] = {
        {"down", true, {Qt::Key_Down}, {5, 6}},
        {"down down", true, {Qt::Key_Down, Qt::Key_Down}, {5, 6, 7}},
        {"down down up", true, {Qt::Key_Down, Qt::Key_Down, Qt::Key_Up}, {5, 6}},
        {"up up down", false, {Qt::Key_Up, Qt::Key_Up, Qt::Key_Down}, {4, 5}},
        {"down up", false, {Qt::Key_Down, Qt::Key_Up}, {5}},
        {"up down down", true, {Qt::Key_Up, Qt::Key_Down, Qt::Key_Down}, {5, 6}},
    };
    for (const auto& c : cases) {
        OfflineWindow w;
        TMainForm& form = *w.Form;
        TYSGrid* grid = form.CardGrid();
        test::ClickRow(form, 5);
        if (c.ShiftPressFirst) QTest::keyPress(grid, Qt::Key_Shift, Qt::ShiftModifier);
        for (Qt::Key k : c.Keys) {
            QTest::keyClick(grid, k, Qt::ShiftModifier);
            test::Flush();
        }
        if (c.ShiftPressFirst) QTest::keyRelease(grid, Qt::Key_Shift);
        test::Flush();
        EXPECT_EQ(MarkedRows(form), c.Marked) << c.Name;
        EXPECT_EQ(BlueRowsOnScreen(form), c.Marked) << c.Name;
    }
}

TEST(WindowCards, InspectorShowsTheCardThatTookTheRow) {
    OfflineWindow w;
    TMainForm& form = *w.Form;
    TAInspector* insp = form.Inspector();
    const struct {
        const char* Name;
        std::function<void()> Act;
    } steps[] = {
        {"delete row 3", [&] { test::ClickRow(form, 3); test::Click(form, "DelCardBut"); }},
        {"delete marked 1, 2", [&] {
             test::ClickRow(form, 1);
             test::ClickRow(form, 2, Qt::ControlModifier);
             test::ClickRow(form, 1, Qt::ControlModifier);
             test::Click(form, "DelCardBut");
         }},
        {"master row 0 to users", [&] {
             test::Click(form, "ChView");
             test::ClickRow(form, 0);
             test::Click(form, "ChStatusCard");
         }},
    };
    for (const auto& step : steps) {
        step.Act();
        test::Flush();
        const int row = form.CardGrid()->Row();
        TCard card;
        form.Engine().CurConf().GetCard(form.Engine().MasterView(), static_cast<std::uint16_t>(row), card);
        EXPECT_EQ(insp->Value(0), QString::number(card.Pos)) << step.Name;
        EXPECT_EQ(insp->Value(1), QString::fromStdString(CodeToText(card.Code))) << step.Name;
    }
}

// Presses the left button at from in the card list's rows, moves to to with
// it held and lets go. Returns whether a drag of cards began (the offscreen
// platform ends it at once; its object lingers until deleted later).
bool DragFromCardList(TMainForm& form, QPoint from, QPoint to) {
    QWidget* view = form.CardGrid()->viewport();
    test::Flush();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QTest::mousePress(view, Qt::LeftButton, {}, from);
    for (int step = 1; step <= 4; ++step) {
        const QPoint at = from + (to - from) * step / 4;
        QMouseEvent move(QEvent::MouseMove, at, view->mapToGlobal(at), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view, &move);
    }
    const bool dragged = form.CardGrid()->findChild<QDrag*>() != nullptr;
    QTest::mouseRelease(view, Qt::LeftButton, {}, to);
    test::Flush();
    return dragged;
}

TEST(WindowCards, OnlyAPressOnACardStartsADragAndTheHeaderSizesColumns) {
    OfflineWindow w;
    TMainForm& form = *w.Form;
    TYSGrid* grid = form.CardGrid();
    const int half = grid->RowHeight() / 2;
    const int border = grid->GetColWidth(0) + grid->GetColWidth(1);
    const struct {
        const char* Name;
        QPoint From;
        bool Drags;
        int Widened;  // column 1
    } cases[] = {
        {"title Код", {grid->GetColWidth(0) + 20, half}, false, 0},
        {"border of Код", {border, half}, false, 30},
        {"row 2", {grid->GetColWidth(0) + 20, grid->RowHeight() * 3 + half}, true, 0},
    };
    for (const auto& c : cases) {
        const int before = grid->GetColWidth(1);
        EXPECT_EQ(DragFromCardList(form, c.From, c.From + QPoint(30, 0)), c.Drags) << c.Name;
        EXPECT_EQ(grid->GetColWidth(1) - before, c.Widened) << c.Name;
    }
}

TEST(WindowCards, CardsAreTakenOnlyFromThisWindowsCardList) {
    OfflineWindow w;
    TMainForm& form = *w.Form;
    TGroupDev& group = form.DevGroup();
    group.SetState(group.AddDevice(40), dfOpened);
    form.UpdateGridDev();
    test::Flush();
    TConfPelko& forty = *group.GetDevice(group.IndexOfAdr(40), nullptr);
    const QPoint cell = test::DeviceCellPoint(form, 40);
    ASSERT_GE(cell.x(), 0);

    // The same data from elsewhere: another program's window has no source here.
    QMimeData mime;
    mime.setData(QStringLiteral("application/x-confpelko-cards"), QByteArray::number(0));
    QWidget* target = form.GridDev()->viewport();
    QDragEnterEvent enter(cell, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDragMoveEvent move(cell, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    EXPECT_FALSE(move.isAccepted());
    QDropEvent drop(QPointF(cell), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    test::Flush();
    EXPECT_EQ(forty.UserCount(), 0);

    // Dropped by the card list itself it is copied.
    test::ClickRow(form, 4);
    form.GridDevDragDrop(cell.x(), cell.y());
    EXPECT_EQ(forty.UserCount(), 1);
}

TEST(WindowCards, TheInspectorRenamesTheDeviceItShowsWhateverItsIndex) {
    OfflineWindow w;
    TMainForm& form = *w.Form;
    TGroupDev& group = form.DevGroup();
    for (int adr = 10; adr < 140; ++adr) group.AddDevice(static_cast<std::uint8_t>(adr));
    form.UpdateGridDev();
    for (int index : {0, 12, 123}) {
        const std::string name = "Склад " + std::to_string(index);
        w.Change(("dev" + std::to_string(index)).c_str(), TInspField::DevName, QString::fromStdString(name));
        for (DevIndex i = 0; i < group.Count(); ++i) {
            std::string now;
            group.GetName(i, now);
            EXPECT_EQ(now == name, i == index) << "renaming " << index << " touched " << int(i);
        }
    }
}

// Drops the current or marked cards of the card list on a device's cell.
void DropOn(TMainForm& form, std::uint8_t adr) {
    const QPoint at = test::DeviceCellPoint(form, adr);
    ASSERT_GE(at.x(), 0) << "no cell for device " << int(adr);
    form.GridDevDragDrop(at.x(), at.y());
}

// The device menu asks its dialog first and goes to the line only with a
// change: offline, going to the line shows the port message.
TEST(WindowCards, DeviceMenuGoesToTheLineOnlyWithAChange) {
    OfflineWindow w;
    TMainForm& form = *w.Form;
    auto ports = [&] {
        return std::count_if(w.Boxes.begin(), w.Boxes.end(),
                             [](const test::TBox& b) { return b.Text.rfind("COM порт 1", 0) == 0; });
    };
    const std::pair<const char*, std::function<void(QWidget*)>> steps[] = {
        {"SetDevParams", [](QWidget*) {}},  // accepted as shown
        {"SetDevParams", [](QWidget* d) { d->findChild<QCheckBox*>(QStringLiteral("VParam4"))->toggle(); }},
        {"SetDevAddr", [](QWidget*) {}},  // its own address, offered first
        {"SetDevAddr", [](QWidget* d) { d->findChild<QComboBox*>(QStringLiteral("CBAddr"))->setCurrentIndex(4); }},
    };
    long expected = 0;
    for (const auto& [action, change] : steps) {
        const bool changes = &change != &steps[0].second && &change != &steps[2].second;
        test::OnNextModal([&change](QWidget* dialog) {
            change(dialog);
            dialog->findChild<QPushButton*>(QStringLiteral("OKButton"))->click();
        });
        test::Trigger(form, action);
        expected += changes ? 1 : 0;
        EXPECT_EQ(ports(), expected) << action;
    }
}

TEST(WindowCards, WrittenEditsFollowTheControllersAnswers) {
    test::TWindowFixture w(test::Simulated());
    TMainForm& form = *w.Form;
    form.show();
    SimLine& line = form.Simulator()->Line();
    const SimControllerId three = line.FindByAdr(3).at(0);
    const SimControllerId forty = line.FindByAdr(40).at(0);
    test::Click(form, "SpButFind");
    TGroupDev& group = form.DevGroup();
    ASSERT_EQ(group.Count(), 2);
    form.Settings().AutoWriteKey = true;

    // The model learns five of 3's cards as a read would have given them.
    TConfPelko& dev3 = *group.GetDevice(group.IndexOfAdr(3), nullptr);
    const SimController before = *line.Snapshot(three);
    for (std::uint16_t cell = 0; cell < 5; ++cell) dev3.AddCard(cell, before.Cell(cell), "");
    test::ClickDevice(form, 3);
    test::ClickRow(form, 0);
    for (std::uint16_t row : {1, 2, 3}) dev3.SelectCard(false, row);
    // The second erase is refused (the simulated line's program tries once).
    SimFault refuse{SimFaultKind::Busy, 1.0, 1, 1, 0x22, 0};
    line.AddFault(three, refuse);
    form.DelCardButClick();
    line.ClearFaults(three);
    const SimController after = *line.Snapshot(three);
    EXPECT_EQ(after.Cell(1), kNoCode);
    EXPECT_EQ(after.Cell(2), before.Cell(2));
    EXPECT_EQ(after.Cell(3), kNoCode);
    ASSERT_EQ(dev3.UserCount(), 3);  // only the confirmed erases left the list
    EXPECT_EQ(dev3.FindPosIndex(2), 1);

    // Three marked cards onto 40: first too few free cells, then enough.
    for (std::uint16_t row : {0, 1, 2}) dev3.SelectCard(false, row);
    TConfPelko& dev40 = *group.GetDevice(group.IndexOfAdr(40), nullptr);
    for (int n = 0; n < 998; ++n) dev40.AddCard(static_cast<std::uint16_t>(n), CodeOf(n), "");
    DropOn(form, 40);
    ASSERT_EQ(w.Boxes.size(), 1u);
    EXPECT_EQ(w.Boxes[0].Text, "В контроллере " + dev40.Name + "не хватает свободных ячеек");
    while (dev40.UserCount() > 0) dev40.DeleteCard(false, 0);
    dev40.Pass = kDemoOwnPassword;
    DropOn(form, 40);
    EXPECT_EQ(dev40.UserCount(), 3);
    const SimController target = *line.Snapshot(forty);
    for (std::uint16_t row = 0; row < 3; ++row) {
        TCard card;
        dev40.GetCard(false, row, card);
        EXPECT_EQ(target.Cell(card.Pos), card.Code) << card.Pos;
    }

    // A card held to 3's reader gives row 0 its code, in the model and in the controller.
    const SimCode held = DemoCards().at(0);
    test::ClickRow(form, 0);
    QTimer::singleShot(100, [&] { line.PresentCard(three, held); });
    test::Click(form, "ReadCodeBut");
    line.RemoveCard(three);
    TCard card;
    dev3.GetCard(false, 0, card);
    EXPECT_EQ(card.Code, held);
    EXPECT_EQ(line.Snapshot(three)->Cell(card.Pos), held);
    EXPECT_EQ(w.Boxes.size(), 1u);
}

}  // namespace
}  // namespace pelko
