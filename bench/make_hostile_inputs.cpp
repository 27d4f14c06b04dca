// Writes files whose headers lie, for bench/hostile_headers.sh: packages with every header field
// at its extremes and index entries pointing anywhere, sparse packages and TIFFs that really hold
// the gigabytes they declare, TIFFs claiming enormous sizes, and a VRT whose source is a FIFO.
#include <sys/stat.h>
#include <QByteArray>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <initializer_list>

#include "crafted_package.h"
#include "package_format.h"
#include "package_headers.h"
#include "package_layout.h"

namespace {

bool Write(const QString& path, const QByteArray& bytes, qint64 fileBytes = -1) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size()) {
        return false;
    }
    return fileBytes < 0 || file.resize(fileBytes);
}

QByteArray ClaimingTiff(std::uint32_t width, std::uint32_t height, std::uint16_t bands) {
    QByteArray tiff("II*\0\x08\0\0\0", 8);
    auto u16 = [&](std::uint16_t v) { tiff.append(char(v & 0xFF)).append(char(v >> 8)); };
    auto u32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            tiff.append(char((v >> (8 * i)) & 0xFF));
    };
    const std::initializer_list<std::uint32_t[3]> entries = {
        {256, 4, width}, {257, 4, height}, {258, 3, 8}, {259, 3, 1}, {262, 3, 1},
        {273, 4, 200},   {277, 3, bands},  {278, 4, 1}, {279, 4, 16}};
    u16(static_cast<std::uint16_t>(entries.size()));
    for (const auto& entry : entries) {
        u16(static_cast<std::uint16_t>(entry[0]));
        u16(static_cast<std::uint16_t>(entry[1]));
        u32(1);
        u32(entry[2]);
    }
    u32(0);
    tiff.append(QByteArray(256, '\0'));
    return tiff;
}

// An uncompressed TIFF of `bands` bands in separate planes, one strip each, that GDAL reads in
// blocks of a whole band. The strips follow the header back to back when `holding`, so that a
// sparse file of that size holds every byte they declare; otherwise they are absent (offset 0).
QByteArray SeparatePlanesTiff(std::uint32_t width, std::uint32_t height, std::uint16_t bands,
                              bool holding, std::uint32_t firstStrip) {
    const std::uint32_t strip = width * height;
    QByteArray tiff("II*\0\x08\0\0\0", 8);
    QByteArray arrays;  // out-of-line values, after the IFD
    constexpr int kEntries = 10;
    const std::uint32_t arraysAt = 8 + 2 + 12 * kEntries + 4;
    auto u16 = [](QByteArray& to, std::uint16_t v) {
        to.append(char(v & 0xFF)).append(char(v >> 8));
    };
    auto u32 = [](QByteArray& to, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            to.append(char((v >> (8 * i)) & 0xFF));
    };
    auto entry = [&](std::uint16_t tag, std::uint16_t type, std::uint32_t value) {
        u16(tiff, tag);
        u16(tiff, type);
        u32(tiff, 1);
        u32(tiff, value);
    };
    // One LONG (type 4) or SHORT (type 3) per band: in the entry when they fit its four bytes,
    // out of line otherwise.
    auto perBand = [&](std::uint16_t tag, std::uint16_t type, auto valueOf) {
        u16(tiff, tag);
        u16(tiff, type);
        u32(tiff, bands);
        const bool inEntry = (type == 3 ? 2 : 4) * bands <= 4;
        QByteArray& to = inEntry ? tiff : arrays;
        const qsizetype start = to.size();
        if (!inEntry)
            u32(tiff, arraysAt + static_cast<std::uint32_t>(arrays.size()));
        for (std::uint16_t band = 0; band < bands; ++band)
            type == 3 ? u16(to, static_cast<std::uint16_t>(valueOf(band))) : u32(to, valueOf(band));
        while (inEntry && to.size() - start < 4)
            to.append('\0');
    };
    u16(tiff, kEntries);
    entry(256, 4, width);
    entry(257, 4, height);
    perBand(258, 3, [](std::uint16_t) { return 8u; });
    entry(259, 3, 1);
    entry(262, 3, 1);
    perBand(273, 4, [&](std::uint16_t band) { return holding ? firstStrip + band * strip : 0u; });
    entry(277, 3, bands);
    entry(278, 4, height);
    perBand(279, 4, [&](std::uint16_t) { return holding ? strip : 0u; });
    entry(284, 3, 2);
    u32(tiff, 0);
    return tiff + arrays;
}

// The square side whose header comes closest to the largest headerLength the field can hold.
std::uint32_t SideOfLargestHeader() {
    std::uint32_t low = kTileSize;
    std::uint32_t high = kMaxImageSide;
    while (low < high) {
        const std::uint32_t middle = low + (high - low + 1) / 2;
        if (ExpectedHeaderLength(middle, middle, FindTopLevel(middle, middle)) <= 0xFFFFFFFFu) {
            low = middle;
        } else {
            high = middle - 1;
        }
    }
    return low;
}

// One 2048 x 2048 tile whose block of `blockSize` bytes follows the header, its table holding
// `table` for every start.
QByteArray OneTilePackage(std::uint32_t blockSize, std::int32_t table) {
    QByteArray bytes = PackageHeaderBytes(PackageHeaderRecipe{});
    auto* entry = reinterpret_cast<std::uint8_t*>(bytes.data()) + kTileIndexOffset;
    StoreU64(entry + kEntryBlockOffsetOffset, kMinHeaderLength);
    StoreU32(entry + kEntryBlockSizeOffset, blockSize);
    std::uint8_t starts[kSubTileTableSize];
    for (int n = 0; n < kSubTilesPerTile; ++n) {
        StoreI32(starts + 4 * n, table);
    }
    bytes.append(reinterpret_cast<const char*>(starts), kSubTileTableSize);
    return bytes;
}

// A tall, narrow image read at level 0 whose blocks each hold one sub-tile stating 1024 x 16383
// pixels; short enough that its thumbnail stays small.
QByteArray TallPackageOfOversizedSubTiles() {
    CraftedPackage package(1023, 16000);
    const std::vector<std::uint8_t> oversized = FlatWebP(1024, 16383, 0xFF336699u);
    // Sized once and copied into: GCC 12 at -O3 misjudges an insert at the end of the table.
    std::vector<std::uint8_t> block(kSubTileTableSize + oversized.size());
    std::copy(oversized.begin(), oversized.end(), block.begin() + kSubTileTableSize);
    for (int n = 1; n < kSubTilesPerTile; ++n) {
        StoreI32(block.data() + 4 * n, static_cast<std::int32_t>(kSubTileTableSize));
    }
    StoreI32(block.data() + 4, static_cast<std::int32_t>(kSubTileTableSize + oversized.size()));
    for (std::uint32_t row = 0; row < package.Layout().tileRows[0]; ++row) {
        package.AddBlock(0, row, 0, block);
    }
    const std::vector<std::uint8_t> bytes = package.Bytes();
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_hostile_inputs FOLDER\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    int written = 0;
    auto put = [&](const QString& name, const QByteArray& bytes, qint64 fileBytes = -1) {
        written += Write(folder.filePath(name), bytes, fileBytes) ? 1 : 0;
    };

    const std::uint32_t extremes[] = {0, 1, 0x7FFFFFFF, 0xFFFFFFFF};
    for (std::uint32_t value : extremes) {
        const QString suffix = QString::number(value, 16);
        PackageHeaderRecipe recipe;
        recipe.width = value;
        put(QStringLiteral("width_%1.qvrmp").arg(suffix), PackageHeaderBytes(recipe));
        recipe = {};
        recipe.height = value;
        put(QStringLiteral("height_%1.qvrmp").arg(suffix), PackageHeaderBytes(recipe));
        recipe = {};
        recipe.topLevel = static_cast<int>(value);
        put(QStringLiteral("toplevel_%1.qvrmp").arg(suffix), PackageHeaderBytes(recipe));
        recipe = {};
        recipe.headerLength = value;
        put(QStringLiteral("headerlength_%1.qvrmp").arg(suffix), PackageHeaderBytes(recipe));
        recipe = {};
        recipe.magic2 = value;
        put(QStringLiteral("magic2_%1.qvrmp").arg(suffix), PackageHeaderBytes(recipe));
    }

    // The largest sizes the format allows, with a file too short for their index.
    PackageHeaderRecipe largest;
    largest.width = kMaxImageSide;
    largest.height = 1;
    put(QStringLiteral("largest_valid.qvrmp"), PackageHeaderBytes(largest));
    PackageHeaderRecipe huge;
    huge.width = 1u << 22;
    huge.height = 1u << 22;
    put(QStringLiteral("huge_index_short_file.qvrmp"),
        PackageHeaderBytes(huge).left(kMinHeaderLength));

    // One tile whose block claims 4 GiB, and one pointing past the end of the file.
    for (const auto& [name, offset, size] :
         {std::tuple{"block_4gib.qvrmp", std::uint64_t{kMinHeaderLength}, 0xFFFFFFFFu},
          std::tuple{"block_past_end.qvrmp", std::uint64_t{1} << 40, 4096u}}) {
        PackageHeaderRecipe one;
        QByteArray bytes = PackageHeaderBytes(one);
        auto* entry = reinterpret_cast<std::uint8_t*>(bytes.data()) + kTileIndexOffset;
        StoreU64(entry + kEntryBlockOffsetOffset, offset);
        StoreU32(entry + kEntryBlockSizeOffset, size);
        put(QString::fromLatin1(name), bytes);
    }

    // Sparse files that hold what they declare: the largest header the field allows, a 4 GiB tile
    // block, and a 2 GiB sub-tile. Their zeros cost no disk, and must cost no memory either.
    const std::uint32_t side = SideOfLargestHeader();
    PackageHeaderRecipe largestHeader;
    largestHeader.width = side;
    largestHeader.height = side;
    const std::uint64_t headerLength = ExpectedHeaderLength(side, side, FindTopLevel(side, side));
    largestHeader.headerLength = static_cast<std::int64_t>(headerLength);
    put(QStringLiteral("sparse_header_4gib.qvrmp"), PackageHeaderBytes(largestHeader),
        static_cast<qint64>(headerLength));
    put(QStringLiteral("sparse_block_4gib.qvrmp"), OneTilePackage(0xFFFFFFFFu, 0),
        qint64{kMinHeaderLength} + 0xFFFFFFFFll);
    put(QStringLiteral("sparse_subtile_2gib.qvrmp"),
        OneTilePackage(0x7FFFFFFFu, static_cast<std::int32_t>(kFirstSubTileStart)),
        qint64{kMinHeaderLength} + 0x7FFFFFFFll);
    put(QStringLiteral("tall_oversized_subtiles.qvrmp"), TallPackageOfOversizedSubTiles());

    put(QStringLiteral("tiff_1e9_square.tif"), ClaimingTiff(1000000000u, 1000000000u, 1));
    put(QStringLiteral("tiff_max_side.tif"), ClaimingTiff(0x7FFFFFFF, 0x7FFFFFFF, 1));
    put(QStringLiteral("tiff_many_bands.tif"), ClaimingTiff(1000, 1000, 65535));

    // GDAL's block is a whole 4 GiB band: absent strips, and strips a sparse file really holds.
    constexpr std::uint32_t kWideSide = 1u << 26;
    constexpr std::uint32_t kFirstStrip = 4096;
    put(QStringLiteral("tiff_4gib_block_absent.tif"),
        SeparatePlanesTiff(kWideSide, 64, 2, false, kFirstStrip));
    put(QStringLiteral("sparse_tiff_4gib_blocks.tif"),
        SeparatePlanesTiff(kWideSide, 63, 2, true, kFirstStrip),
        qint64{kFirstStrip} + 2 * qint64{kWideSide} * 63);

    // A VRT whose source is a FIFO nobody writes to.
    const QString fifo = folder.filePath(QStringLiteral("fifo_source.tif"));
    written += ::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0 ? 1 : 0;
    put(QStringLiteral("fifo_source.vrt"),
        "<VRTDataset rasterXSize=\"4\" rasterYSize=\"4\"><VRTRasterBand dataType=\"Byte\" "
        "band=\"1\"><SimpleSource><SourceFilename relativeToVRT=\"1\">fifo_source.tif"
        "</SourceFilename></SimpleSource></VRTRasterBand></VRTDataset>");
    std::printf("%d files in %s\n", written, argv[1]);
    return 0;
}
