#include "report.h"

#include "file_size.h"
#include "package_report.h"
#include "raster_report.h"
#include "remote_read_scope.h"
#include "text_helpers.h"
#include "virtual_path.h"

namespace {
constexpr std::string_view kPackageExtension = ".qvrmp";
}

bool EndsInPackageExtension(std::string_view path) {
    return path.ends_with(kPackageExtension);
}

bool IsPackagePath(std::string_view path) {
    return path.size() > kPackageExtension.size() && EndsInPackageExtension(path);
}

FileFacts GatherFileFacts(const std::string& path, const char* const* siblingFiles,
                          FactsScope scope) {
    FileFacts facts;
    facts.path = path;
    // A URL form is read as GDAL's virtual path for it; any other path as given.
    const std::string source = VirtualPath(path);
    const RemoteReadScope remote(source);
    if (IsPackagePath(path)) {
        ReportResult<PackageFacts> result = GatherPackageFacts(source, siblingFiles, scope);
        if (result)
            facts.package = std::move(result).value();
        else
            facts.error = RenderPackageOpenFailure(result.message());
    } else {
        ReportResult<RasterFacts> result = GatherRasterFacts(source, siblingFiles);
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
