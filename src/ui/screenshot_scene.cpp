#include "ui/screenshot_scene.h"

#include <QAction>
#include <QCoreApplication>
#include <QToolButton>

#include "controls/ys_grid.h"
#include "ui/main_form.h"

namespace pelko {

int MakeScreenshot(TMainForm& form, const QString& file) {
    form.resize(760, 560);
    form.findChild<QToolButton*>(QStringLiteral("SpButFind"))->click();  // runs until the search ends
    form.SelectDevice(3);
    form.findChild<QAction*>(QStringLiteral("ReadDevKeys"))->trigger();
    form.CardGrid()->setFocus();
    form.CardGrid()->GoToRow(4);
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    form.CardGrid()->GoToRow(6);  // the inspector shows a card
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    return form.grab().save(file, "PNG") ? 0 : 3;
}

}  // namespace pelko
