#include "report.h"

#include "package_report.h"
#include "raster_report.h"
#include "text_helpers.h"

namespace {
constexpr QStringView kPackageExtension = u".qvrmp";
}

bool EndsInPackageExtension(const QString& path) {
    return path.endsWith(kPackageExtension, Qt::CaseSensitive);
}

bool IsPackagePath(const QString& path) {
    return path.size() > kPackageExtension.size() && EndsInPackageExtension(path);
}

FileFacts GatherFileFacts(const QString& path) {
    FileFacts facts = GatherFileFactsAt(WideToUtf8(path));
    facts.path = path;
    return facts;
}

FileFacts GatherFileFactsAt(const QByteArray& utf8Path, const char* const* siblingFiles) {
    FileFacts facts;
    facts.path = Utf8ToWide(utf8Path);
    if (IsPackagePath(facts.path)) {
        PackageFactsResult result = GatherPackageFacts(utf8Path);
        facts.package = std::move(result.facts);
        if (!facts.package)
            facts.error = RenderPackageOpenFailure(result.error);
    } else {
        RasterFactsResult result = GatherRasterFacts(utf8Path, siblingFiles);
        facts.raster = std::move(result.facts);
        if (!facts.raster)
            facts.error = Utf8ToWide(result.error);
    }
    return facts;
}

Report RenderReport(const FileFacts& facts) {
    if (facts.package)
        return {RenderPackageReport(*facts.package), true, false};
    if (facts.raster)
        return {RenderRasterReport(*facts.raster), false, false};
    return {facts.error, false, true};
}
