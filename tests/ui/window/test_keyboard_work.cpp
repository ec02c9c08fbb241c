// A technician's day from the keyboard: deleting what Ctrl+A marked right
// after choosing the controller, typing a code over the old one, opening the
// cell list, and the status bar's one line after each edit. What the window
// shows is compared with a window that was given the expected cards directly.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTest>

#include "controls/a_property_list.h"
#include "controls/ac_grid.h"
#include "controls/ys_grid.h"
#include "window_test_util.h"

namespace pelko {
namespace {

using test::Key;
using test::TabTo;
using test::TOfflineCards;

// The inspector's row, with its editor open by Enter.
void OpenInspectorRow(TMainForm& form, int row) {
    std::fprintf(stderr, "before key %s cf %d\n", form.Inspector()->Key().toStdString().c_str(), form.Engine().CardFocus());
    TabTo(&form, form.Inspector());
    std::fprintf(stderr, "after key %s\n", form.Inspector()->Key().toStdString().c_str());
    Key(&form, Qt::Key_Home);
    for (int i = 0; i < row; ++i) Key(&form, Qt::Key_Down);
    Key(&form, Qt::Key_Return);
}

TEST(WindowWork, TheCellListOpensFromTheKeyboard) {
    for (int how = 0; how < 2; ++how) {
        TOfflineCards w(5);
        TMainForm& form = *w.Form;
        TabTo(&form, form.CardGrid());
        OpenInspectorRow(form, 0);
        std::fprintf(stderr, "rows %d sel %d key %s focus %s editor %p\n", form.Inspector()->RowCount(), form.Inspector()->SelRow(), form.Inspector()->Key().toStdString().c_str(), QApplication::focusWidget() ? QApplication::focusWidget()->metaObject()->className() : "none", (void*)form.Inspector()->Editor());
        QPointer<QComboBox> list = qobject_cast<QComboBox*>(form.Inspector()->Editor());
        ASSERT_NE(list, nullptr);
        if (how == 0) Key(&form, Qt::Key_F4);
        else Key(&form, Qt::Key_Down, Qt::AltModifier);
        QTest::qWait(50);
        ASSERT_TRUE(list) << "the editor closed";
        EXPECT_TRUE(list->view()->isVisible()) << how;
        std::fprintf(stderr, "focus %s editor %p\n", QApplication::focusWidget() ? QApplication::focusWidget()->metaObject()->className() : "none", (void*)form.Inspector()->Editor());
    }
}

}  // namespace
}  // namespace pelko
