// The progress line: done and total, the rate, redrawn at most every so often, always at the end.
#include <gtest/gtest.h>

#include "progress_line.h"

TEST(ProgressLine, DrawsDoneTotalAndRateAtMostEveryIntervalAndAlwaysTheLastFile) {
    const ProgressLine::Clock::time_point start{};
    ProgressLine line(10, start);
    EXPECT_EQ(line.Finish(), "");  // nothing drawn, nothing to end
    EXPECT_EQ(line.Update(1, start + std::chrono::milliseconds(500)),
              "\r1/10 files, 2.0 files/s\x1b[K");
    EXPECT_EQ(line.Update(2, start + std::chrono::milliseconds(550)), "");
    EXPECT_EQ(line.Update(5, start + std::chrono::seconds(1)), "\r5/10 files, 5.0 files/s\x1b[K");
    EXPECT_EQ(line.Update(10, start + std::chrono::milliseconds(1010)),
              "\r10/10 files, 9.9 files/s\x1b[K");
    EXPECT_EQ(line.Finish(), "\n");
}
