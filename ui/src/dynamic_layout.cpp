#include "dynamic_layout.h"

namespace {

constexpr int kPercent = 100;

int Share(int delta, int percent) {
    return delta * percent / kPercent;
}

}  // namespace

void DynamicLayout::Start(QSize client) {
    startClient_ = client;
    for (Item& item : items_) {
        if (item.control)
            item.start = item.control->geometry();
    }
}

void DynamicLayout::Add(QWidget* control, LayoutRecord record) {
    items_.push_back({control, record, control->geometry()});
}

void DynamicLayout::Apply(QSize client) const {
    const QSize delta = client - startClient_;
    for (const Item& item : items_) {
        if (item.control)
            item.control->setGeometry(Placed(item.start, item.record, delta));
    }
}

QRect DynamicLayout::Placed(const QRect& start, LayoutRecord record, QSize delta) {
    const int dx = delta.width();
    const int dy = delta.height();
    return {start.x() + Share(dx, record.moveX), start.y() + Share(dy, record.moveY),
            start.width() + Share(dx, record.sizeX), start.height() + Share(dy, record.sizeY)};
}
