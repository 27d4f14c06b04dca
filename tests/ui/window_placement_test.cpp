#include "window_placement.h"

#include <gtest/gtest.h>

namespace {

TEST(WindowPlacement, TheFrameNotTheClientIsCentredOnTheWorkArea) {
    // A panel along the top, a title bar far taller than the other edges.
    const QRect workArea(0, 32, 1280, 992);
    const QMargins frame(4, 37, 4, 4);
    const QSize client(600, 500);
    const QPoint at = CentredFramePosition(workArea, client, frame);
    const QRect outer(at, client.grownBy(frame));
    EXPECT_EQ(outer.center(), workArea.center());
    EXPECT_EQ(at, QPoint(336, 257));

    // Without a frame it is the client that is centred; a window larger than the work area keeps
    // its title bar on it.
    EXPECT_EQ(CentredFramePosition(workArea, client, {}), QPoint(340, 278));
    EXPECT_EQ(CentredFramePosition(workArea, QSize(1000, 1100), frame), QPoint(136, 32));
}

}  // namespace
