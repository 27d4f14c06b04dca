#include "report_box.h"

#include <QFrame>

#include "dialog_units.h"

namespace {
// A multi-line edit box puts a tab stop every 32 horizontal dialog units.
constexpr int kTabStopUnits = 32;
}  // namespace

ReportBox::ReportBox(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTabChangesFocus(true);
    // Read-only, yet with a caret and a selection: keyboard users move, page and select in it.
    setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    setFocusPolicy(Qt::StrongFocus);
}

void ReportBox::SetTabStops(DialogBaseUnits base) {
    setTabStopDistance(MapDialogSize(QSize(kTabStopUnits, 0), base).width());
}

void ReportBox::SetWindowText(const QString& text) {
    text_ = text;
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    setPlainText(shown);
}
