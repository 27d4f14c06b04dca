// Dialog units: dialog templates give positions and sizes relative to the dialog font, so the same
// numbers fit any font size. One horizontal unit is a quarter of the font's average character
// width, one vertical unit an eighth of its character height.
#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

struct DialogBaseUnits {
    int x = 0;  // average character width in pixels
    int y = 0;  // character height in pixels
};

// The average width is taken over the 52 Latin letters, rounded to the nearest pixel.
DialogBaseUnits BaseUnitsOf(const QFont& font);

// Converts a rectangle or size in dialog units to pixels, rounding to the nearest pixel.
QRect MapDialogRect(const QRect& units, DialogBaseUnits base);
QSize MapDialogSize(const QSize& units, DialogBaseUnits base);

// The dialog font: the desktop's default interface font at 9 points.
QFont DialogFont();

// The dialog font, made smaller where a client area of `units` would not fit in `room` pixels at
// 9 points, down to the smallest size that fits (and never below 5 points): on a small screen or
// at a large scale the whole dialog shrinks alike.
QFont DialogFontFitting(QSize units, QSize room);
