#include "window_test_util.h"

#include <QAction>
#include <QApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <QEventLoop>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

#include "controls/ac_grid.h"
#include "controls/ys_grid.h"
#include "ui/dialogs/progress_form.h"

namespace pelko::test {

TStartOptions Simulated() {
    TStartOptions o;
    o.Simulate = true;
    o.SimulateTiming = false;  // the bytes still cross a real pseudo-terminal
    return o;
}

TStartOptions NoPort() {
    TStartOptions o;
    std::string error;
    o.Ports.AddMapping("1=/nonexistent/ttyX", error);
    o.MappedPorts.push_back(1);
    return o;
}

QString TScriptedFileDialogs::Next(const Asked& asked) {
    if (Record) Record->push_back(asked);
    return Answers.isEmpty() ? QString() : Answers.takeFirst();
}

QString TScriptedFileDialogs::OpenName(const QString& title, const QString& folder) {
    return Next({title, folder, {}});
}

QString TScriptedFileDialogs::SaveName(const QString& title, const QString& folder, const QString& name) {
    return Next({title, folder, name});
}

TWindowFixture::TWindowFixture(TStartOptions options) {
    QStandardPaths::setTestModeEnabled(true);  // remembered ports stay out of the user's settings
    // Each window starts as a first run does: centred, its dialogs in the documents folder.
    QSettings settings;
    settings.remove(QStringLiteral("window"));
    settings.remove(QStringLiteral("files"));
    Form = std::make_unique<TMainForm>(std::move(options));
    auto files = std::make_unique<TScriptedFileDialogs>();
    files->Record = &Asked;
    Files = files.get();
    Form->SetFileDialogs(std::move(files));
    Form->BoxHook = [this](const std::string& caption, const std::string& text, TMsgIcon) {
        Boxes.push_back({caption, text});
        return text != "Сохранить изменения?";
    };
    // A test's next line sees the command done, as a user who waits for the
    // progress window to close: the window's own loop runs meanwhile.
    Form->CommandStartedHook = [form = Form.get()] {
        QEventLoop loop;
        QTimer poll;
        poll.setInterval(2);
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (!form->Engine().Busy()) loop.quit();
        });
        poll.start();
        loop.exec();
    };
}

void OnNextModal(std::function<void(QWidget* dialog)> act) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, act] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || qobject_cast<TProgressForm*>(modal) != nullptr) return;
        timer->stop();
        timer->deleteLater();
        act(modal);
    });
    timer->start();
}

void Trigger(TMainForm& form, const char* action) {
    QAction* a = form.findChild<QAction*>(QString::fromLatin1(action));
    ASSERT_NE(a, nullptr) << action;
    a->trigger();
}

void Click(TMainForm& form, const char* button) {
    auto* b = form.findChild<QToolButton*>(QString::fromLatin1(button));
    ASSERT_TRUE(b && b->isEnabled()) << button;
    b->click();
}

QPoint DeviceCellPoint(TMainForm& form, std::uint8_t adr) {
    TACGrid* grid = form.GridDev();
    const DevIndex index = form.DevGroup().IndexOfAdr(adr);
    for (int y = 0; y < grid->viewport()->height(); y += 4)
        for (int x = 0; x < grid->viewport()->width(); x += 8)
            if (const TColorCell* cell = grid->CellAt(x, y); cell && cell->Index == index) return {x, y};
    return {-1, -1};
}

void ClickDevice(TMainForm& form, std::uint8_t adr) {
    const QPoint at = DeviceCellPoint(form, adr);
    ASSERT_GE(at.x(), 0) << "no cell for device " << int(adr);
    QTest::mouseClick(form.GridDev()->viewport(), Qt::LeftButton, {}, at);
}

void ClickRow(TMainForm& form, int row, Qt::KeyboardModifiers keys) {
    TYSGrid* grid = form.CardGrid();
    for (int y = 0; y < grid->viewport()->height(); ++y)
        if (grid->RowAt(y) == row) {
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, keys, QPoint(20, y + 2));
            Flush();
            return;
        }
    ADD_FAILURE() << "row " << row << " is not shown";
}

void Flush() {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}


// --- keys ---

QWidget* KeyTarget(QWidget* fallback) {
    // A list's drop-down takes its keys in its view; a menu in itself.
    if (QWidget* popup = QApplication::activePopupWidget()) return popup->focusWidget() ? popup->focusWidget() : popup;
    if (QApplication::activeModalWidget() == nullptr && QApplication::activeWindow() != fallback->window()) {
        fallback->window()->activateWindow();
        (void)QTest::qWaitForWindowActive(fallback->window());
    }
    if (QWidget* focus = QApplication::focusWidget()) return focus;
    return fallback;
}

void Key(QWidget* fallback, int key, Qt::KeyboardModifiers mods) {
    QTest::keyClick(KeyTarget(fallback), Qt::Key(key), mods);
    Flush();
}

void Letter(QWidget* fallback, QChar letter, Qt::KeyboardModifiers mods) {
    const QChar upper = letter.toUpper();
    QTest::sendKeyEvent(QTest::Click, KeyTarget(fallback), Qt::Key(upper.unicode()), QString(letter.toLower()), mods);
    Flush();
}

void Type(QWidget* fallback, const QString& text) {
    for (QChar c : text) Letter(fallback, c);
}

void MenuItem(QWidget* form, QChar menu, QChar item) {
    Letter(form, menu, Qt::AltModifier);
    ASSERT_NE(QApplication::activePopupWidget(), nullptr) << "Alt+" << QString(menu).toStdString() << " opened no menu";
    Letter(form, item);
}

void TabTo(QWidget* form, QWidget* target, Qt::KeyboardModifiers mods) {
    for (int i = 0; i < 40 && QApplication::focusWidget() != target; ++i) Key(form, Qt::Key_Tab, mods);
    ASSERT_EQ(QApplication::focusWidget(), target) << target->objectName().toStdString();
}

QWidget* DialogFocus(QWidget* dialog) {
    for (int i = 0; i < 200; ++i) {
        QWidget* focus = QApplication::focusWidget();
        if (focus != nullptr && dialog->isAncestorOf(focus)) return focus;
        QTest::qWait(10);
    }
    return dialog->focusWidget() != nullptr ? dialog->focusWidget() : dialog;
}

void ShowActive(TMainForm& form) {
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
}

TOfflineCards::TOfflineCards(int n) : TWindowFixture(NoPort()) {
    ShowActive(*Form);
    TGroupDev& group = Form->DevGroup();
    for (std::uint8_t adr : {3, 9}) group.SetState(group.AddDevice(adr), dfOpened);
    TConfPelko& dev = *group.GetDevice(group.IndexOfAdr(3), nullptr);
    for (int i = 0; i < n; ++i)
        dev.AddCard(static_cast<std::uint16_t>(i), {0x77, 0, 0, static_cast<std::uint8_t>(i >> 8), static_cast<std::uint8_t>(i)}, "");
    Form->UpdateGridDev();
    Form->UpdateControls();
    ClickDevice(*Form, 3);
    Flush();
}

const TConfPelko& TOfflineCards::Cards() { return *Form->DevGroup().GetDevice(Form->DevGroup().IndexOfAdr(3), nullptr); }

bool TOfflineCards::RowInView() {
    TYSGrid* grid = Form->CardGrid();
    return grid->Row() >= grid->TopRow() && grid->Row() < grid->TopRow() + grid->VisibleRows();
}

}  // namespace pelko::test
