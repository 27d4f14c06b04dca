// Keeps controls placed by their layout records as the client area changes size: each control
// moves and grows by its percentages of the change since the layout started.
#pragma once

#include <vector>

#include <QPointer>
#include <QRect>
#include <QSize>
#include <QWidget>

#include "dialog_template.h"

class DynamicLayout {
  public:
    // Takes the controls' current geometry and `client` as the starting point.
    void Start(QSize client);
    void Add(QWidget* control, LayoutRecord record);
    // Places every control for a client area of this size.
    void Apply(QSize client) const;

    // Where a control that started at `start` goes when the client grew by `delta` (which may be
    // negative).
    static QRect Placed(const QRect& start, LayoutRecord record, QSize delta);

  private:
    struct Item {
        QPointer<QWidget> control;
        LayoutRecord record;
        QRect start;
    };
    QSize startClient_;
    std::vector<Item> items_;
};
