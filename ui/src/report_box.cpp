#include "report_box.h"

#include <QFrame>

namespace {
constexpr int kTabStopCharacters = 8;
}

ReportBox::ReportBox(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTabChangesFocus(true);
    // A multi-line edit box puts its tab stops every 32 dialog units: eight average characters.
    setTabStopDistance(kTabStopCharacters * fontMetrics().averageCharWidth());
}

void ReportBox::SetWindowText(const QString& text) {
    text_ = text;
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    setPlainText(shown);
}
