#include "dialog_units.h"

#include <gtest/gtest.h>

#include "ui_test_support.h"

namespace {

TEST(MapDialogRect, QuarterCharacterAcrossEighthDown) {
    const DialogBaseUnits base{7, 16};
    EXPECT_EQ(MapDialogRect(QRect(7, 7, 44, 8), base), QRect(12, 14, 77, 16));
    // 235 x 7 / 4 = 411.25 and 290 x 7 / 4 = 507.5: nearest pixel, halves up.
    EXPECT_EQ(MapDialogRect(QRect(290, 21, 235, 295), base), QRect(508, 42, 411, 590));
    EXPECT_EQ(MapDialogSize(QSize(390, 323), base), QSize(683, 646));
    EXPECT_EQ(MapDialogSize(QSize(0, 0), base), QSize(0, 0));
}

TEST(MapDialogRect, OddBaseUnitsRoundEachValue) {
    const DialogBaseUnits base{6, 13};
    // 1 x 6 / 4 = 1.5 -> 2; 3 x 13 / 8 = 4.875 -> 5; 2 x 13 / 8 = 3.25 -> 3.
    EXPECT_EQ(MapDialogRect(QRect(1, 3, 1, 2), base), QRect(2, 5, 2, 3));
}

TEST(BaseUnitsOf, GrowWithTheFont) {
    EnsureApplication();
    QFont small = DialogFont();
    QFont large = small;
    large.setPointSize(small.pointSize() * 2);
    const DialogBaseUnits smallUnits = BaseUnitsOf(small);
    const DialogBaseUnits largeUnits = BaseUnitsOf(large);
    EXPECT_GT(smallUnits.x, 0);
    EXPECT_GT(smallUnits.y, smallUnits.x);  // characters are taller than wide
    EXPECT_GT(largeUnits.x, smallUnits.x);
    EXPECT_GT(largeUnits.y, smallUnits.y);
    EXPECT_EQ(DialogFont().pointSize(), 9);
}

}  // namespace

TEST(DialogUnits, TheFontShrinksOnlyWhereTheDialogWouldNotFit) {
    EnsureApplication();
    const QSize units(390, 323);
    const QSize full = MapDialogSize(units, BaseUnitsOf(DialogFont()));
    const struct {
        QSize room;
        bool shrinks;
    } cases[] = {{full, false}, {full - QSize(0, 1), true}, {QSize(910, 472), true}};
    for (const auto& c : cases) {
        const QFont font = DialogFontFitting(units, c.room);
        const QSize size = MapDialogSize(units, BaseUnitsOf(font));
        EXPECT_EQ(font.pointSizeF() < DialogFont().pointSizeF(), c.shrinks) << c.room.height();
        EXPECT_TRUE(size.width() <= c.room.width() && size.height() <= c.room.height());
    }
    EXPECT_EQ(DialogFontFitting(units, QSize(1, 1)).pointSizeF(), 5);  // the smallest it gets
}
