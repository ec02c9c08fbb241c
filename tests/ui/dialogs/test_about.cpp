// The about box (version line, VerLabel and Version.txt, the link) and the
// link label's hover.
#include <gtest/gtest.h>

#include <QDir>
#include <QEnterEvent>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <tuple>

#include "controls_test_util.h"
#include "ui/dialogs/a_internet_label.h"
#include "ui/dialogs/about_form.h"

namespace pelko {
namespace {

QString U(const char* s) { return QString::fromUtf8(s); }

TEST(About, VersionLine) {
    const struct { TVersion v; const char* line; } cases[] = {
        {{1, 5, 12}, "ver 1.05 build 12"}, {{2, 10, 3}, "ver 2.10 build 3"}, {{0, 0, 0}, "ver 0.00 build 0"},
        {{1, 9, 65535}, "ver 1.09 build 65535"}, {{3, 100, 7}, "ver 3.100 build 7"},
    };
    for (const auto& c : cases) EXPECT_EQ(VersionLine(c.v), QString::fromLatin1(c.line));
}

class CountingAbout : public TAboutForm {
public:
    using TAboutForm::TAboutForm;
    int opened = 0;

protected:
    void OpenHomePage() override { ++opened; }
};

TEST(About, VerLabelFollowsVersionTxtInTheWorkingFolder) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    for (bool withFile : {false, true, false}) {
        if (withFile)
            QFile(QStringLiteral("Version.txt")).open(QIODevice::WriteOnly);
        else
            QFile::remove(QStringLiteral("Version.txt"));
        TAboutForm form(nullptr, {1, 5, 12}, QUrl(QStringLiteral("https://example.org/pelko")), QIcon());
        auto* ver = form.findChild<QLabel*>(QStringLiteral("VerLabel"));
        ASSERT_NE(ver, nullptr);
        EXPECT_EQ(ver->text(), QStringLiteral("ver 1.05 build 12"));
        EXPECT_EQ(ver->isEnabled(), withFile);
    }
    QDir::setCurrent(before);
}

TEST(About, TextsLinkAndClose) {
    const struct { QUrl url; QString shown; } links[] = {
        {QUrl(QStringLiteral("https://example.org/pelko")), QStringLiteral("https://example.org/pelko")},
        {QUrl::fromLocalFile(QStringLiteral("/usr/share/doc/confpelko/index.html")), QStringLiteral("index.html")},
    };
    for (const auto& link : links) {
        CountingAbout form(nullptr, {}, link.url, QIcon());
        EXPECT_EQ(form.windowTitle(), U("О программе ..."));
        EXPECT_EQ(form.findChild<QLabel*>(QStringLiteral("ProductLabel"))->text(),
                  U("Программа для конфигурирования контроллера Pelko-Q250  версии 11 и старше.\nConfPelkoQ250, 2026"));
        EXPECT_EQ(form.findChild<QLabel*>(QStringLiteral("wwwLabel"))->text(), link.shown);
        EXPECT_EQ(form.WwwLabel()->cursor().shape(), Qt::PointingHandCursor);
        test::ShowActive(&form);
        QTest::mouseClick(form.WwwLabel(), Qt::LeftButton);
        EXPECT_EQ(form.opened, 1);
        auto* close = form.findChild<QPushButton*>(QStringLiteral("CloseButton"));
        ASSERT_NE(close, nullptr);
        EXPECT_EQ(close->text(), U("Закрыть"));
        QTest::mouseClick(close, Qt::LeftButton);
        EXPECT_FALSE(form.isVisible());
        EXPECT_EQ(form.result(), QDialog::Accepted);
    }
}

void Enter(QWidget* w) {
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), w->mapToGlobal(QPointF(2, 2)));
    QCoreApplication::sendEvent(w, &enter);
}

TEST(AInternetLabel, HoverShowsTheLinkAndLeavingRestores) {
    for (bool ownLook : {true, false}) {
        QWidget window;  // a window keeps its own cursor: the label is a child, as in the about box
        TAInternetLabel label(QStringLiteral("link"), &window);
        if (ownLook) {
            QPalette red;
            red.setColor(QPalette::WindowText, Qt::red);
            label.setPalette(red);
            label.setFont(QFont(label.font().family(), 10, QFont::Bold));
            label.setCursor(Qt::IBeamCursor);
        }
        const QColor colour = label.palette().color(QPalette::WindowText);
        const QFont font = label.font();
        const Qt::CursorShape shape = label.cursor().shape();
        EXPECT_EQ(label.FocusColor(), QColor(0, 0, 255));
        for (int visit = 0; visit < 2; ++visit) {
            Enter(&label);
            EXPECT_EQ(label.palette().color(QPalette::WindowText), QColor(0, 0, 255));
            EXPECT_TRUE(label.font().underline());
            EXPECT_EQ(label.font().bold(), ownLook);
            EXPECT_EQ(label.cursor().shape(), Qt::PointingHandCursor);
            test::Leave(&label);
            EXPECT_EQ(label.palette().color(QPalette::WindowText), colour);
            EXPECT_EQ(label.font(), font);
            EXPECT_EQ(label.cursor().shape(), shape);
            EXPECT_EQ(std::make_tuple(label.testAttribute(Qt::WA_SetPalette), label.testAttribute(Qt::WA_SetFont),
                                      label.testAttribute(Qt::WA_SetCursor)),
                      std::make_tuple(ownLook, ownLook, ownLook));
        }
    }
}

}  // namespace
}  // namespace pelko
