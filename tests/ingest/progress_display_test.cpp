// What is shown while packing: the bar, the elapsed time and the summary line.
#include <gtest/gtest.h>

#include "progress_display.h"

TEST(ProgressDisplay, ElapsedTime) {
    EXPECT_EQ(FormatElapsed(0), "0:00");
    EXPECT_EQ(FormatElapsed(59.9), "0:59");
    EXPECT_EQ(FormatElapsed(61), "1:01");
    EXPECT_EQ(FormatElapsed(3599), "59:59");
    EXPECT_EQ(FormatElapsed(3600 + 62), "1:01:02");
    EXPECT_EQ(FormatElapsed(-1), "0:00");
}

TEST(ProgressDisplay, BarShowsTilesLevelAndTime) {
    EXPECT_EQ(FormatProgressBar(WriteProgress{0, 0, 0}, 1, 0),
              "[------------------------------]   0%  level 1/1  tiles 0/0  0:00");
    EXPECT_EQ(FormatProgressBar(WriteProgress{2, 120, 343}, 6, 7.5),
              "[##########--------------------]  34%  level 3/6  tiles 120/343  0:07");
    EXPECT_EQ(FormatProgressBar(WriteProgress{5, 343, 343}, 6, 75),
              "[##############################] 100%  level 6/6  tiles 343/343  1:15");
}

TEST(ProgressDisplay, SummaryLine) {
    PackSummary summary;
    summary.output = "out.qvrmp";
    summary.width = 20000;
    summary.height = 10000;
    summary.levels = 5;
    summary.tilesWritten = 77;
    summary.bytes = 30000000;
    summary.seconds = 12.34;
    EXPECT_EQ(FormatSummary(summary),
              "out.qvrmp: 20000 x 10000 pixels, 5 levels, 77 tiles written, 30000000 bytes "
              "(5.00% of 24-bit RGB), 12.3 s");
    summary.levels = 1;
    summary.width = summary.height = 0;
    EXPECT_EQ(FormatSummary(summary),
              "out.qvrmp: 0 x 0 pixels, 1 level, 77 tiles written, 30000000 bytes (0.00% of "
              "24-bit RGB), 12.3 s");
}

TEST(ProgressDisplay, DrawsOnlyOnATerminalAndEndsItsLine) {
    std::string shown;
    ProgressDisplay silent([&](const std::string& text) { shown += text; }, false, 3);
    silent.Update(WriteProgress{0, 1, 4});
    silent.End();
    EXPECT_EQ(shown, "");

    ProgressDisplay bar([&](const std::string& text) { shown += text; }, true, 3);
    bar.Update(WriteProgress{0, 1, 4});
    bar.Update(WriteProgress{2, 4, 4});
    bar.End();
    EXPECT_EQ(
        shown.rfind("\r[#######-----------------------]  25%  level 1/3  tiles 1/4  0:00\x1b[K"
                    "\r[##############################] 100%  level 3/3  tiles 4/4  0:00",
                    0),
        0u)
        << shown;
    EXPECT_EQ(shown.back(), '\n');
}
