#include "report.h"

#include "file_size.h"
#include "package_report.h"
#include "raster_report.h"
#include "text_helpers.h"

namespace {
constexpr std::string_view kPackageExtension = ".qvrmp";
}

bool EndsInPackageExtension(std::string_view path) {
    return path.ends_with(kPackageExtension);
}

bool IsPackagePath(std::string_view path) {
    return path.size() > kPackageExtension.size() && EndsInPackageExtension(path);
}

FileFacts GatherFileFacts(const std::string& path, const char* const* siblingFiles) {
    FileFacts facts;
    facts.path = path;
    if (IsPackagePath(path)) {
        ReportResult<PackageFacts> result = GatherPackageFacts(path);
        if (result)
            facts.package = std::move(result).value();
        else
            facts.error = RenderPackageOpenFailure(result.message());
    } else {
        ReportResult<RasterFacts> result = GatherRasterFacts(path, siblingFiles);
        if (result)
            facts.raster = std::move(result).value();
        else
            facts.error = ValidUtf8(result.message());
    }
    if (!facts.Failed())
        facts.modifiedSeconds = FileModificationTime(path);
    return facts;
}

Report RenderReport(const FileFacts& facts) {
    if (facts.package)
        return {RenderPackageReport(*facts.package), true, false};
    if (facts.raster)
        return {RenderRasterReport(*facts.raster), false, false};
    return {facts.error, false, true};
}
