// The one entry point from a path to its report: the dialog and tarnview-info both call it.
#pragma once

#include <QString>

struct Report {
    QString text;                 // CR LF line ends, as the report box shows it
    bool previewAllowed = false;  // only a package that opened may be previewed
    bool failed = false;          // the text is an error message, not a report
};

// A package path has at least one character before a case-sensitive ".qvrmp".
bool IsPackagePath(const QString& path);

Report BuildReport(const QString& path);
