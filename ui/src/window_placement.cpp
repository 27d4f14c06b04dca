#include "window_placement.h"

#include <algorithm>

#include <QEvent>
#include <QScreen>
#include <QShowEvent>
#include <QWidget>
#include <QWindow>

QPoint CentredFramePosition(const QRect& workArea, QSize client, const QMargins& frame) {
    const QSize outer = client.grownBy(frame);
    return {workArea.x() + std::max(0, (workArea.width() - outer.width()) / 2),
            workArea.y() + std::max(0, (workArea.height() - outer.height()) / 2)};
}

WorkAreaCentring::WorkAreaCentring(QWidget& window) : QObject(&window), window_(window) {
    window.installEventFilter(this);
}

void WorkAreaCentring::Centre() {
    const QWindow* handle = window_.windowHandle();
    const QMargins frame = handle ? handle->frameMargins() : QMargins();
    frame_ = frame;
    const QPoint frameAt =
        CentredFramePosition(window_.screen()->availableGeometry(), size_, frame);
    // Placed by its client area: move() would go by the frame Qt last read, which may not be
    // this one yet.
    window_.setGeometry(QRect(frameAt + QPoint(frame.left(), frame.top()), window_.size()));
}

bool WorkAreaCentring::FrameBecameKnown(QEvent::Type type) const {
    const QWindow* handle = window_.windowHandle();
    if (!frame_ || handle == nullptr || handle->frameMargins() == *frame_)
        return false;
    // A window manager frames a window only once it is mapped. By its first activation the frame
    // is usually known; some set it later, before the repaint that follows their framing.
    return type == QEvent::WindowActivate || (type == QEvent::UpdateRequest && frame_->isNull());
}

bool WorkAreaCentring::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &window_)
        return false;
    if (event->type() == QEvent::Show && !frame_ &&
        !static_cast<QShowEvent*>(event)->spontaneous()) {
        // Placed here, so Qt's own guess at the frame is not used.
        size_ = window_.size();
        Centre();
    } else if (FrameBecameKnown(event->type()) && !window_.isMaximized()) {
        Centre();
    }
    return false;
}
