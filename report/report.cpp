#include "report.h"

#include "raster_facts.h"
#include "raster_report.h"
#include "text_helpers.h"

namespace {
constexpr QStringView kPackageExtension = u".qvrmp";
}

bool IsPackagePath(const QString& path) {
    return path.size() > kPackageExtension.size() &&
           path.endsWith(kPackageExtension, Qt::CaseSensitive);
}

Report BuildReport(const QString& path) {
    const QByteArray utf8Path = WideToUtf8(path);
    const RasterFactsResult result = GatherRasterFacts(utf8Path);
    if (!result.facts)
        return {Utf8ToWide(result.error), false, true};
    return {RenderRasterReport(*result.facts), false, false};
}
