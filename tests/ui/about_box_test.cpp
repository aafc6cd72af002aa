#include "app/about_box.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QPushButton>

namespace {

// One application object per test process, never destroyed: widgets may outlive the test body.
void ensureApplication() {
    if (QApplication::instance())
        return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "ui_tests";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
}

int opaquePixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) > 128)
                ++count;
        }
    }
    return count;
}

} // namespace

TEST(AboutBox, ShowsProductVersionAndMaker) {
    ensureApplication();
    CDialogAbout box;
    EXPECT_EQ(box.windowTitle(), QStringLiteral("バージョン情報"));
    auto* product = box.findChild<QLabel*>("aboutProduct");
    ASSERT_NE(product, nullptr);
    EXPECT_TRUE(product->text().startsWith("Chorelin"));
    EXPECT_TRUE(product->text().endsWith("Version 1.04"));
    auto* notice = box.findChild<QLabel*>("aboutNotice");
    ASSERT_NE(notice, nullptr);
    EXPECT_TRUE(notice->text().contains("Marrowby"));
}

TEST(AboutBox, ShowsTheApplicationIcon) {
    ensureApplication();
    CDialogAbout box;
    auto* icon = box.findChild<QLabel*>("aboutIcon");
    ASSERT_NE(icon, nullptr);
    const QPixmap pixmap = icon->pixmap();
    ASSERT_FALSE(pixmap.isNull());
    EXPECT_EQ(pixmap.size(), QSize(48, 48));
    // Drawn, not a transparent square: the clock face covers well over half of it.
    EXPECT_GT(opaquePixels(pixmap.toImage()), 48 * 48 / 2);
}

TEST(AboutBox, OkIsTheDefaultAndAccepts) {
    ensureApplication();
    CDialogAbout box;
    box.show();
    auto* ok = box.findChild<QPushButton*>("aboutOk");
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));
    EXPECT_TRUE(ok->isDefault());
    ok->click();
    EXPECT_EQ(box.result(), QDialog::Accepted);
    EXPECT_FALSE(box.isVisible());
}

TEST(AboutBox, KeepsTheFormProportions) {
    ensureApplication();
    CDialogAbout box;
    const QSize size = box.size();
    ASSERT_GT(size.height(), 0);
    // 235 x 67 dialog units: about 1.75 : 1 at the usual font metrics; a font may stretch it
    // a little, but the box stays a wide, low strip.
    const double ratio = double(size.width()) / size.height();
    EXPECT_GT(ratio, 1.3);
    EXPECT_LT(ratio, 4.0);
}

// The resources are compiled into a static library; without care the linker drops them.
TEST(AppResources, IconIsLinkedInAndRenders) {
    ensureApplication();
    EXPECT_TRUE(QFile::exists(":/icons/chorelin.svg"));
    const QIcon icon(":/icons/chorelin.svg");
    ASSERT_FALSE(icon.isNull());
    for (const int side : {16, 24, 32, 48}) {
        SCOPED_TRACE(side);
        const QImage image = icon.pixmap(side, side).toImage();
        EXPECT_EQ(image.size(), QSize(side, side));
        EXPECT_GT(opaquePixels(image), side * side / 2);
    }
}
