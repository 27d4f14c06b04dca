#include "dynamic_layout.h"

#include <gtest/gtest.h>

#include "ui_test_support.h"

namespace {

TEST(DynamicLayoutPlaced, MovesAndGrowsByTheRecordsShares) {
    const QRect start(10, 20, 100, 50);
    EXPECT_EQ(DynamicLayout::Placed(start, {0, 0, 0, 0}, QSize(40, 30)), start);
    EXPECT_EQ(DynamicLayout::Placed(start, {100, 0, 0, 0}, QSize(40, 30)), QRect(50, 20, 100, 50));
    EXPECT_EQ(DynamicLayout::Placed(start, {0, 0, 100, 100}, QSize(40, 30)),
              QRect(10, 20, 140, 80));
    // Shares are truncated; a smaller client moves and shrinks the same way.
    EXPECT_EQ(DynamicLayout::Placed(start, {50, 25, 33, 0}, QSize(7, 9)), QRect(13, 22, 102, 50));
    EXPECT_EQ(DynamicLayout::Placed(start, {100, 0, 100, 100}, QSize(-20, -10)),
              QRect(-10, 20, 80, 40));
}

TEST(DynamicLayout, AppliesToEveryControlFromTheStartGeometry) {
    EnsureApplication();
    QWidget parent;
    auto* fixed = new QWidget(&parent);
    auto* mover = new QWidget(&parent);
    fixed->setGeometry(5, 5, 20, 10);
    mover->setGeometry(100, 5, 30, 10);
    DynamicLayout layout;
    layout.Add(fixed, {0, 0, 0, 0});
    layout.Add(mover, {100, 100, 0, 0});
    layout.Start(QSize(200, 100));

    layout.Apply(QSize(260, 150));
    EXPECT_EQ(fixed->geometry(), QRect(5, 5, 20, 10));
    EXPECT_EQ(mover->geometry(), QRect(160, 55, 30, 10));
    // Back to the start size: back to the start places, no drift.
    layout.Apply(QSize(200, 100));
    EXPECT_EQ(mover->geometry(), QRect(100, 5, 30, 10));
}

}  // namespace
