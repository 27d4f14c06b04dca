// Where a window first appears: the whole window, frame included, in the middle of the work area
// (the screen without its panels).
#pragma once

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>

// The top-left corner of the frame of a window with this client size and frame.
QPoint CentredFramePosition(const QRect& workArea, QSize client, const QMargins& frame);
