#include "window_placement.h"

QPoint CentredFramePosition(const QRect& workArea, QSize client, const QMargins& frame) {
    const QSize outer = client.grownBy(frame);
    return {workArea.x() + (workArea.width() - outer.width()) / 2,
            workArea.y() + (workArea.height() - outer.height()) / 2};
}
