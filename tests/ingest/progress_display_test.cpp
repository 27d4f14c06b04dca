// What is shown while packing: the bar, the time taken and left, and the summary line.
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

TEST(ProgressDisplay, TheWorkOfEveryLevelIsCountedFromTheStart) {
    // 5000 x 3000: levels of 5000 x 3000, 2500 x 1500 and 1250 x 750 pixels.
    const PackWork work = WorkOf(MakePackageLayout(5000, 3000));
    EXPECT_EQ(work.levelCount, 3);
    EXPECT_EQ(work.pixelsToRead, 15000000u);
    EXPECT_EQ(work.pixelsToEncode, 15000000u + 3750000u + 937500u);
    EXPECT_GT(work.tilesTotal, 0u);
    EXPECT_EQ(DoneFraction(work, PackProgress{}), 0);
    EXPECT_DOUBLE_EQ(DoneFraction(work, PackProgress{0, 0, 15000000, 0}), 15.0 / 34.6875);
    EXPECT_EQ(DoneFraction(work, PackProgress{2, work.tilesTotal, 15000000, 19687500}), 1);
}

TEST(ProgressDisplay, BarShowsTilesLevelTimeAndTimeLeft) {
    const PackWork work{6, 343, 1000, 1000};
    EXPECT_EQ(FormatProgressBar(work, PackProgress{}, 0, 0),
              "[------------------------------]   0%  level 1/6  tiles 0/343  0:00");
    EXPECT_EQ(FormatProgressBar(work, PackProgress{2, 120, 0, 0}, 0.25, 7.5),
              "[#######-----------------------]  25%  level 3/6  tiles 120/343  0:07, about 0:22 "
              "left");
    EXPECT_EQ(FormatProgressBar(work, PackProgress{5, 343, 0, 0}, 1, 75),
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
              "(20.0x smaller than 24-bit RGB), 12.3 s");
    summary.levels = 1;
    summary.tilesWritten = 1;
    summary.width = summary.height = 100;
    summary.bytes = 45000;
    EXPECT_EQ(FormatSummary(summary),
              "out.qvrmp: 100 x 100 pixels, 1 level, 1 tile written, 45000 bytes (1.5x larger "
              "than 24-bit RGB), 12.3 s");
}

TEST(ProgressDisplay, DrawsOnlyOnATerminalNeverBackwardsAndEndsItsLine) {
    const PackWork work{3, 4, 100, 100};
    std::string shown;
    ProgressDisplay silent([&](const std::string& text) { shown += text; }, false, work);
    silent.Update(WriteProgress{0, 1, 4, 50, 100});
    silent.End();
    EXPECT_EQ(shown, "");

    ProgressDisplay bar([&](const std::string& text) { shown += text; }, true, work);
    bar.Read(100);
    bar.Update(WriteProgress{0, 1, 4, 50, 100});  // the first draw: 150 of 200
    bar.Update(WriteProgress{0, 0, 4, 10, 100});  // an older report changes nothing
    bar.Update(WriteProgress{2, 4, 4, 100, 100});
    bar.End();
    EXPECT_EQ(
        shown.rfind("\r[######################--------]  75%  level 1/3  tiles 1/4  0:00\x1b[K"
                    "\r[##############################] 100%  level 3/3  tiles 4/4  0:00",
                    0),
        0u)
        << shown;
    EXPECT_EQ(shown.back(), '\n');
}
