// The report as a terminal prints it.
#pragma once

#include <QByteArray>
#include <QString>

// The report's CR LF line ends as LF and a final newline, in UTF-8; or, with `crlf`, the text
// exactly as the report box shows it.
QByteArray TerminalText(const QString& report, bool crlf = false);
