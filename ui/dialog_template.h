// A dialog described as data: its caption, its client size and its controls with their rectangles
// in dialog units and their dynamic-layout records, in template order (which is the tab order).
#pragma once

#include <span>

#include <QRect>
#include <QSize>
#include <QStringView>

// How a control follows a change of the client size: it moves by move% and grows by size% of the
// change, in each direction.
struct LayoutRecord {
    int moveX = 0;
    int moveY = 0;
    int sizeX = 0;
    int sizeY = 0;
};

enum class ControlKind { Label, LineEdit, PushButton, ReportBox };

struct ControlTemplate {
    int id;
    QStringView name;  // the widget's object name
    ControlKind kind;
    QStringView text;
    QRect units;  // x, y, width, height in dialog units
    bool initiallyEnabled;
    LayoutRecord layout;
};

struct DialogTemplate {
    int id;
    QStringView caption;
    QSize units;  // client size in dialog units
    std::span<const ControlTemplate> controls;
};
