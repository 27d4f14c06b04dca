// The one entry point from a path to its report: the dialog and tarnview-info both call it.
// The file is read once into facts; the text report and JSON are both rendered from them.
#pragma once

#include <QString>

#include <optional>

#include "package_facts.h"
#include "raster_facts.h"

struct FileFacts {
    QString path;
    std::optional<RasterFacts> raster;    // set for a raster that GDAL opened
    std::optional<PackageFacts> package;  // set for a package that opened
    QString error;                        // the report's text when the file could not be opened

    bool Failed() const { return !raster && !package; }
};

struct Report {
    QString text;                 // CR LF line ends, as the report box shows it
    bool previewAllowed = false;  // only a package that opened may be previewed
    bool failed = false;          // the text is an error message, not a report
};

// The path ends in a case-sensitive ".qvrmp". The preview takes such a path, even the bare name.
bool EndsInPackageExtension(const QString& path);

// A package path for the report: at least one character before a case-sensitive ".qvrmp".
bool IsPackagePath(const QString& path);

// Packages go to the package reader, everything else to GDAL (which must be registered).
FileFacts GatherFileFacts(const QString& path);

// The same for a path as the system gives it, bytes that need not be valid UTF-8: the file is
// opened by those bytes, and `path` holds them decoded for display (U+FFFD where invalid).
// `siblingFiles` as GatherRasterFacts takes them.
FileFacts GatherFileFactsAt(const QByteArray& localPath, const char* const* siblingFiles = nullptr);

Report RenderReport(const FileFacts& facts);

inline Report BuildReport(const QString& path) {
    return RenderReport(GatherFileFacts(path));
}
