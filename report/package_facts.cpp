#include "package_facts.h"

#include <string>

#include "file_size.h"
#include "package_reader.h"

namespace {

std::int64_t LevelSide(std::uint32_t side, int level) {
    const std::int64_t scale = std::int64_t{1} << level;
    return (std::int64_t{side} + scale - 1) / scale;
}

}  // namespace

PackageFactsResult GatherPackageFacts(const QByteArray& utf8Path) {
    std::string error;
    PackageReader* reader = OpenPackage(utf8Path.toStdString(), error);
    if (reader == nullptr)
        return {std::nullopt, QByteArray::fromStdString(error)};

    PackageFacts facts;
    facts.width = static_cast<std::int32_t>(reader->Width());
    facts.height = static_cast<std::int32_t>(reader->Height());
    facts.theoreticalBytes =
        static_cast<double>(facts.width) * static_cast<double>(facts.height) * 3.0;
    facts.storedBytes = FileSizeOnDisk(utf8Path);
    facts.topLevel = reader->TopLevel();
    facts.headerLength = reader->HeaderLength();
    facts.geoTransform = reader->GeoTransform();
    for (std::uint32_t level = 0; level <= facts.topLevel; ++level) {
        const PackageLevel info{LevelSide(reader->Width(), static_cast<int>(level)),
                                LevelSide(reader->Height(), static_cast<int>(level)),
                                reader->levelRows[level], reader->levelColumns[level]};
        facts.tileCount +=
            static_cast<std::uint32_t>(info.rows) * static_cast<std::uint32_t>(info.columns);
        facts.levels.push_back(info);
    }
    for (std::uint32_t entry = 0; entry < facts.tileCount; ++entry) {
        if (!reader->IndexEntry(entry).IsAbsent())
            ++facts.tilesPresent;
    }
    ClosePackage(reader);
    return {std::move(facts), {}};
}
