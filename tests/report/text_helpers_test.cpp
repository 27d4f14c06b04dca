#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "qt_printers.h"
#include "text_helpers.h"
#include "wgs84_wkt.h"

namespace {

QString Appended(void (*append)(QString&, double, double), double a, double b) {
    QString text = QStringLiteral("x");
    append(text, a, b);
    return text;
}

QString Extent(const GeoTransform& gt, int width, int height) {
    QString text;
    AppendExtentBlock(text, gt, width, height);
    return text;
}

QByteArray Indent(const char* wkt) {
    return IndentWkt(QByteArray(wkt));
}

}  // namespace

TEST(TextConversion, RoundTripsNonAsciiAndKeepsEmbeddedZeros) {
    const QString text = QStringLiteral("影像 é 😀");
    EXPECT_EQ(Utf8ToWide(WideToUtf8(text)), text);
    EXPECT_EQ(WideToUtf8(text), QByteArray("\xE5\xBD\xB1\xE5\x83\x8F \xC3\xA9 \xF0\x9F\x98\x80"));

    const QByteArray withZero("a\0b", 3);
    const QString wide = Utf8ToWide(withZero);
    ASSERT_EQ(wide.size(), 3);
    EXPECT_EQ(wide[1], QChar(u'\0'));
    EXPECT_TRUE(Utf8ToWide(QByteArray()).isEmpty());
}

TEST(TextConversion, InvalidInputBecomesReplacementCharacter) {
    EXPECT_EQ(Utf8ToWide(QByteArray("a\xFF"
                                    "b")),
              QString::fromUtf16(u"a\uFFFDb"));
    const QString loneSurrogate(QChar(0xD800));
    EXPECT_EQ(WideToUtf8(loneSurrogate), QByteArray("\xEF\xBF\xBD"));
}

TEST(FormatFixed, MatchesPrintfInTheCLocale) {
    EXPECT_EQ(FormatFixed(0.0, 6), "0.000000");
    EXPECT_EQ(FormatFixed(-0.0, 6), "-0.000000");
    EXPECT_EQ(FormatFixed(-10.0, 6), "-10.000000");
    EXPECT_EQ(FormatFixed(17.475, 2), "17.48");  // 17.475 is stored just above the half
    EXPECT_EQ(FormatFixed(0.125, 2), "0.12");    // exact half rounds to even, as printf does
    EXPECT_EQ(FormatFixed(1e20, 2), "100000000000000000000.00");
    EXPECT_EQ(FormatFixed(std::numeric_limits<double>::max(), 0).size(), 309);
}

TEST(FormatFileSize, PicksTheUnitBelowTheNextPowerOf1024) {
    EXPECT_EQ(FormatFileSize(0), "0.000000 Byte");
    EXPECT_EQ(FormatFileSize(1023), "1023.000000 Byte");
    EXPECT_EQ(FormatFileSize(1024), "1.000000 KB");
    EXPECT_EQ(FormatFileSize(1536), "1.500000 KB");
    EXPECT_EQ(FormatFileSize(1048576), "1.000000 MB");
    EXPECT_EQ(FormatFileSize(1073741824.0 * 3), "3.000000 GB");
    EXPECT_EQ(FormatFileSize(1099511627776.0), "1.000000 TB");
    EXPECT_EQ(FormatFileSize(2 * std::pow(1024.0, 5)), "2048.000000 TB");
    EXPECT_EQ(FormatFileSize(1000000), "976.562500 KB");
}

TEST(AppendRatioLine, WritesTheFragmentOnlyBelowTheThreshold) {
    EXPECT_EQ(Appended(AppendRatioLine, 95, 100), "x");
    EXPECT_EQ(Appended(AppendRatioLine, 94, 100),
              QStringLiteral("x  理论未压缩大小: 100.000000 Byte 压缩率 94.00%"));
    EXPECT_EQ(Appended(AppendRatioLine, 0, 100),
              QStringLiteral("x  理论未压缩大小: 100.000000 Byte 压缩率 0.00%"));
    EXPECT_EQ(Appended(AppendRatioLine, 1048576, 4194304),
              QStringLiteral("x  理论未压缩大小: 4.000000 MB 压缩率 25.00%"));
    EXPECT_EQ(Appended(AppendRatioLine, 104857600, 600000000),
              QStringLiteral("x  理论未压缩大小: 572.204590 MB 压缩率 17.48%"));
}

TEST(AppendRatioLine, ZeroOrNanTheoreticalSizeWritesNothing) {
    EXPECT_EQ(Appended(AppendRatioLine, 0, 0), "x");
    EXPECT_EQ(Appended(AppendRatioLine, 10, 0), "x");
    EXPECT_EQ(Appended(AppendRatioLine, std::nan(""), 100), "x");
}

TEST(AppendExtentBlock, NorthUpImage) {
    EXPECT_EQ(Extent({500000, 10, 0, 4000000, 0, -10}, 1000, 500),
              QStringLiteral("\r\n\r\n地理范围:\r\n"
                             "\t\t北: 4000000.000000\r\n"
                             "\t西: 500000.000000  东: 510000.000000\r\n"
                             "\t\t南: 3995000.000000\r\n"
                             "\r\n仿射变换参数: [500000.000000,10.000000,0.000000,"
                             "4000000.000000,0.000000,-10.000000]\r\n"));
}

TEST(AppendExtentBlock, RotatedTransformTakesExtremesOverAllFourCorners) {
    // Corners: (0,0)->(100,200) (10,0)->(120,210) (10,20)->(80,150) (0,20)->(60,140).
    EXPECT_EQ(Extent({100, 2, -2, 200, 1, -3}, 10, 20),
              QStringLiteral("\r\n\r\n地理范围:\r\n"
                             "\t\t北: 210.000000\r\n"
                             "\t西: 60.000000  东: 120.000000\r\n"
                             "\t\t南: 140.000000\r\n"
                             "\r\n仿射变换参数: [100.000000,2.000000,-2.000000,"
                             "200.000000,1.000000,-3.000000]\r\n"));
}

TEST(AppendExtentBlock, SouthUpImageStillPutsTheLargestYNorth) {
    const QString text = Extent({0, 1, 0, 0, 0, 1}, 4, 3);
    EXPECT_TRUE(text.contains(QStringLiteral("\t\t北: 3.000000\r\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\t\t南: 0.000000\r\n")));
}

TEST(AppendExtentBlock, NanCornersLoseToNumbers) {
    // With an infinite pixel width the left corners give 0 x inf = nan and the right ones inf.
    const double inf = std::numeric_limits<double>::infinity();
    const QString text = Extent({0, inf, 0, 5, 0, -1}, 1, 2);
    EXPECT_TRUE(text.contains(QStringLiteral("\t西: inf  东: inf\r\n"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("\t\t北: 5.000000\r\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\t\t南: 3.000000\r\n")));
}

TEST(IndentWkt, LaysOutGeographicWgs84) {
    EXPECT_EQ(IndentWkt(kWgs84Wkt), kWgs84WktLaidOut);
}

TEST(IndentWkt, CommasBeforeNumbersStayAndOthersBreak) {
    EXPECT_EQ(Indent("TOWGS84[0,-1,2]"), QByteArray("TOWGS84[0,-1,2]"));
    EXPECT_EQ(Indent("A[x, y]"), QByteArray("A[x,\r\n\t y]"));
    EXPECT_EQ(Indent("A[B[1,"), QByteArray("A[B[1,\r\n\t\t"));
    EXPECT_EQ(Indent(","), QByteArray(",\r\n"));
    EXPECT_EQ(Indent("]],x"), QByteArray("]],\r\nx"));  // more closes than opens: no tabs
    EXPECT_EQ(Indent("NO COMMAS [HERE]"), QByteArray("NO COMMAS [HERE]"));
    EXPECT_EQ(Indent(""), QByteArray(""));
    EXPECT_EQ(Indent("A[\"名\",\"称\"]"), QByteArray("A[\"名\",\r\n\t\"称\"]"));
}

TEST(AppendMetadataLines, AppendsEachEntryAsTextBehindThePrefix) {
    QString text = QStringLiteral("head");
    AppendMetadataLines(text, {QByteArray("A=1"), QByteArray("%s%n=%d"), QByteArray("名=值")},
                        u"\r\n\t");
    EXPECT_EQ(text, QStringLiteral("head\r\n\tA=1\r\n\t%s%n=%d\r\n\t名=值"));

    QString empty = QStringLiteral("head");
    AppendMetadataLines(empty, {}, u"\r\n\t");
    EXPECT_EQ(empty, "head");
}
