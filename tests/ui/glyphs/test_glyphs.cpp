// Every button glyph and the emblem load from the resources and draw something
// at 48x48 on a 200 % screen.
#include <QDir>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QStringList>

#include <gtest/gtest.h>

namespace {

const QStringList kGlyphs = {
    "sbFileCreate", "sbFileSave",   "sbFileOpen",    "SpButFind",     "SpButExFind", "sbReadKeyDev",
    "sbWriteKeyDev", "sbAddDevGroup", "sbDelDevGroup", "ChView",        "ChStatusCard", "AddCardBut",
    "EditBut",       "DelCardBut",   "InverseSel",    "ReadCodeBut",   "confpelko"};

int OpaquePixels(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 0) ++n;
    return n;
}

TEST(Glyphs, ResourceFolderHoldsExactlyTheListedGlyphs) {
    QStringList present = QDir(":/glyphs").entryList(QDir::Files, QDir::Name);
    QStringList expected;
    for (const QString& name : kGlyphs) expected << name + ".svg";
    expected.sort();
    EXPECT_EQ(present, expected);
}

TEST(Glyphs, EachRendersAt48PixelsAndDoubleScale) {
    for (const QString& name : kGlyphs) {
        const QString path = ":/glyphs/" + name + ".svg";
        SCOPED_TRACE(path.toStdString());
        QIcon icon(path);
        ASSERT_FALSE(icon.isNull());
        const QPixmap pixmap = icon.pixmap(QSize(48, 48), 2.0);
        ASSERT_FALSE(pixmap.isNull());
        const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
        EXPECT_EQ(image.width(), 96);
        EXPECT_EQ(image.height(), 96);
        // Something drawn, and not a filled square either.
        const int opaque = OpaquePixels(image);
        EXPECT_GT(opaque, 96 * 96 / 10);
        EXPECT_LT(opaque, 96 * 96);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
