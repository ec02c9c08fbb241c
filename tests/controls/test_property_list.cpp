// The property inspector: markup loading, each row type's editor, the
// change report with CanExit and the generation rule, keys, mouse and what
// is drawn.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>

#include "controls/a_handled_label.h"
#include "controls/a_property_list.h"
#include "controls/divisor_spin_edit.h"
#include "controls/win_color.h"
#include "controls_test_util.h"

namespace pelko {
namespace {

using test::Flush;

constexpr int kRowHeight = 22;

const std::string kCardMarkup =
    "<Параметры ключ=\"5\" >"
    "<Параметр название=\"Ячейка\" тип=\"список\" значение=\"12\"><*>12</*><*>13</*><*>20</*></Параметр>"
    "<Параметр название=\"Код карты\" тип=\"текст\" значение=\"12AB34CD56\" максимум=\"10\" />"
    "<Параметр название=\"Пользователь\" тип=\"текст\" значение=\"Рога &amp; копыта\"> </Параметр>"
    "<Параметр название=\"Время\" тип=\"число\" значение=\"7\"/>"
    "<Параметр название=\"Адрес\" тип=\"константа\" значение=\"13\"/>"
    "<Параметр название=\"Прочее\" тип=\"Текст\" значение=\"x\"/>"
    "</Параметры>";

struct Report {
    QString key, name, value;
};

struct InspectorFixture : ::testing::Test {
    void SetUp() override {
        auto* layout = new QVBoxLayout(&window);
        inspector = new TAInspector;
        inspector->setFont(test::TestFont());
        other = new QLineEdit;
        layout->addWidget(inspector);
        layout->addWidget(other);
        window.resize(320, 300);
        inspector->OnChangeValue = [this](const QString& key, const QString& name, const QString& value,
                                          bool& canExit) {
            reports.push_back({key, name, value});
            canExit = allowExit;
        };
        test::ShowActive(&window);
        inspector->LoadParams(kCardMarkup);
    }
    QWidget* Open(int row) {
        inspector->EditParam(row);
        Flush();
        return inspector->Editor();
    }
    QPoint RowPoint(int row, int x = 30) const {
        return QPoint(x, kRowHeight + (row - inspector->TopRow()) * kRowHeight + kRowHeight / 2);
    }

    QWidget window;
    TAInspector* inspector = nullptr;
    QLineEdit* other = nullptr;
    std::vector<Report> reports;
    bool allowExit = true;
};

TEST_F(InspectorFixture, EmptyMarkupHasNoRowsAndNoKey) {
    inspector->LoadParams(std::string());
    EXPECT_EQ(inspector->RowCount(), 0);
    EXPECT_EQ(inspector->Key(), QString());
    EXPECT_EQ(Open(0), nullptr);
    EXPECT_EQ(inspector->EditRequests(), 0);
    inspector->LoadParams(std::string("<Параметры ключ=\"1\"><Параметр"));  // broken markup
    EXPECT_EQ(inspector->RowCount(), 0);
    EXPECT_EQ(inspector->Key(), QString());
}

TEST_F(InspectorFixture, LoadsKeyRowsAndDecodedValues) {
    EXPECT_EQ(inspector->Key(), "5");
    EXPECT_EQ(inspector->RowCount(), 6);
    EXPECT_EQ(inspector->Value(2), "Рога & копыта");
    EXPECT_EQ(inspector->RowName(1), "Код карты");
    EXPECT_EQ(inspector->SelRow(), -1);
    const int generation = inspector->Generation();
    inspector->LoadParams(kCardMarkup);
    EXPECT_EQ(inspector->Generation(), generation + 1);
}

TEST_F(InspectorFixture, EachRowTypeOpensItsEditor) {
    auto* list = qobject_cast<QComboBox*>(Open(0));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->count(), 3);
    EXPECT_EQ(list->itemText(2), "20");
    EXPECT_EQ(list->currentText(), "12");
    EXPECT_FALSE(list->isEditable());
    EXPECT_TRUE(list->hasFocus());

    auto* code = dynamic_cast<QLineEdit*>(Open(1));
    ASSERT_NE(code, nullptr);
    EXPECT_EQ(code->maxLength(), 10);
    EXPECT_EQ(code->text(), "12AB34CD56");
    EXPECT_EQ(dynamic_cast<QLineEdit*>(Open(2))->text(), "Рога & копыта");

    auto* number = dynamic_cast<TDivisorSpinEdit*>(Open(3));
    ASSERT_NE(number, nullptr);
    EXPECT_EQ(number->MaxValue(), 65535u);
    EXPECT_EQ(number->MinValue(), 0u);
    EXPECT_EQ(number->Divisor(), 1u);
    EXPECT_EQ(number->text(), "7");

    auto* label = dynamic_cast<TAHandledLabel*>(Open(4));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->Caption(), "13");
    EXPECT_EQ(label->geometry().top(), 4 * kRowHeight + kRowHeight + 2);

    inspector->CommitEdit();
    EXPECT_EQ(Open(5), nullptr) << "an unknown type, compared byte for byte, opens nothing";
    EXPECT_TRUE(reports.empty());
}

TEST_F(InspectorFixture, ListWithoutItsValueOpensWithNothingChosen) {
    inspector->LoadParams(std::string("<Параметры><Параметр название=\"Ячейка\" тип=\"список\" значение=\"99\">"
                                      "<*>12</*><*>13</*></Параметр></Параметры>"));
    auto* list = qobject_cast<QComboBox*>(Open(0));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->currentIndex(), -1);
    inspector->CommitEdit();
    EXPECT_TRUE(reports.empty()) << "nothing chosen is no change";
    qobject_cast<QComboBox*>(Open(0))->setCurrentIndex(1);
    inspector->CommitEdit();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].value, "13");
}

TEST_F(InspectorFixture, ChangedTextIsReportedOnceAndKept) {
    auto* edit = dynamic_cast<QLineEdit*>(Open(2));
    edit->setText(QStringLiteral("ООО \"Ромашка\""));
    other->setFocus();  // losing the focus closes the editor
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].key, "5");
    EXPECT_EQ(reports[0].name, "Пользователь");
    EXPECT_EQ(reports[0].value, "ООО \"Ромашка\"");
    EXPECT_EQ(inspector->Value(2), "ООО \"Ромашка\"");
    EXPECT_EQ(inspector->Editor(), nullptr);
    inspector->CommitEdit();
    EXPECT_EQ(reports.size(), 1u);

    Open(1);
    inspector->CommitEdit();  // unchanged: no report
    EXPECT_EQ(reports.size(), 1u);
}

TEST_F(InspectorFixture, RefusedChangeKeepsTheOldValue) {
    allowExit = false;
    dynamic_cast<QLineEdit*>(Open(1))->setText(QStringLiteral("123"));
    inspector->CommitEdit();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(inspector->Value(1), "12AB34CD56");
}

TEST_F(InspectorFixture, ChangeIsKeptWithoutAHandler) {
    inspector->OnChangeValue = nullptr;
    dynamic_cast<QLineEdit*>(Open(2))->setText(QStringLiteral("Новый"));
    inspector->CommitEdit();
    EXPECT_EQ(inspector->Value(2), "Новый");
}

TEST_F(InspectorFixture, ValueLongerThanItsLimitIsNotCutByOpeningTheEditor) {
    inspector->LoadParams(std::string("<Параметры ключ=\"k\"><Параметр название=\"Имя\" тип=\"текст\" "
                                      "значение=\"Проходная\" максимум=\"4\"/></Параметры>"));
    auto* edit = dynamic_cast<QLineEdit*>(Open(0));
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->text(), "Проходная");
    inspector->CommitEdit();
    EXPECT_TRUE(reports.empty()) << "an unchanged editor reports nothing";
    EXPECT_EQ(inspector->Value(0), "Проходная");
}

TEST_F(InspectorFixture, ReloadWhileEditingReportsButDoesNotStore) {
    dynamic_cast<QLineEdit*>(Open(2))->setText(QStringLiteral("Новый"));
    inspector->LoadParams(kCardMarkup);
    inspector->CommitEdit();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].value, "Новый");
    EXPECT_EQ(inspector->Value(2), "Рога & копыта");
}

TEST_F(InspectorFixture, HandlerThatReloadsAndCommitsReportsOnlyOnce) {
    inspector->OnChangeValue = [this](const QString& key, const QString& name, const QString& value, bool&) {
        reports.push_back({key, name, value});
        inspector->CommitEdit();
        inspector->LoadParams(kCardMarkup);
        inspector->EditParam(1);
    };
    dynamic_cast<QLineEdit*>(Open(1))->setText(QStringLiteral("000000000"));
    other->setFocus();
    Flush();
    EXPECT_EQ(reports.size(), 1u);
    EXPECT_EQ(inspector->SelRow(), 1);
    ASSERT_NE(inspector->Editor(), nullptr) << "the code row's editor opens again";
    EXPECT_EQ(dynamic_cast<QLineEdit*>(inspector->Editor())->text(), "12AB34CD56");
}

TEST_F(InspectorFixture, EditorKeys) {
    // Escape: closed without a report, edit mode ends.
    QPointer<QWidget> editor = Open(1);
    QTest::keyClicks(editor, QStringLiteral("X"));
    QTest::keyClick(editor, Qt::Key_Escape);
    EXPECT_TRUE(reports.empty());
    EXPECT_FALSE(inspector->EditMode());
    EXPECT_TRUE(inspector->hasFocus());
    EXPECT_FALSE(editor.isNull()) << "freed later, not inside its own event";
    Flush();
    EXPECT_TRUE(editor.isNull());

    // Enter: reported, edit mode ends, no new editor.
    editor = Open(1);
    static_cast<QLineEdit*>(editor.data())->setText(QStringLiteral("AAAAAAAAAA"));
    QTest::keyClick(editor, Qt::Key_Return);
    Flush();
    EXPECT_EQ(reports.size(), 1u);
    EXPECT_EQ(inspector->Editor(), nullptr);

    // Down: reported, the next row gets an editor.
    editor = Open(1);
    static_cast<QLineEdit*>(editor.data())->setText(QStringLiteral("BBBBBBBBBB"));
    QTest::keyClick(editor, Qt::Key_Down);
    EXPECT_EQ(reports.size(), 2u);
    EXPECT_EQ(inspector->SelRow(), 2);
    Flush();
    ASSERT_NE(inspector->Editor(), nullptr);
    EXPECT_EQ(static_cast<QLineEdit*>(inspector->Editor())->text(), "Рога & копыта");
    QTest::keyClick(inspector->Editor(), Qt::Key_Up);
    Flush();
    EXPECT_EQ(inspector->SelRow(), 1);
    EXPECT_EQ(static_cast<QLineEdit*>(inspector->Editor())->text(), "BBBBBBBBBB");
}

TEST_F(InspectorFixture, KeysAnEditorLeavesAloneDoNotMoveTheSelection) {
    // Rows 1 (text), 3 (number) and 4 (constant): their editors pass these keys on.
    for (int row : {1, 3, 4}) {
        QWidget* editor = Open(row);
        ASSERT_NE(editor, nullptr) << row;
        for (Qt::Key key : {Qt::Key_PageDown, Qt::Key_PageUp, Qt::Key_End, Qt::Key_Home}) {
            QTest::keyClick(editor, key);
            EXPECT_EQ(inspector->SelRow(), row) << "row " << row << ", key " << key;
            EXPECT_EQ(inspector->Editor(), editor) << "row " << row << ", key " << key;
        }
        inspector->CommitEdit();
        Flush();
    }
    EXPECT_TRUE(reports.empty());
}

TEST_F(InspectorFixture, NumberRowReportsTheLimitedValue) {
    inspector->LoadParams(std::string("<Параметры ключ=\"dev1\"><Параметр название=\"Время\" тип=\"число\" "
                                      "значение=\"25\" делитель=\"10\" минимум=\"5\" максимум=\"300\"/></Параметры>"));
    auto* spin = dynamic_cast<TDivisorSpinEdit*>(Open(0));
    ASSERT_NE(spin, nullptr);
    EXPECT_EQ(spin->GetValue(), 250u) << "the value is the shown number times the divisor";
    spin->setText(QStringLiteral("70"));
    inspector->CommitEdit();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].value, "30");
}

TEST_F(InspectorFixture, NumberRowReportsTheValueNotTheTypedText) {
    // Row 3 holds a number from 0 to 65535; "" is no report ("007" is the 7 it then holds).
    const char* const cases[][2] = {{"-5", "0"}, {"1,9", "2"}, {"05", "5"}, {"+7", "7"}, {"007", ""}};
    for (const auto& c : cases) {
        reports.clear();
        auto* spin = dynamic_cast<TDivisorSpinEdit*>(Open(3));
        spin->selectAll();
        QTest::keyClicks(spin, QString::fromUtf8(c[0]));
        other->setFocus();
        EXPECT_EQ(reports.empty() ? QString() : reports[0].value, c[1]) << c[0];
        EXPECT_EQ(inspector->Value(3), *c[1] ? c[1] : "7") << c[0];
    }
}

TEST_F(InspectorFixture, ResizingTheNameColumnMovesTheEditor) {
    QWidget* vp = inspector->viewport();
    QTest::mousePress(vp, Qt::LeftButton, Qt::NoModifier, QPoint(121, 10));
    EXPECT_EQ(inspector->SizingCol(), 0);
    QTest::mouseRelease(vp, Qt::LeftButton, Qt::NoModifier, QPoint(150, 10));
    EXPECT_EQ(inspector->GetColWidth(0), 150);
    EXPECT_EQ(inspector->GetColWidth(1), 120);
    QWidget* editor = Open(1);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->geometry().left(), 151);
    EXPECT_EQ(editor->geometry().top(), 2 * kRowHeight);
    EXPECT_EQ(editor->geometry().width(), std::min(270, inspector->ClientWidth()) - 150);
    // The band ends 5 pixels before the value column's right end.
    inspector->CommitEdit();
    QTest::mousePress(vp, Qt::LeftButton, Qt::NoModifier, QPoint(150, 10));
    QTest::mouseRelease(vp, Qt::LeftButton, Qt::NoModifier, QPoint(400, 10));
    EXPECT_EQ(inspector->GetColWidth(0), std::min(270, inspector->ClientWidth()) - 5);
}

TEST_F(InspectorFixture, MouseSelectsAndDoubleClickEdits) {
    QWidget* vp = inspector->viewport();
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, RowPoint(3));
    EXPECT_EQ(inspector->SelRow(), 3);
    Flush();
    EXPECT_EQ(inspector->Editor(), nullptr);
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, RowPoint(8));  // below the rows
    EXPECT_EQ(inspector->SelRow(), 3);
    QTest::mouseDClick(vp, Qt::LeftButton, Qt::NoModifier, RowPoint(1));
    Flush();
    EXPECT_TRUE(inspector->EditMode());
    EXPECT_NE(dynamic_cast<QLineEdit*>(inspector->Editor()), nullptr);
    // A click in the inspector ends the edit mode; the wheel then only moves the selection.
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, RowPoint(2));
    EXPECT_FALSE(inspector->EditMode());
    test::Wheel(vp, RowPoint(2), false);
    Flush();
    EXPECT_EQ(inspector->SelRow(), 3);
    EXPECT_EQ(inspector->Editor(), nullptr);
}

TEST_F(InspectorFixture, KeysMoveTheSelectionAndFocusSelectsTheFirstRow) {
    other->setFocus();
    inspector->setFocus();
    EXPECT_EQ(inspector->SelRow(), 0);
    const struct { Qt::Key key; int row; } keys[] = {
        {Qt::Key_Down, 1}, {Qt::Key_End, 5}, {Qt::Key_Down, 5}, {Qt::Key_PageUp, 0}, {Qt::Key_Up, 0},
        {Qt::Key_PageDown, 5}, {Qt::Key_Home, 0},
    };
    for (const auto& k : keys) {
        QTest::keyClick(inspector, k.key);
        EXPECT_EQ(inspector->SelRow(), k.row) << k.key;
    }
    QTest::keyClick(inspector, Qt::Key_Return);
    Flush();
    EXPECT_NE(qobject_cast<QComboBox*>(inspector->Editor()), nullptr);
}

TEST_F(InspectorFixture, ManyRowsScrollToKeepTheSelectionVisible) {
    std::string markup = "<Параметры ключ=\"k\">";
    for (int i = 0; i < 40; ++i)
        markup += "<Параметр название=\"П" + std::to_string(i) + "\" тип=\"текст\" значение=\"" +
                  std::to_string(i) + "\"/>";
    inspector->LoadParams(markup + "</Параметры>");
    const int visible = inspector->VisibleRows();
    EXPECT_EQ(inspector->verticalScrollBar()->maximum(), 40 - visible);
    other->setFocus();
    inspector->setFocus();
    QTest::keyClick(inspector, Qt::Key_End);
    EXPECT_EQ(inspector->TopRow(), 40 - visible);
    QTest::keyClick(inspector, Qt::Key_Home);
    EXPECT_EQ(inspector->TopRow(), 0);
    inspector->EditParam(visible + 3);  // not visible: no editor opens
    Flush();
    EXPECT_EQ(inspector->Editor(), nullptr);
}

TEST_F(InspectorFixture, RowsBeyondTheMarkupAreDrawnEmpty) {
    inspector->SetRowCount(9);
    EXPECT_EQ(inspector->RowCount(), 9);
    const QImage image = test::Render(inspector->viewport());
    EXPECT_FALSE(image.isNull());
    EXPECT_EQ(inspector->Value(8), QString());
    EXPECT_EQ(Open(8), nullptr) << "a row without markup has no type and opens nothing";
    inspector->SetRowCount(-1);
    EXPECT_EQ(inspector->RowCount(), 9);
}

TEST_F(InspectorFixture, NoFrameWhenScrolledPastBothColumns) {
    window.resize(110, 300);  // the value column alone is wider than the client
    Flush();
    ASSERT_EQ(inspector->horizontalScrollBar()->maximum(), 2);
    inspector->EditParam(2);
    Flush();
    inspector->CommitEdit();
    inspector->horizontalScrollBar()->setValue(2);
    EXPECT_EQ(inspector->LeftCol(), 2);
    const QImage image = test::Render(inspector->viewport());
    const QColor window = SystemColors(inspector->palette()).Window;
    const int top = kRowHeight + 2 * kRowHeight;
    for (int x = 0; x < 4; ++x)
        EXPECT_TRUE(test::SameColor(image, QPoint(x, top + 1), window)) << x;
}

TEST_F(InspectorFixture, SelectedRowCarriesAFrameAndConstantsAreGrey) {
    inspector->EditParam(4);
    Flush();
    inspector->CommitEdit();
    Flush();
    inspector->clearFocus();  // the focus mark lies inside the selected row
    const QImage image = test::Render(inspector->viewport());
    const int top = kRowHeight + 4 * kRowHeight;
    for (QPoint p : {QPoint(1, top + 5), QPoint(60, top + 1), QPoint(60, top + kRowHeight - 2), QPoint(239, top + 5)})
        EXPECT_TRUE(test::SameColor(image, p, Qt::black)) << p.x() << "," << p.y();
    // Row 4 is a constant: no black ink in its value, only the grey text.
    bool grey = false, black = false;
    for (int x = 124; x < 200; ++x)
        for (int y = top + 3; y < top + kRowHeight - 3; ++y) {
            const QColor c = image.pixelColor(x, y);
            black = black || c.rgb() == QColor(Qt::black).rgb();
            grey = grey || (c.red() < 200 && c.red() == c.green() && c.green() == c.blue());
        }
    EXPECT_TRUE(grey);
    EXPECT_FALSE(black);
}

TEST_F(InspectorFixture, ReadOnlyValuesAreLegibleGrey) {
    const QImage image = test::Render(inspector->viewport()).copy(4, 5 * kRowHeight + 3, 100, kRowHeight - 6);
    QColor ink(Qt::white);  // the darkest of row 4, a constant
    for (int x = 0; x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y)
            ink = qGray(image.pixel(x, y)) < qGray(ink.rgb()) ? image.pixelColor(x, y) : ink;
    EXPECT_GE(ContrastRatio(ink, SystemColors(inspector->palette()).Window), kGrayTextContrast);
    EXPECT_NE(ink, QColor(Qt::black)) << "still grey";
    const QColor dark(0x2a, 0x2a, 0x2a);  // a dark palette's grey turns lighter
    EXPECT_GE(ContrastRatio(ReadableGray(QColor(0x50, 0x50, 0x50), Qt::white, dark), dark), kGrayTextContrast);
}

}  // namespace
}  // namespace pelko
