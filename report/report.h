// The one entry point from a path to its report: the dialog and tarnview-info both call it.
// The file is read once into facts; the text report and JSON are both rendered from them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "package_facts.h"
#include "raster_facts.h"

struct FileFacts {
    std::string path;                     // as the system gives it: bytes, not always UTF-8
    std::optional<RasterFacts> raster;    // set for a raster that GDAL opened
    std::optional<PackageFacts> package;  // set for a package that opened
    std::string error;                    // the report's text when the file could not be opened
    // When the file was last modified, seconds since 1970 UTC; empty when unknown or it failed.
    std::optional<std::int64_t> modifiedSeconds = std::nullopt;

    bool Failed() const { return !raster && !package; }
};

struct Report {
    std::string text;             // UTF-8, CR LF line ends, as the report box shows it
    bool previewAllowed = false;  // only a package that opened may be previewed
    bool failed = false;          // the text is an error message, not a report
};

// The path ends in a case-sensitive ".qvrmp". The preview takes such a path, even the bare name.
bool EndsInPackageExtension(std::string_view path);

// A package path for the report: at least one character before a case-sensitive ".qvrmp".
bool IsPackagePath(std::string_view path);

// Packages go to the package reader, everything else to GDAL (which must be registered). The
// file is opened by the path's bytes, whatever they are. `siblingFiles` as GatherRasterFacts
// takes them.
FileFacts GatherFileFacts(const std::string& path, const char* const* siblingFiles = nullptr,
                          FactsScope scope = FactsScope::kEverything);

Report RenderReport(const FileFacts& facts);

inline Report BuildReport(const std::string& path) {
    return RenderReport(GatherFileFacts(path));
}
