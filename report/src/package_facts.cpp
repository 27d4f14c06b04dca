#include "package_facts.h"

#include <string>

#include "coordinate_system_facts.h"
#include "file_size.h"
#include "package_format.h"
#include "package_layout.h"
#include "package_reader.h"
#include "package_source.h"
#include "virtual_path.h"

ReportResult<PackageFacts> GatherPackageFacts(const std::string& path,
                                              const char* const* siblingFiles, FactsScope scope) {
    std::string error;
    const PackageHandle reader(OpenPackage(OpenPackageSource(path), error));
    if (!reader)
        return MakeError(ReportCode::kPackageCannotOpen, std::move(error));

    PackageFacts facts;
    facts.width = static_cast<std::int32_t>(reader->Width());
    facts.height = static_cast<std::int32_t>(reader->Height());
    facts.theoreticalBytes =
        static_cast<double>(facts.width) * static_cast<double>(facts.height) * 3.0;
    facts.uncompressedBytes =
        static_cast<double>(facts.width) * static_cast<double>(facts.height) * kBytesPerPixel;
    // A virtual file's size comes with its first response: asking the path again would cost one.
    const std::optional<std::uint64_t> sourceSize = reader->source->Size();
    facts.storedBytes = !IsVirtualPath(path) ? FileSizeOnDisk(path)
                        : sourceSize         ? static_cast<double>(*sourceSize)
                                             : 0;
    facts.topLevel = reader->TopLevel();
    facts.headerLength = reader->HeaderLength();
    facts.geoTransform = reader->GeoTransform();
    const PackageLayout layout = MakePackageLayout(reader->Width(), reader->Height());
    for (std::uint32_t level = 0; level <= facts.topLevel; ++level) {
        const PackageLevel info{layout.levelWidth[level], layout.levelHeight[level],
                                reader->levelRows[level], reader->levelColumns[level]};
        facts.tileCount +=
            static_cast<std::uint32_t>(info.rows) * static_cast<std::uint32_t>(info.columns);
        facts.levels.push_back(info);
    }
    facts.tilesPresent = static_cast<std::uint32_t>(CountPresentTiles(*reader));
    if (scope == FactsScope::kEverything)
        facts.crs = ReadSidecarCoordinateSystem(path, ReaderFingerprint(*reader), siblingFiles);
    return facts;
}
