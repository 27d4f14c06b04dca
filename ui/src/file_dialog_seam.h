// The open-file dialog goes through RunOpenFileDialog, so a test can say what it answers.
#pragma once

#include <functional>
#include <optional>
#include <span>

#include <QString>
#include <QStringList>
#include <QStringView>

// One entry of the file dialog's type list: its display name and its patterns separated by ';'.
struct FileFilter {
    QStringView displayName;
    QStringView patterns;
};

struct OpenFileRequest {
    std::span<const FileFilter> filters;
    int selectedFilter = 0;
};

// The full path of the chosen file, or nothing when the dialog was cancelled.
using OpenFileHandler = std::function<std::optional<QString>(const OpenFileRequest&)>;

// Asks for a file to open; the name typed need not exist.
std::optional<QString> RunOpenFileDialog(const OpenFileRequest& request);

// Installs `handler` in place of the real dialog and returns the one it replaces; an empty handler
// brings the real one back.
OpenFileHandler SetOpenFileHandler(OpenFileHandler handler);

// The filters as Qt name filters, "display name(pattern pattern)". The all-files pattern "*.*"
// becomes "*", which also matches names without a dot.
QStringList ToQtNameFilters(std::span<const FileFilter> filters);
