// Where a window first appears: the whole window, frame included, in the middle of the work area
// (the screen without its panels).
#pragma once

#include <QEvent>
#include <QMargins>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <optional>

class QWidget;

// The top-left corner of the frame of a window with this client size and frame.
QPoint CentredFramePosition(const QRect& workArea, QSize client, const QMargins& frame);

// Centres a top-level window on its screen's work area when it is first shown, with the frame
// known then (none before the window is mapped), and again once the window manager's frame turns
// out different: when it is activated, or at a repaint while it was centred without a frame.
// Always by the size it had when first shown, so a window that resizes itself on its first paint
// keeps its top-left corner. A child of the window, watching its events.
class WorkAreaCentring : public QObject {
  public:
    explicit WorkAreaCentring(QWidget& window);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Centre();
    bool FrameBecameKnown(QEvent::Type type) const;

    QWidget& window_;
    QSize size_;
    // The frame the window was centred with; empty until it is first shown.
    std::optional<QMargins> frame_;
};
