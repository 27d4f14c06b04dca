#include "file_dialog_seam.h"

#include <utility>

#include <QFileDialog>

namespace {

constexpr QStringView kAllFilesPattern = u"*.*";

OpenFileHandler& InstalledHandler() {
    static OpenFileHandler handler;
    return handler;
}

std::optional<QString> RunRealFileDialog(const OpenFileRequest& request) {
    const QStringList nameFilters = ToQtNameFilters(request.filters);
    QFileDialog dialog;
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(nameFilters);
    if (request.selectedFilter >= 0 && request.selectedFilter < nameFilters.size()) {
        dialog.selectNameFilter(nameFilters.at(request.selectedFilter));
    }
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen.first();
}

}  // namespace

std::optional<QString> RunOpenFileDialog(const OpenFileRequest& request) {
    const OpenFileHandler& handler = InstalledHandler();
    return handler ? handler(request) : RunRealFileDialog(request);
}

OpenFileHandler SetOpenFileHandler(OpenFileHandler handler) {
    return std::exchange(InstalledHandler(), std::move(handler));
}

QStringList ToQtNameFilters(std::span<const FileFilter> filters) {
    QStringList nameFilters;
    for (const FileFilter& filter : filters) {
        QStringList patterns;
        for (QStringView pattern : filter.patterns.split(u';', Qt::SkipEmptyParts)) {
            patterns << (pattern == kAllFilesPattern ? QStringLiteral("*") : pattern.toString());
        }
        nameFilters << filter.displayName.toString() + u'(' + patterns.join(u' ') + u')';
    }
    return nameFilters;
}
