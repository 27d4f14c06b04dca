// The preview window: its template, its picture and its first paint.
#include "about_dlg.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>
#include <QApplication>
#include <QScreen>

#include "dialog_units.h"
#include "ui_test_support.h"

namespace {

constexpr int kColumns = 512;
constexpr QRgb kGrey = 0xFFD2D2D2u;
constexpr QRgb kWhite = 0xFFFFFFFFu;

std::uint32_t Rgba(unsigned char r, unsigned char g, unsigned char b, unsigned char a) {
    const unsigned char bytes[4] = {r, g, b, a};
    std::uint32_t pixel;
    std::memcpy(&pixel, bytes, sizeof pixel);
    return pixel;
}

class AboutDlgTest : public ::testing::Test {
  protected:
    void SetUp() override { EnsureApplication(); }
};

TEST_F(AboutDlgTest, TemplateWindowWithoutImagePaintsNothingAndKeepsItsSize) {
    CAboutDlg window;
    EXPECT_EQ(window.windowTitle(), QStringLiteral("预览"));
    const QSize templateSize = MapDialogSize(QSize(250, 181), BaseUnitsOf(window.font()));
    EXPECT_EQ(window.size(), templateSize);
    EXPECT_TRUE(window.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(window.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(window.findChildren<QWidget*>().isEmpty());
    ShowAndPaint(window);
    EXPECT_EQ(window.Image(), nullptr);
    EXPECT_EQ(window.size(), templateSize);
    const QImage shown = window.grab().toImage();
    EXPECT_NE(shown.pixel(5, 5), kGrey);
}

TEST_F(AboutDlgTest, SetImageComposesTheCheckerboardAndTheData) {
    const int rows = 24;
    std::vector<std::uint32_t> pixels(rows * kColumns, Rgba(9, 9, 9, 0));
    pixels[3] = Rgba(200, 30, 40, 1);  // alpha 1 is data
    pixels[16 * kColumns + 20] = Rgba(1, 2, 3, 255);

    CAboutDlg window;
    window.SetImage(rows, pixels.data());
    ASSERT_NE(window.Image(), nullptr);
    const QImage& image = *window.Image();
    ASSERT_EQ(image.size(), QSize(512, rows));
    EXPECT_EQ(image.pixel(0, 0), kGrey);
    EXPECT_EQ(image.pixel(8, 8), kGrey);
    EXPECT_EQ(image.pixel(8, 0), kWhite);
    EXPECT_EQ(image.pixel(0, 8), kWhite);
    EXPECT_EQ(image.pixel(511, 23), kWhite);          // square column 63, square row 2
    EXPECT_EQ(image.pixel(3, 0), qRgb(200, 30, 40));  // true colours: red stays red
    EXPECT_EQ(image.pixel(20, 16), qRgb(1, 2, 3));

    // A second image replaces the first.
    window.SetImage(2, pixels.data());
    EXPECT_EQ(window.Image()->size(), QSize(512, 2));
}

TEST_F(AboutDlgTest, SizedToTheImageBeforeItIsShownSoItIsCentredAtThatSize) {
    std::vector<std::uint32_t> pixels(40 * kColumns, 0);
    pixels[0] = Rgba(0, 0, 255, 255);
    CAboutDlg window;
    EXPECT_FALSE(window.windowIcon().isNull());
    window.SetImage(40, pixels.data());
    EXPECT_EQ(window.size(), QSize(512 + 10, 40 + 10));  // 5 pixels on every side
    ShowAndPaint(window);
    EXPECT_EQ(window.size(), QSize(512 + 10, 40 + 10));
    const QRect frame = window.frameGeometry();
    const QRect workArea = window.screen()->availableGeometry();
    EXPECT_LE(std::abs(frame.center().x() - workArea.center().x()), 1);
    EXPECT_LE(std::abs(frame.center().y() - workArea.center().y()), 1);

    // Drawn unscaled at client (5, 5).
    const QImage shown = window.grab().toImage();
    EXPECT_EQ(shown.pixel(5, 5), qRgb(0, 0, 255));
    EXPECT_EQ(shown.pixel(6, 5), kGrey);
    EXPECT_EQ(shown.pixel(13, 5), kWhite);
    EXPECT_EQ(shown.pixel(5, 13), kWhite);
    EXPECT_EQ(shown.pixel(516, 44), kWhite);  // the image's last pixel, (511, 39)
    EXPECT_NE(shown.pixel(4, 4), kGrey);
    EXPECT_NE(shown.pixel(517, 45), kGrey);

    // Later paints keep whatever size the user gives the window.
    window.resize(700, 300);
    window.repaint();
    QApplication::processEvents();
    EXPECT_EQ(window.size(), QSize(700, 300));
}

TEST_F(AboutDlgTest, NoRowsShrinksToTheMarginsAndDrawsNothing) {
    CAboutDlg window;
    window.SetImage(0, nullptr);
    ASSERT_NE(window.Image(), nullptr);
    EXPECT_TRUE(window.Image()->isNull());
    ShowAndPaint(window);
    EXPECT_EQ(window.size(), QSize(10, 10));
    const QImage shown = window.grab().toImage();
    EXPECT_NE(shown.pixel(5, 5), kGrey);
    EXPECT_NE(shown.pixel(6, 5), kWhite);
}

}  // namespace
