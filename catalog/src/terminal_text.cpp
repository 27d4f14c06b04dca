#include "terminal_text.h"

#include "text_helpers.h"

QByteArray TerminalText(const QString& report, bool crlf) {
    if (crlf)
        return WideToUtf8(report);
    QString text = report;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (!text.endsWith(u'\n'))
        text += u'\n';
    return WideToUtf8(text);
}
