#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <string_view>

#include "text_helpers.h"
#include "wgs84_wkt.h"

namespace {

std::string Appended(void (*append)(std::string&, double, double), double a, double b) {
    std::string text = "x";
    append(text, a, b);
    return text;
}

std::string Extent(const GeoTransform& gt, int width, int height) {
    std::string text;
    AppendExtentBlock(text, gt, width, height);
    return text;
}

bool Contains(const std::string& text, std::string_view part) {
    return text.find(part) != std::string::npos;
}

}  // namespace

TEST(ValidUtf8, KeepsWellFormedSequencesAndReplacesEachOtherByte) {
    using namespace std::string_literals;
    const std::string r = "\xEF\xBF\xBD";  // U+FFFD
    const struct {
        std::string in, out;
    } cases[] = {
        {"", ""},
        {"影像 é 😀", "\xE5\xBD\xB1\xE5\x83\x8F \xC3\xA9 \xF0\x9F\x98\x80"},
        {"a\0b"s, "a\0b"s},                        // embedded zeros stay
        {"\xEF\xBB\xBF=1", "\xEF\xBB\xBF=1"},      // a BOM is text like any other
        {"\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF"},  // U+10FFFF, the last code point
        {"a\xFF-", "a" + r + "-"},
        {"\xED\xA0\x80", r + r + r},          // a surrogate, UTF-8 encoded
        {"\xC0\xAF", r + r},                  // overlong
        {"\xF4\x90\x80\x80", r + r + r + r},  // past U+10FFFF
        {"\xE5\xBD", r + r},                  // cut short at the end
        {"\xE5\xBD-", r + r + "-"},           // cut short by ASCII
        {"\x80\xBF", r + r},                  // continuation bytes alone
    };
    for (const auto& c : cases)
        EXPECT_EQ(ValidUtf8(c.in), c.out) << c.in;
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
              "x  理论未压缩大小: 100.000000 Byte 压缩率 94.00%");
    EXPECT_EQ(Appended(AppendRatioLine, 0, 100), "x  理论未压缩大小: 100.000000 Byte 压缩率 0.00%");
    EXPECT_EQ(Appended(AppendRatioLine, 1048576, 4194304),
              "x  理论未压缩大小: 4.000000 MB 压缩率 25.00%");
    EXPECT_EQ(Appended(AppendRatioLine, 104857600, 600000000),
              "x  理论未压缩大小: 572.204590 MB 压缩率 17.48%");
}

TEST(AppendRatioLine, ZeroOrNanTheoreticalSizeWritesNothing) {
    EXPECT_EQ(Appended(AppendRatioLine, 0, 0), "x");
    EXPECT_EQ(Appended(AppendRatioLine, 10, 0), "x");
    EXPECT_EQ(Appended(AppendRatioLine, std::nan(""), 100), "x");
}

TEST(AppendExtentBlock, NorthUpImage) {
    EXPECT_EQ(Extent({500000, 10, 0, 4000000, 0, -10}, 1000, 500),
              "\r\n\r\n地理范围:\r\n"
              "\t\t北: 4000000.000000\r\n"
              "\t西: 500000.000000  东: 510000.000000\r\n"
              "\t\t南: 3995000.000000\r\n"
              "\r\n仿射变换参数: [500000.000000,10.000000,0.000000,"
              "4000000.000000,0.000000,-10.000000]\r\n");
}

TEST(AppendExtentBlock, RotatedTransformTakesExtremesOverAllFourCorners) {
    // Corners: (0,0)->(100,200) (10,0)->(120,210) (10,20)->(80,150) (0,20)->(60,140).
    EXPECT_EQ(Extent({100, 2, -2, 200, 1, -3}, 10, 20),
              "\r\n\r\n地理范围:\r\n"
              "\t\t北: 210.000000\r\n"
              "\t西: 60.000000  东: 120.000000\r\n"
              "\t\t南: 140.000000\r\n"
              "\r\n仿射变换参数: [100.000000,2.000000,-2.000000,"
              "200.000000,1.000000,-3.000000]\r\n");
}

TEST(AppendExtentBlock, SouthUpImageStillPutsTheLargestYNorth) {
    const std::string text = Extent({0, 1, 0, 0, 0, 1}, 4, 3);
    EXPECT_TRUE(Contains(text, "\t\t北: 3.000000\r\n"));
    EXPECT_TRUE(Contains(text, "\t\t南: 0.000000\r\n"));
}

TEST(AppendExtentBlock, NanCornersLoseToNumbers) {
    // With an infinite pixel width the left corners give 0 x inf = nan and the right ones inf.
    const double inf = std::numeric_limits<double>::infinity();
    const std::string text = Extent({0, inf, 0, 5, 0, -1}, 1, 2);
    EXPECT_TRUE(Contains(text, "\t西: inf  东: inf\r\n")) << text;
    EXPECT_TRUE(Contains(text, "\t\t北: 5.000000\r\n"));
    EXPECT_TRUE(Contains(text, "\t\t南: 3.000000\r\n"));
}

TEST(IndentWkt, LaysOutGeographicWgs84) {
    EXPECT_EQ(IndentWkt(kWgs84Wkt), kWgs84WktLaidOut);
}

TEST(IndentWkt, CommasBeforeNumbersStayAndOthersBreak) {
    EXPECT_EQ(IndentWkt("TOWGS84[0,-1,2]"), "TOWGS84[0,-1,2]");
    EXPECT_EQ(IndentWkt("A[x, y]"), "A[x,\r\n\t y]");
    EXPECT_EQ(IndentWkt("A[B[1,"), "A[B[1,\r\n\t\t");
    EXPECT_EQ(IndentWkt(","), ",\r\n");
    EXPECT_EQ(IndentWkt("]],x"), "]],\r\nx");  // more closes than opens: no tabs
    EXPECT_EQ(IndentWkt("NO COMMAS [HERE]"), "NO COMMAS [HERE]");
    EXPECT_EQ(IndentWkt(""), "");
    EXPECT_EQ(IndentWkt("A[\"名\",\"称\"]"), "A[\"名\",\r\n\t\"称\"]");
}

TEST(AppendMetadataLines, AppendsEachEntryAsTextBehindThePrefix) {
    std::string text = "head";
    AppendMetadataLines(text, {"A=1", "%s%n=%d", "名=值"}, "\r\n\t");
    EXPECT_EQ(text, "head\r\n\tA=1\r\n\t%s%n=%d\r\n\t名=值");

    std::string empty = "head";
    AppendMetadataLines(empty, {}, "\r\n\t");
    EXPECT_EQ(empty, "head");
}
