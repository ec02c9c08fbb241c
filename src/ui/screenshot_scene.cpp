#include "ui/screenshot_scene.h"

#include <QAction>
#include <QCoreApplication>
#include <QEventLoop>
#include <QToolButton>

#include "controls/ys_grid.h"
#include "ui/main_form.h"

namespace pelko {
namespace {

// The window's own loop runs the command; the scene goes on once it ended.
void AwaitCommand(TMainForm& form) {
    while (form.Engine().Busy()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
}

}  // namespace

int MakeScreenshot(TMainForm& form, const QString& file) {
    form.resize(760, 560);
    form.findChild<QToolButton*>(QStringLiteral("SpButFind"))->click();
    AwaitCommand(form);
    form.SelectDevice(3);
    form.findChild<QAction*>(QStringLiteral("ReadDevKeys"))->trigger();
    AwaitCommand(form);
    form.CardGrid()->setFocus();
    form.CardGrid()->GoToRow(4);
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    form.CardGrid()->GoToRow(6);  // the inspector shows a card
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    return form.grab().save(file, "PNG") ? 0 : 3;
}

}  // namespace pelko
