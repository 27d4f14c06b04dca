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

// The most a window manager's frame (title bar and borders) is taken to need before the window is
// framed, so that a window sized before it is shown leaves room for it on the work area.
inline constexpr QSize kFrameAllowance(16, 40);

// The top-left corner of the frame of a window with this client size and frame; a window larger
// than the work area keeps its title bar on it, at the work area's top or left edge.
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
