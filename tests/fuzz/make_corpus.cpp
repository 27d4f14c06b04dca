// Writes the seed corpus of the fuzz targets into a folder, one subfolder per input form:
//   package/  packages in the package fuzzer's input form (fuzz_input.h): written by our writer
//             in several shapes, cut short, and crafted by hand; package_fuzzer,
//             qvrmp_plugin_fuzzer and thumbnail_fuzzer read them
//   raster/   small GeoTIFF and PNG rasters made with GDAL, for report_fuzzer (with package/)
//   catalog/  path lists with a package or raster, in catalog_fuzzer's form
// Usage: make_corpus FOLDER
#include <cpl_conv.h>
#include <gdal.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "crafted_package.h"
#include "file_bytes.h"
#include "fuzz_input.h"
#include "gdal_rasters.h"
#include "package_format.h"
#include "package_layout.h"
#include "package_writer.h"
#include "test_images.h"
#include "written_packages.h"

namespace fs = std::filesystem;

namespace {

// Inputs longer than the fuzzers' -max_len would be cut by the fuzzer itself.
constexpr std::size_t kMaxInput = 16384;
// The longest header the input form can place before its blocks.
constexpr std::uint64_t kMaxHeaderInInput = kFuzzMinTailOffset + (kFuzzGapSteps - 1) * kFuzzGapUnit;

using Bytes = std::vector<std::uint8_t>;

struct Corpus {
    fs::path folder;
    std::vector<std::pair<std::string, Bytes>> packages;  // name, fuzz input
    std::vector<std::pair<std::string, Bytes>> rasters;
    bool ok = true;

    void Put(const std::string& kind, const std::string& name, const Bytes& input) {
        if (input.size() > kMaxInput)
            return;  // the writer's bigger shapes are covered by the smaller ones
        WriteFileBytes((folder / kind / name).string(), input);
    }
};

// The package file's blocks start at its header's end.
Bytes AsInput(const Bytes& file) {
    if (file.size() < kHeaderLengthOffset + 4)
        return file;
    return FuzzInputFromPackage(file, LoadU32(file.data() + kHeaderLengthOffset));
}

void AddPackage(Corpus& corpus, const std::string& name, const Bytes& file) {
    const Bytes input = AsInput(file);
    corpus.Put("package", name, input);
    corpus.packages.emplace_back(name, input);
}

// Written by our writer from a gradient with a transparent right part, then cut short twice.
void Written(Corpus& corpus, const std::string& name, std::uint32_t width, std::uint32_t height,
             std::uint32_t dataWidth, const PackageWriteOptions& options) {
    TestImage image(width, height);
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x)
            image.SetPixel(x, y,
                           x < dataWidth ? Rgba(static_cast<std::uint8_t>(x / 4),
                                                static_cast<std::uint8_t>(y / 4),
                                                static_cast<std::uint8_t>((x + y) / 8), 255)
                                         : 0);
    const std::string path = (corpus.folder / "written.qvrmp").string();
    const PackageWriteResult result = WriteImagePackage(path, image, options);
    if (!result.ok()) {
        std::fprintf(stderr, "%s: %s\n", name.c_str(), result.message().c_str());
        corpus.ok = false;
        return;
    }
    const Bytes file = ReadFileBytes(path);
    fs::remove(path);
    AddPackage(corpus, name, file);
    const std::uint32_t header = LoadU32(file.data() + kHeaderLengthOffset);
    if (file.size() > header + 1) {
        const std::size_t blocks = file.size() - header;
        AddPackage(
            corpus, name + "-cut-half",
            Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(header + blocks / 2)));
        AddPackage(corpus, name + "-cut-table",
                   Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(
                                                          header + kSubTileTableSize / 2)));
    }
}

void WrittenShapes(Corpus& corpus) {
    PackageWriteOptions lossless;
    lossless.lossless = true;
    PackageWriteOptions lossy;
    lossy.quality = 10;
    PackageWriteOptions fullSize = lossy;
    fullSize.edgeSubTiles = EdgeSubTiles::kFullSize;
    Written(corpus, "small-lossless", 64, 48, 64, lossless);
    Written(corpus, "small-lossy", 64, 48, 64, lossy);
    Written(corpus, "wide-lossy", 1500, 40, 1500, lossy);
    Written(corpus, "edges-cropped", 530, 520, 530, lossy);
    Written(corpus, "edges-full-size", 530, 520, 530, fullSize);
    Written(corpus, "two-levels", 2049, 100, 2049, lossless);
    Written(corpus, "three-levels", 4100, 30, 4100, lossy);
    Written(corpus, "absent-tile", 4096, 200, 1500, lossy);
    Written(corpus, "tall", 200, 1500, 200, lossy);
    Written(corpus, "long-header", 131072, 8, 300, lossy);
    // Every tile absent: the header and its index alone.
    const std::string path = (corpus.folder / "empty.qvrmp").string();
    for (const auto& [name, width, height] :
         {std::tuple{"empty-small", 300u, 200u}, std::tuple{"empty-large", 60000u, 9000u}}) {
        if (!WriteEmptyPackage(path, width, height).ok()) {
            corpus.ok = false;
            continue;
        }
        AddPackage(corpus, name, ReadFileBytes(path));
    }
    fs::remove(path);
}

// Headers and blocks the writer never makes.
void CraftedShapes(Corpus& corpus) {
    {  // one tile of solid sub-tiles, then its table broken in several ways
        CraftedPackage package(1024, 700);
        const Bytes tile =
            TileBlockFromImage(SolidImage(1024, 700, Rgba(10, 200, 30, 255)), 0, 0, false);
        package.AddBlock(0, 0, 0, tile);
        AddPackage(corpus, "crafted-solid", package.Bytes());
        Bytes broken = package.Bytes();
        const std::size_t block = broken.size() - tile.size();
        StoreI32(broken.data() + block + 4 * 1, 1 << 30);  // past the block
        StoreI32(broken.data() + block + 4 * 2, -64);      // negative
        StoreI32(broken.data() + block + 4 * 3, 8);        // inside the table
        AddPackage(corpus, "crafted-broken-table", broken);
    }
    {  // an entry past the end of the file, and one with a huge size
        CraftedPackage package(600, 600);
        package.SetEntry(0, 0, 0, {1u << 30, 4096});
        AddPackage(corpus, "crafted-entry-past-end", package.Bytes());
        package.SetEntry(0, 0, 0, {kMinHeaderLength, 0xFFFFFFF0u});
        AddPackage(corpus, "crafted-entry-huge", package.Bytes());
    }
    {  // a sub-tile that is not WebP, and one WebP bigger than a sub-tile
        CraftedPackage package(512, 512);
        Bytes block(kSubTileTableSize, 0);
        StoreI32(block.data(), static_cast<std::int32_t>(kFirstSubTileStart));
        const Bytes big = SolidSubTile(Rgba(1, 2, 3, 255), 600, 600);
        block.insert(block.end(), big.begin(), big.end());
        package.AddBlock(0, 0, 0, block);
        AddPackage(corpus, "crafted-oversized-sub-tile", package.Bytes());
    }
    // Sizes whose thumbnail or level buffer is far beyond what the bytes hold.
    for (const auto& [name, width, height] :
         {std::tuple{"crafted-tall-thumbnail", 32u, 65535u},
          std::tuple{"crafted-one-column", 1u, 2000u}, std::tuple{"crafted-one-row", 70000u, 1u}}) {
        if (MakePackageLayout(width, height).headerLength > kMaxHeaderInInput)
            continue;
        CraftedPackage package(width, height);
        AddPackage(corpus, name, package.Bytes());
    }
    {  // a huge image in a minimal header: the index it declares is not there
        CraftedPackage package(600, 600);
        Bytes bytes = package.Bytes();
        StoreU32(bytes.data() + kWidthOffset, 60000000u);
        StoreU32(bytes.data() + kHeightOffset, 60000000u);
        StoreU32(bytes.data() + kTopLevelOffset, kMaxLevels - 1);
        AddPackage(corpus, "crafted-huge", bytes);
    }
    {  // header fields that contradict each other
        CraftedPackage package(3000, 3000);
        Bytes bytes = package.Bytes();
        StoreU32(bytes.data() + kTopLevelOffset, 9);
        AddPackage(corpus, "crafted-top-level", bytes);
        bytes = package.Bytes();
        StoreU32(bytes.data() + kHeaderLengthOffset, 0xFFFFF000u);
        AddPackage(corpus, "crafted-4g-header", bytes);
        bytes = package.Bytes();
        StoreU32(bytes.data() + kMagic2Offset, 0xFFFFFFFFu);
        AddPackage(corpus, "crafted-magic2", bytes);
        bytes = package.Bytes();
        bytes[kMagicOffset] ^= 0xFF;
        AddPackage(corpus, "crafted-bad-magic", bytes);
    }
}

void Raster(Corpus& corpus, const std::string& name, const RasterRecipe& recipe, bool png) {
    const fs::path tif = corpus.folder / "raster.tif";
    MakeRaster(tif.string(), recipe);
    fs::path made = tif;
    if (png) {
        made = corpus.folder / "raster.png";
        GDALDatasetH source = GDALOpen(tif.c_str(), GA_ReadOnly);
        GDALDatasetH copy = source == nullptr
                                ? nullptr
                                : GDALCreateCopy(GDALGetDriverByName("PNG"), made.c_str(), source,
                                                 FALSE, nullptr, nullptr, nullptr);
        if (copy != nullptr)
            GDALClose(copy);
        if (source != nullptr)
            GDALClose(source);
    }
    const Bytes bytes = ReadFileBytes(made.string());
    fs::remove(tif);
    fs::remove(made);
    fs::remove(made.string() + ".aux.xml");
    fs::remove(tif.string() + ".msk");
    if (bytes.empty()) {
        std::fprintf(stderr, "%s: not written\n", name.c_str());
        corpus.ok = false;
        return;
    }
    corpus.Put("raster", name, bytes);
    corpus.rasters.emplace_back(name, bytes);
}

void Rasters(Corpus& corpus) {
    RasterRecipe grey;
    grey.width = 16;
    grey.height = 8;
    grey.value = Gradient;
    Raster(corpus, "grey.tif", grey, false);
    Raster(corpus, "grey.png", grey, true);

    RasterRecipe geo = grey;
    geo.bands = 3;
    geo.geoTransform = std::array<double, 6>{500000.0, 10.0, 0.0, 4000000.0, 0.0, -10.0};
    geo.epsg = 32633;
    geo.noData = 0;
    geo.metadata = {"AREA_OR_POINT=Area", "NOTE=a, b"};
    geo.bandMetadata = {"STATISTICS_MINIMUM=0"};
    Raster(corpus, "utm-rgb.tif", geo, false);
    Raster(corpus, "rgb.png", geo, true);

    RasterRecipe tiled = grey;
    tiled.width = 64;
    tiled.height = 64;
    tiled.type = GDT_UInt16;
    tiled.creationOptions = {"TILED=YES", "BLOCKXSIZE=16", "BLOCKYSIZE=16", "COMPRESS=DEFLATE"};
    tiled.overviewFactors = {2, 4};
    tiled.epsg = 4326;
    tiled.geoTransform = std::array<double, 6>{10.0, 0.01, 0.0, 50.0, 0.0, -0.01};
    Raster(corpus, "tiled-overviews.tif", tiled, false);

    RasterRecipe palette = grey;
    palette.colourTable = {{0, 0, 0, 255}, {255, 0, 0, 255}, {0, 255, 0, 128}};
    palette.value = [](int, int x, int) { return x % 3; };
    palette.datasetMask = [](int x, int) { return x > 2; };
    Raster(corpus, "palette-mask.tif", palette, false);

    RasterRecipe gcps = grey;
    gcps.epsg = 4326;
    gcps.groundControlPoints = {{0, 0, 10, 50}, {16, 0, 11, 50}, {0, 8, 10, 49}};
    gcps.makerMetadata = {"LEVEL=3"};
    Raster(corpus, "gcps.tif", gcps, false);
}

// Options byte, list length, list, then the file (catalog_fuzzer's form).
Bytes CatalogInput(std::uint8_t options, const std::string& list, const Bytes& file) {
    Bytes input = {options, static_cast<std::uint8_t>(list.size()),
                   static_cast<std::uint8_t>(list.size() >> 8)};
    input.insert(input.end(), list.begin(), list.end());
    input.insert(input.end(), file.begin(), file.end());
    return input;
}

void CatalogLists(Corpus& corpus) {
    // Form (text, JSON lines, JSON, compact JSON) | 4 in a list | 8 NUL-separated.
    const std::vector<std::pair<std::uint8_t, std::string>> lists = {
        {4, "a.qvrmp\nb.qvrmp\n"},
        {5, "one\n\ntwo\n"},
        {6, std::string("x\0y\0\0", 5)},
        {6 | 8, std::string("with\nnewline\0tab\there\0", 22)},
        {7, "quote\"back\\slash\n\xff\xfe not utf-8\n"},
        {2, "only.tif"},
        {3, "\x1f\x7f control\n"},
        {0, "plain.png\n"},
        {4, "\n\n\n"},
        {1, "\xe2\x80\xa8 line separator\n\xc3\xa9\n"},
    };
    for (std::size_t i = 0; i < lists.size(); ++i) {
        const auto& [name, file] = i % 2 == 0 ? corpus.packages[i % corpus.packages.size()]
                                              : corpus.rasters[i % corpus.rasters.size()];
        corpus.Put("catalog", "list" + std::to_string(i) + "-" + name,
                   CatalogInput(lists[i].first, lists[i].second, file));
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_corpus FOLDER\n");
        return 2;
    }
    GDALAllRegister();
    CPLSetConfigOption("GDAL_PAM_ENABLED", "NO");
    CPLSetConfigOption("GDAL_TIFF_INTERNAL_MASK", "YES");  // the mask inside the one file
    Corpus corpus;
    corpus.folder = argv[1];
    for (const char* kind : {"package", "raster", "catalog"})
        fs::create_directories(corpus.folder / kind);
    WrittenShapes(corpus);
    CraftedShapes(corpus);
    Rasters(corpus);
    if (corpus.packages.empty() || corpus.rasters.empty())
        return 1;
    CatalogLists(corpus);
    return corpus.ok ? 0 : 1;
}
