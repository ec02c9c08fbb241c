// The divisor spin edit (conversions, limits, stepping, refused characters)
// and the progress bar's two styles.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QMimeData>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>
#include <QVBoxLayout>

#include "controls/divisor_number.h"
#include "controls/divisor_spin_edit.h"
#include "controls/ex_progress_bar.h"
#include "controls/spin_arrows.h"
#include "controls/win_color.h"
#include "controls_test_util.h"

namespace pelko {
namespace {

TEST(DivisorNumber, ReadsDecimalTextScaledAndRounded) {
    const struct { const char* text; std::uint32_t divisor; std::optional<std::uint32_t> value; } cases[] = {
        {"3", 1, 3},          {" 7 ", 1, 7},        {"+4", 1, 4},         {"1,5", 10, 15},
        {"1.5", 10, 15},      {",5", 10, 5},        {"2,5", 1, 2},        {"3,5", 1, 4},   // ties to even
        {"0,25", 10, 2},      {"1e3", 1, 1000},     {"-5", 1, 0},         {"-0", 1, 0},
        {"99999999999", 1, 4294967295u},            {"4294967295", 1, 4294967295u},
        {"-", 1, std::nullopt}, {"", 1, std::nullopt}, {",", 1, std::nullopt}, {"1e", 1, std::nullopt},
        {"1,2,3", 1, std::nullopt}, {"12a", 1, std::nullopt}, {"1 000", 1, std::nullopt},
        {"١٢", 1, std::nullopt},  // digits of another script are not ours
    };
    for (const auto& c : cases) {
        const std::optional<double> number = ParseDecimal(QString::fromUtf8(c.text), QLatin1Char(','));
        ASSERT_EQ(number.has_value(), c.value.has_value()) << c.text;
        if (number) {
            EXPECT_EQ(ScaleToValue(*number, c.divisor), *c.value) << c.text;
        }
    }
}

TEST(DivisorNumber, ShowsTheShortestForm) {
    const struct { std::uint32_t value, divisor; QChar sep; const char* text; } cases[] = {
        {15, 10, QLatin1Char(','), "1,5"},  {20, 10, QLatin1Char(','), "2"},
        {4294967295u, 1, QLatin1Char(','), "4294967295"}, {1, 3, QLatin1Char(','), "0,333333333333333"},
        {125, 100, QLatin1Char('.'), "1.25"}, {0, 7, QLatin1Char(','), "0"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatValue(c.value, c.divisor, c.sep), QString::fromUtf8(c.text));
}

class CountingSpin : public TDivisorSpinEdit {
public:
    int beeps = 0;

protected:
    void Beep() override { ++beeps; }
};

struct SpinFixture : ::testing::Test {
    void SetUp() override {
        auto* layout = new QVBoxLayout(&window);
        spin = new CountingSpin;
        other = new QLineEdit;
        layout->addWidget(spin);
        layout->addWidget(other);
        test::ShowActive(&window);
    }
    void Limits(std::uint32_t min, std::uint32_t max, const char* text) {
        spin->SetMaxValue(max);
        spin->SetMinValue(min);
        spin->setText(QString::fromUtf8(text));
    }
    void Type(const QString& keys) {
        spin->setFocus();
        QTest::keyClicks(spin, keys);
    }

    QWidget window;
    CountingSpin* spin = nullptr;
    QLineEdit* other = nullptr;
};

TEST_F(SpinFixture, LimitsHoldOnLeavingButNotWhileTyping) {
    Limits(1, 16, "16");
    spin->Step(TSpinStep::ssLineUp);
    EXPECT_EQ(spin->text(), "16");
    spin->setFocus();
    spin->selectAll();
    QTest::keyClicks(spin, QStringLiteral("20"));
    EXPECT_EQ(spin->text(), "20");
    other->setFocus();
    EXPECT_EQ(spin->text(), "16");
    spin->setFocus();
    spin->selectAll();
    QTest::keyClicks(spin, QStringLiteral("-5"));
    other->setFocus();
    EXPECT_EQ(spin->text(), "1") << "a negative number is below the minimum, not a huge one";
}

TEST_F(SpinFixture, TextThatIsNotANumberReadsAsTheMinimum) {
    Limits(3, 40000, "-");
    EXPECT_EQ(spin->GetValue(), 3u);
    EXPECT_EQ(spin->text(), "3");
    spin->SetText(QStringLiteral("50000"));
    EXPECT_EQ(spin->text(), "40000");
}

TEST_F(SpinFixture, DivisorKeepsTheShownNumber) {
    spin->SetText(QStringLiteral("3"));
    spin->SetDivisor(10);
    EXPECT_EQ(spin->text(), "3");
    EXPECT_EQ(spin->GetValue(), 30u);
    spin->SetDivisor(0);
    EXPECT_EQ(spin->Divisor(), 10u);
    spin->SetValue(15);
    EXPECT_EQ(spin->text(), "1,5");
    spin->SetSeparator(QLatin1Char('.'));
    EXPECT_EQ(spin->text(), "1.5");
    EXPECT_EQ(spin->GetValue(), 15u);
}

TEST_F(SpinFixture, LimitSettersRefuseCrossedLimits) {
    Limits(5, 10, "8");
    spin->SetMaxValue(4);
    EXPECT_EQ(spin->MaxValue(), 10u);
    spin->SetMinValue(11);
    EXPECT_EQ(spin->MinValue(), 5u);
    spin->SetMaxValue(6);  // the value above the new maximum is pulled down
    EXPECT_EQ(spin->text(), "6");
    spin->SetMinValue(6);
    EXPECT_EQ(spin->text(), "6");
}

TEST_F(SpinFixture, StepsFollowTheTable) {
    spin->SetDivisor(10);
    Limits(10, 100, "5");  // shows 5: the value is 50
    const struct { TSpinStep step; std::uint32_t thumb; std::uint32_t value; } steps[] = {
        {TSpinStep::ssLineUp, 0, 51},       {TSpinStep::ssLineDown, 0, 50},   {TSpinStep::ssPageUp, 0, 60},
        {TSpinStep::ssPageDown, 0, 50},     {TSpinStep::ssThumbTrack, 97, 97}, {TSpinStep::ssPageUp, 0, 100},
        {TSpinStep::ssLineUp, 0, 100},      {TSpinStep::ssWheelAway, 0, 100}, {TSpinStep::ssWheelTowards, 0, 99},
        {TSpinStep::ssThumbTrack, 12, 12},  {TSpinStep::ssPageDown, 0, 10},   {TSpinStep::ssLineDown, 0, 10},
        {TSpinStep::ssShiftDown, 0, 10},    {TSpinStep::ssShiftUp, 0, 11},
    };
    for (const auto& s : steps) {
        spin->Step(s.step, s.thumb);
        EXPECT_EQ(spin->GetValue(), s.value) << static_cast<int>(s.step);
    }
    // Near the top of the range a page up does not wrap around.
    spin->SetDivisor(1);
    Limits(0, 4294967295u, "4294967290");
    spin->Step(TSpinStep::ssPageUp);
    spin->SetDivisor(100);
    spin->Step(TSpinStep::ssPageUp);
    EXPECT_EQ(spin->GetValue(), 4294967295u);
}

TEST_F(SpinFixture, ShiftArrowsStepAndPlainArrowsMoveTheCaret) {
    Limits(0, 50, "7");
    spin->setFocus();
    QTest::keyClick(spin, Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(spin->text(), "8");
    QTest::keyClick(spin, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(spin, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(spin->text(), "6");
    QTest::keyClick(spin, Qt::Key_Up);
    EXPECT_EQ(spin->text(), "6");
    test::Wheel(spin, QPoint(5, 5), true);
    EXPECT_EQ(spin->text(), "7");
}

TEST_F(SpinFixture, RefusedCharactersBeepAndInsertNothing) {
    spin->setText(QString());
    const struct { Qt::Key key; char ch; bool accepted; } keys[] = {
        {Qt::Key_1, '1', true},     {Qt::Key_Minus, '-', true}, {Qt::Key_Plus, '+', true},
        {Qt::Key_Comma, ',', true}, {Qt::Key_Period, '.', true}, {Qt::Key_A, 'a', false},
        {Qt::Key_Space, ' ', false},
    };
    QString expected;
    int beeps = 0;
    spin->setFocus();
    for (const auto& k : keys) {
        QTest::keyClick(spin, k.key, Qt::NoModifier);
        if (k.accepted)
            expected += QLatin1Char(k.ch);
        else
            ++beeps;
        EXPECT_EQ(spin->text(), expected) << k.ch;
        EXPECT_EQ(spin->beeps, beeps) << k.ch;
    }
    QTest::keyClick(spin, Qt::Key_Return);
    EXPECT_EQ(spin->beeps, beeps + 1);
    EXPECT_EQ(spin->text(), expected);
    QTest::keyClick(spin, Qt::Key_Backspace);
    EXPECT_EQ(spin->text(), expected.chopped(1));
    EXPECT_EQ(spin->beeps, beeps + 1);
}

TEST_F(SpinFixture, PasteIsShownWithinTheLimits) {
    Limits(1, 50, "3");
    QApplication::clipboard()->setText(QStringLiteral("999"));
    spin->setFocus();
    spin->selectAll();
    QTest::keyClick(spin, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(spin->text(), "50");
    QApplication::clipboard()->setText(QStringLiteral("ab"));
    spin->selectAll();
    QTest::keyClick(spin, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(spin->text(), "1");
}

TEST_F(SpinFixture, DropIsRefusedLikeTypedText) {
    const char* const drops[][2] = {{"abc99", "5"}, {"4\n", "5"}, {"-1,5", "-1,55"}};
    for (const auto& d : drops) {
        spin->setText(QStringLiteral("5"));
        const int beeps = spin->beeps;
        QMimeData data;
        data.setText(QString::fromUtf8(d[0]));
        QDragEnterEvent enter(QPoint(2, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QDropEvent drop(QPointF(2, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(spin, &enter);
        QCoreApplication::sendEvent(spin, &drop);
        EXPECT_EQ(spin->text(), d[1]) << d[0];
        EXPECT_EQ(spin->beeps - beeps, spin->text() == "5" ? 1 : 0) << d[0];
    }
}

TEST_F(SpinFixture, ArrowsAreAsWideAsTheStylesScrollBar) {
    for (const char* name : {"Fusion", "Windows"}) {
        const std::unique_ptr<QStyle> style(QStyleFactory::create(QString::fromLatin1(name)));
        ASSERT_NE(style, nullptr) << name;
        spin->setStyle(style.get());
        const int extent = style->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, spin);
        QWidget* arrows = spin->childAt(spin->width() - 4, spin->height() / 2);
        ASSERT_NE(dynamic_cast<TSpinArrows*>(arrows), nullptr) << name;
        EXPECT_EQ(arrows->width(), extent) << name;
        EXPECT_EQ(spin->textMargins().right(), extent) << name;
        spin->setStyle(nullptr);
    }
}

TEST(ExProgressBar, MarqueeKeepsTheRangeAndPaintsTheBarColour) {
    TExProgressBar bar;
    bar.resize(200, 20);
    bar.setRange(1, 254);
    bar.setValue(128);
    EXPECT_EQ(bar.BarColor(), 0x800000u);
    bar.SetBarColor(0x0000FF);  // red as 0x00BBGGRR
    QImage image = test::Render(&bar);
    EXPECT_TRUE(test::SameColor(image, QPoint(10, 10), FromWinColor(0x0000FF)));
    EXPECT_FALSE(test::SameColor(image, QPoint(190, 10), FromWinColor(0x0000FF)));

    for (bool on : {true, false, true, false}) {
        bar.SetMarqueeStyle(on);
        EXPECT_EQ(bar.MarqueeStyle(), on);
        EXPECT_EQ(bar.minimum(), 1);
        EXPECT_EQ(bar.maximum(), 254);
        EXPECT_EQ(bar.value(), 128);
    }
    bar.SetMarqueeStyle(true);
    // The block enters from the left and moves right step by step.
    const int block = bar.MarqueeBlockWidth();
    while (bar.MarqueeOffset() < block + 20)
        bar.AdvanceMarquee();
    image = test::Render(&bar);
    const int x = 2 + bar.MarqueeOffset() - block / 2;
    EXPECT_TRUE(test::SameColor(image, QPoint(x, 10), FromWinColor(0x0000FF)));
    EXPECT_FALSE(test::SameColor(image, QPoint(x + block, 10), FromWinColor(0x0000FF)));
}

}  // namespace
}  // namespace pelko
