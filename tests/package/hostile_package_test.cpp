// Hostile packages: header fields at their extremes, index entries pointing anywhere, sub-tile
// tables in any order and sub-tiles that are not what they claim to be. Every open and read ends in
// one of its documented results, and nothing is written beyond the caller's rows and columns.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <webp/decode.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <new>
#include <numeric>
#include <random>

#include "crafted_package.h"
#include "file_bytes.h"
#include "open_package.h"
#include "package_layout.h"
#include "package_messages.h"
#include "package_reader.h"
#include "sub_tile_read.h"
#include "subtile_encoder.h"
#include "temp_folder.h"
#include "tile_block.h"
#include "tile_block_bytes.h"
#include "written_packages.h"

namespace {

constexpr std::uint32_t kCanary = 0xA5C3E1F7;
constexpr std::int32_t kSpareRows = 4;  // canary rows below the requested ones

// `rows` requested rows of 512 pixels and kSpareRows more, all kCanary.
std::vector<std::uint32_t> Output(std::int32_t rows) {
    return std::vector<std::uint32_t>(static_cast<std::size_t>(rows + kSpareRows) * 512, kCanary);
}

bool Untouched(const std::vector<std::uint32_t>& output) {
    return std::all_of(output.begin(), output.end(), [](std::uint32_t p) { return p == kCanary; });
}

// The output a read must give when level pixel (x, y) holds level(x, y): sampled with integer
// steps, columns from outputWidth on and every row from `rows` on left at kCanary.
std::vector<std::uint32_t> Expected(
    std::int32_t rows, std::int32_t outputWidth, std::uint32_t stepX, std::uint32_t stepY,
    const std::function<std::uint32_t(std::uint32_t, std::uint32_t)>& level) {
    std::vector<std::uint32_t> expected = Output(rows);
    for (std::int32_t j = 0; j < rows; ++j) {
        for (std::int32_t k = 0; k < outputWidth; ++k) {
            expected[static_cast<std::size_t>(j) * 512 + k] =
                level(static_cast<std::uint32_t>(k) * stepX, static_cast<std::uint32_t>(j) * stepY);
        }
    }
    return expected;
}

std::uint32_t Colour(int n) {
    return Rgba(static_cast<std::uint8_t>(15 * n + 10), static_cast<std::uint8_t>(200 - 9 * n), 77,
                255);
}

// Small sub-tiles: a 32 x 32 square of Colour(n) in the top-left corner of cell n.
constexpr std::uint32_t kSquare = 32;
const EncodedSubTiles& Squares() {
    static const EncodedSubTiles squares = [] {
        EncodedSubTiles tiles;
        for (int n = 0; n < kSubTilesPerTile; ++n) {
            tiles[n] = SolidSubTile(Colour(n), kSquare, kSquare);
        }
        return tiles;
    }();
    return squares;
}

std::vector<std::uint8_t> RandomBytes(std::size_t count, std::uint32_t seed) {
    std::mt19937 generator(seed);
    std::vector<std::uint8_t> bytes(count);
    for (std::uint8_t& byte : bytes) {
        byte = static_cast<std::uint8_t>(generator());
    }
    return bytes;
}

// A WebP file header of the given chunk type whose payload is random.
std::vector<std::uint8_t> RandomWebP(const char* chunk, std::size_t payload, std::uint32_t seed) {
    std::vector<std::uint8_t> file(20);
    std::memcpy(file.data(), "RIFF", 4);
    StoreU32(file.data() + 4, static_cast<std::uint32_t>(12 + payload));
    std::memcpy(file.data() + 8, "WEBP", 4);
    std::memcpy(file.data() + 12, chunk, 4);
    StoreU32(file.data() + 16, static_cast<std::uint32_t>(payload));
    const std::vector<std::uint8_t> random = RandomBytes(payload, seed);
    file.resize(20 + payload);
    std::copy(random.begin(), random.end(), file.begin() + 20);
    return file;
}

// Reads a 2048 x 2048 package whole into 512 x 512 output pixels: level 0, every fourth pixel.
std::vector<std::uint32_t> ReadWhole2048(const std::string& path) {
    std::vector<std::uint32_t> output = Output(512);
    EXPECT_EQ(OpenOrFail(path)->ReadRegionRgba(2048, 2048, output.data(), 512), 2048 * 2048 * 4);
    return output;
}

// Which cell of a 2048 x 2048 tile a level pixel lies in.
int CellOf(std::uint32_t x, std::uint32_t y) {
    return static_cast<int>(y / kSubTileSize * kSubTilesPerSide + x / kSubTileSize);
}

// Level pixel (x, y) when cell n holds the square of Colour(shown[n]), or nothing for -1.
std::uint32_t SquaresPixel(const std::array<int, kSubTilesPerTile>& shown, std::uint32_t x,
                           std::uint32_t y) {
    const int source = shown[CellOf(x, y)];
    return source >= 0 && x % kSubTileSize < kSquare && y % kSubTileSize < kSquare ? Colour(source)
                                                                                   : 0u;
}

std::uint64_t VmSizeMiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmSize:", 0) == 0) {
            return std::stoull(line.substr(7)) / 1024;  // the line counts kB
        }
    }
    return 0;
}

constexpr int kAllocationFailed = 77;

// Runs `body` in a child process whose address space may grow by 512 MiB at most, so that any
// allocation of a forged block size fails there. Gives the child's exit code: `body`'s result,
// kAllocationFailed when operator new ran out (under ASan the allocator's own report ends the
// child with a nonzero code instead), or 128 + a signal.
int RunWithLittleMemory(const std::function<int()>& body) {
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        const int devNull = ::open("/dev/null", O_WRONLY);
        ::dup2(devNull, STDERR_FILENO);  // an allocator's report is expected, not news
        const std::uint64_t vmSize = VmSizeMiB();
        const rlim_t limit = (vmSize + 512) << 20;
        const rlimit addressSpace{limit, limit};
        if (vmSize == 0 || ::setrlimit(RLIMIT_AS, &addressSpace) != 0) {
            ::_exit(99);
        }
        std::set_new_handler([] { ::_exit(kAllocationFailed); });
        ::_exit(body());
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child) {
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::uint8_t* volatile gKeptAllocation = nullptr;

// The package file as a byte source that counts what is read from it.
class CountingSource final : public ByteSource {
  public:
    explicit CountingSource(const std::string& path) : file_(OpenFileByteSource(path)) {}
    ReadResult ReadAt(std::uint64_t offset, void* buffer, std::size_t size) override {
        total += size;
        largest = std::max(largest, size);
        return file_->ReadAt(offset, buffer, size);
    }
    std::optional<std::uint64_t> Size() override { return file_->Size(); }
    std::uint64_t NextDataAt(std::uint64_t offset) override { return file_->NextDataAt(offset); }

    std::uint64_t total = 0;
    std::size_t largest = 0;

  private:
    std::unique_ptr<ByteSource> file_;
};

void AppendBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::app);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(file.good()) << path;
}

}  // namespace

TEST(FlatWebP, IsAValidImageOfAnySize) {
    // Its pixels take no bits, so a full decode of one size speaks for every other.
    const std::uint32_t colour = Rgba(12, 34, 56, 200);
    for (const auto& [w, h] : {std::pair{40u, 30u}, std::pair{1537u, 1536u}}) {
        int width = 0, height = 0;
        const std::vector<std::uint8_t> file = FlatWebP(w, h, colour);
        std::unique_ptr<std::uint8_t, decltype(&WebPFree)> pixels(
            WebPDecodeRGBA(file.data(), file.size(), &width, &height), &WebPFree);
        ASSERT_NE(pixels, nullptr);
        ASSERT_EQ(width, static_cast<int>(w));
        ASSERT_EQ(height, static_cast<int>(h));
        for (std::size_t i = 0; i < std::size_t{w} * h; ++i) {
            std::uint32_t pixel;
            std::memcpy(&pixel, pixels.get() + 4 * i, 4);
            ASSERT_EQ(pixel, colour) << i;
        }
    }
    const std::vector<std::uint8_t> large = FlatWebP(10000, 10000, colour);
    WebPBitstreamFeatures features;
    ASSERT_EQ(WebPGetFeatures(large.data(), large.size(), &features), VP8_STATUS_OK);
    EXPECT_EQ(features.width, 10000);
    EXPECT_EQ(features.height, 10000);
    EXPECT_TRUE(features.has_alpha);
}

TEST(HostileHeader, ExtremeFieldsOpenOrFailWithTheirMessage) {
    const std::string kPyramid{PackageMessageText(PackageMessage::kBadPyramid)};
    const std::string kIndex{PackageMessageText(PackageMessage::kBadIndexLength)};
    const std::string kSignature{PackageMessageText(PackageMessage::kBadSignature)};
    constexpr std::uint32_t kMax = 67108864;
    constexpr std::int32_t kMaxRows = 1024;  // rows of the thumbnail-style read, at most
    struct Size {
        std::uint32_t width, height;
        std::int64_t topLevel;       // -1: no level fits
        std::int64_t length;         // -1: no 32-bit length fits
        std::int64_t thumbnailRead;  // result of reading the whole image, once open
    };
    const Size sizes[] = {
        {0, 0, 0, 65536, -2},  // a region of width 0 is refused before anything is read
        {0, 1, 0, 65536, -2},
        {1, 0, 0, 65536, -2},
        {1, 1, 0, 65536, 512 * 512 * 4},
        {kMax, 0, 15, 65536, -2},
        {0, kMax, 15, 65536, -2},
        {kMax, 1, 15, 798720, -2},  // 512 / 67108864 rows truncate to none
        {1, kMax, 15, 798720, -3},  // 512 x 67108864 level pixels do not fit 32 bits
        {kMax, kMax, 15, -1, 0},    // ~1.4 billion index entries: no header can hold them
        {0x7FFFFFFF, 1, -1, -1, 0},
        {1, 0x7FFFFFFF, -1, -1, 0},
        {0x80000000, 0, -1, -1, 0},  // negative if taken as signed, which would fit level 0
        {0xFFFFFFFF, 1, -1, -1, 0},
        {0, 0xFFFFFFFF, -1, -1, 0},
        {0xFFFFFFFF, 0xFFFFFFFF, -1, -1, 0},
    };
    const std::uint32_t topLevels[] = {0, 1, 15, 16, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};
    const std::uint32_t lengths[] = {0, 1, 65536, 73728, 798720, 0x7FFFFFFF, 0xFFFFFFFF};

    TempFolder dir;
    const std::string path = dir.Path("p");
    ASSERT_TRUE(WriteEmptyPackage(path, kMax, 1).ok());  // 798720 bytes, all tiles absent
    for (const Size& size : sizes) {
        PatchU32(path, kWidthOffset, size.width);
        PatchU32(path, kHeightOffset, size.height);
        for (const std::uint32_t topLevel : topLevels) {
            PatchU32(path, kTopLevelOffset, topLevel);
            for (const std::uint32_t length : lengths) {
                PatchU32(path, kHeaderLengthOffset, length);
                SCOPED_TRACE(::testing::Message()
                             << size.width << " x " << size.height << ", topLevel " << topLevel
                             << ", length " << length);
                std::string errorText;
                PackageHandle reader(OpenPackage(path, errorText));
                if (size.topLevel != topLevel) {
                    EXPECT_EQ(reader, nullptr);
                    EXPECT_EQ(errorText, kPyramid);
                    continue;
                }
                if (size.length != length) {
                    EXPECT_EQ(reader, nullptr);
                    EXPECT_EQ(errorText, kIndex);
                    continue;
                }
                ASSERT_NE(reader, nullptr) << errorText;
                // Read as the preview does: the whole image, rows keeping its proportions.
                const double rows = size.width == 0 ? 0.0 : size.height * 512.0 / size.width;
                const auto outputRows = static_cast<std::int32_t>(std::min<double>(rows, kMaxRows));
                std::vector<std::uint32_t> output = Output(std::max(outputRows, 1));
                EXPECT_EQ(reader->ReadRegionRgba(static_cast<std::int32_t>(size.width),
                                                 static_cast<std::int32_t>(size.height),
                                                 output.data(), outputRows),
                          size.thumbnailRead);
                if (size.thumbnailRead > 0) {  // no tile: every pixel transparent
                    EXPECT_EQ(output,
                              Expected(outputRows, 512, 1, 1, [](auto, auto) { return 0u; }));
                } else {
                    EXPECT_TRUE(Untouched(output));
                }
            }
        }
    }

    // magic2 is unsigned: everything from the first word's value up is accepted.
    PatchU32(path, kWidthOffset, 1);
    PatchU32(path, kHeightOffset, 1);
    PatchU32(path, kTopLevelOffset, 0);
    PatchU32(path, kHeaderLengthOffset, 0xFFFFFFFF);  // the signature is checked first
    for (const std::uint32_t magic2 :
         {0u, 1u, 0x4C4C594Cu, 0x4C4C594Du, 0x7FFFFFFFu, 0x80000000u}) {
        PatchU32(path, kMagic2Offset, magic2);
        std::string errorText;
        PackageHandle reader(OpenPackage(path, errorText));
        EXPECT_EQ(reader, nullptr);
        EXPECT_EQ(errorText, magic2 < kMinPackageMagic2 ? kSignature : kIndex) << magic2;
    }
}

TEST(HostileIndex, EntriesPointingAnywhereAreReadAsBlocksOrFail) {
    // Level 0 of 2560 x 2048 has two tiles side by side. Tile 0 holds squares in its top four
    // cells; where tile 1's entry points varies. The region read is the top 2560 x 512 pixels of
    // level 0: cells 0 to 3 of tile 0 and cell 0 of tile 1, every fifth column.
    EncodedSubTiles top;
    for (int n = 0; n < kSubTilesPerSide; ++n) {
        top[n] = Squares()[n];
    }
    EncodedSubTiles own;
    own[0] = Squares()[9];
    CraftedPackage package(2560, 2048);
    ASSERT_EQ(package.Layout().topLevel, 1);
    const std::vector<std::uint8_t> blockA = AssembleTileBlock(top);
    const TileIndexEntry a = package.AddBlock(0, 0, 0, blockA);
    const TileIndexEntry b = package.AddBlock(0, 0, 1, AssembleTileBlock(own));
    const std::uint64_t fileSize = b.blockOffset + b.blockSize;
    const auto endOfSquare0 = static_cast<std::uint32_t>(LoadI32(blockA.data() + 4));

    // A whole block in the reserved bytes of the header, which the reader never looks at.
    EncodedSubTiles hidden;
    hidden[0] = Squares()[12];
    const std::vector<std::uint8_t> reservedBlock = AssembleTileBlock(hidden);
    ASSERT_LE(kReservedOffset + reservedBlock.size(), kTileIndexOffset);
    std::copy(reservedBlock.begin(), reservedBlock.end(),
              package.Header().begin() + kReservedOffset);

    struct Case {
        const char* name;
        TileIndexEntry tile1;
        int shown;  // square in tile 1's first cell, -1 none; -4 the read fails
    };
    const Case cases[] = {
        {"its own block, ending at the end of the file", b, 9},
        {"the block of tile 0", a, 0},
        {"the start of tile 0's block, up to its first square's end",
         {a.blockOffset, endOfSquare0},
         0},
        {"tile 0's block shifted by four bytes", {a.blockOffset + 4, a.blockSize - 4}, -1},
        {"a block in the header's reserved bytes",
         {kReservedOffset, static_cast<std::uint32_t>(reservedBlock.size())},
         12},
        {"the header's first bytes", {1, 1000}, -1},
        {"the index itself", {kTileIndexOffset, 24}, -1},
        {"the header's end and tile 0's start", {a.blockOffset - 64, 64 + a.blockSize}, -1},
        {"one byte past the end of the file", {b.blockOffset, b.blockSize + 1}, -4},
        {"the end of the file", {fileSize, 1}, -4},
        {"the last byte of the file", {fileSize - 1, 1}, -1},
    };
    TempFolder dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        package.SetEntry(0, 0, 1, c.tile1);
        package.Write(dir.Path("p"));
        ASSERT_EQ(std::filesystem::file_size(dir.Path("p")), fileSize);
        std::vector<std::uint32_t> output = Output(512);
        const std::int64_t result =
            OpenOrFail(dir.Path("p"))->ReadRegionRgba(2560, 512, output.data(), 512);
        if (c.shown == -4) {
            EXPECT_EQ(result, -4);
            EXPECT_TRUE(Untouched(output));
            continue;
        }
        ASSERT_EQ(result, 2560 * 512 * 4);
        const std::array<int, kSubTilesPerTile> tile0 = {0,  1,  2,  3,  -1, -1, -1, -1,
                                                         -1, -1, -1, -1, -1, -1, -1, -1};
        std::array<int, kSubTilesPerTile> tile1{};
        tile1.fill(-1);
        tile1[0] = c.shown;
        EXPECT_EQ(output, Expected(512, 512, 5, 1, [&](std::uint32_t x, std::uint32_t y) {
                      return x < kTileSize ? SquaresPixel(tile0, x, y)
                                           : SquaresPixel(tile1, x - kTileSize, y);
                  }));
    }
}

TEST(HostileIndex, OversizedBlocksAreRefusedWithoutAllocatingThem) {
    // The check itself: in the child, merely trying to allocate a forged block size ends it (0
    // would mean the allocation succeeded, 2 that it failed quietly).
    const int attempt = RunWithLittleMemory([] {
        gKeptAllocation = new (std::nothrow) std::uint8_t[0xFFFFFFFFu];
        return gKeptAllocation == nullptr ? 2 : 0;
    });
    EXPECT_NE(attempt, 0);
    EXPECT_NE(attempt, 2);

    CraftedPackage package(2048, 2048);
    const TileIndexEntry a = package.AddBlock(0, 0, 0, AssembleTileBlock(Squares()));
    const TileIndexEntry forged[] = {
        {a.blockOffset, 0xFFFFFFFF}, {a.blockOffset, 0x80000000}, {1, 0xFFFFFFFF},
        {0x7FFFFFFF, 0x7FFFFFFF},    {~0ull, 0xFFFFFFFF},
    };
    TempFolder dir;
    std::vector<std::string> paths;
    for (const TileIndexEntry& entry : forged) {
        package.SetEntry(0, 0, 0, entry);
        paths.push_back(dir.Path(std::to_string(paths.size())));
        package.Write(paths.back());
    }
    const int result = RunWithLittleMemory([&] {
        for (std::size_t i = 0; i < paths.size(); ++i) {
            std::string errorText;
            const PackageHandle reader(OpenPackage(paths[i], errorText));
            if (reader == nullptr) {
                return 10;
            }
            std::vector<std::uint32_t> output = Output(512);
            const std::int64_t read = reader->ReadRegionRgba(2048, 2048, output.data(), 512);
            if (read != -4 || !Untouched(output)) {
                return 20 + static_cast<int>(i);
            }
        }
        return 0;
    });
    EXPECT_EQ(result, 0) << "10: open failed, 20 + i: forged entry i not refused with -4, "
                         << kAllocationFailed << " or other: its block was allocated";
}

TEST(HostileSubTiles, TablesInAnyDisorderLeaveOnlyTheirOwnCellsTransparent) {
    const std::vector<std::uint8_t> ordered = AssembleTileBlock(Squares());
    std::array<std::int32_t, kSubTilesPerTile + 1> o{};  // where each square starts, and the end
    for (int n = 0; n < kSubTilesPerTile; ++n) {
        o[n] = LoadI32(ordered.data() + 4 * n);
    }
    const auto size = static_cast<std::int32_t>(ordered.size());
    o[kSubTilesPerTile] = size;

    struct Case {
        const char* name;
        std::function<void(std::array<std::int32_t, kSubTilesPerTile>&)> disorder;
        std::array<int, kSubTilesPerTile> shown;  // square shown in each cell, -1 none
    };
    const Case cases[] = {
        {"decreasing starts",
         [&](auto& t) {
             for (int m = 1; m < kSubTilesPerTile; ++m)
                 t[m] = o[kSubTilesPerTile - m];
         },
         // cell 0 runs from 64 to square 15 and shows square 0; cell 15 starts at square 1
         {0, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 1}},
        {"all starts equal",
         [&](auto& t) { std::fill(t.begin(), t.end(), o[5]); },
         {0, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 5}},
        {"negative starts and a garbage first entry",
         [&](auto& t) {
             t[0] = INT_MIN;
             t[4] = -1;
             t[9] = INT_MIN;
             t[12] = -64;
         },
         {0, 1, 2, -1, -1, 5, 6, 7, -1, -1, 10, -1, -1, 13, 14, 15}},
        {"starts at and beyond the block's end",
         [&](auto& t) {
             t[2] = size;
             t[6] = size + 1;
             t[10] = INT_MAX;
             t[15] = size;
         },
         {0, 1, -1, 3, 4, -1, -1, 7, 8, -1, -1, 11, 12, 13, 14, -1}},
        {"starts inside the table",
         [&](auto& t) {
             t[1] = 0;
             t[7] = 63;
             t[11] = 64;  // the first byte after the table: square 0 again
         },
         {-1, -1, 2, 3, 4, 5, -1, -1, 8, 9, -1, 0, 12, 13, 14, 15}},
        {"two starts swapped",
         [&](auto& t) { std::swap(t[5], t[6]); },
         {0, 1, 2, 3, 4, -1, 5, 7, 8, 9, 10, 11, 12, 13, 14, 15}},
    };
    TempFolder dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::array<std::int32_t, kSubTilesPerTile> table{};
        std::copy(o.begin(), o.begin() + kSubTilesPerTile, table.begin());
        c.disorder(table);
        std::vector<std::uint8_t> block = ordered;
        for (int n = 0; n < kSubTilesPerTile; ++n) {
            StoreI32(block.data() + 4 * n, table[n]);
        }
        CraftedPackage package(2048, 2048);
        package.AddBlock(0, 0, 0, block);
        package.Write(dir.Path("p"));
        EXPECT_EQ(ReadWhole2048(dir.Path("p")),
                  Expected(512, 512, 4, 4, [&](std::uint32_t x, std::uint32_t y) {
                      return SquaresPixel(c.shown, x, y);
                  }));
    }
}

TEST(HostileSubTiles, DataThatIsNoWebPOrDoesNotFitItsCellStaysTransparent) {
    TempFolder dir;
    const std::uint32_t kLarge = Rgba(1, 2, 3, 255);

    // Cells that hold no decodable picture stay transparent; their neighbours still decode.
    EncodedSubTiles subTiles = Squares();
    subTiles[0] = RandomBytes(3000, 1);
    subTiles[1] = RandomWebP("VP8L", 3000, 2);
    subTiles[2] = RandomWebP("VP8 ", 3000, 3);
    subTiles[3].resize(20);                        // a file header and nothing more
    subTiles[4].resize(subTiles[4].size() / 2);    // cut in the middle of its data
    subTiles[6] = FlatWebP(10000, 10000, kLarge);  // far wider than the level buffer
    subTiles[7] = FlatWebP(16384, 16384, kLarge);  // the largest a header can state
    subTiles[8] = FlatWebP(512, 10000, kLarge);    // fits the row, not the rows left
    CraftedPackage broken(2048, 2048);
    broken.AddBlock(0, 0, 0, AssembleTileBlock(subTiles));
    broken.Write(dir.Path("broken"));
    const std::array<int, kSubTilesPerTile> shown = {-1, -1, -1, -1, -1, 5,  -1, -1,
                                                     -1, 9,  10, 11, 12, 13, 14, 15};
    EXPECT_EQ(ReadWhole2048(dir.Path("broken")),
              Expected(512, 512, 4, 4, [&](std::uint32_t x, std::uint32_t y) {
                  return SquaresPixel(shown, x, y);
              }));

    // A picture that states more than its cell's 512 x 512 pixels is refused before it is decoded;
    // one that fits shows in its own cell alone.
    struct Case {
        std::uint32_t width, height;
        bool fits;
    };
    for (const Case c : {Case{512, 512, true}, Case{513, 512, false}, Case{512, 513, false},
                         Case{1536, 1536, false}}) {
        SCOPED_TRACE(::testing::Message() << c.width << " x " << c.height);
        EncodedSubTiles large;
        large[5] = FlatWebP(c.width, c.height, kLarge);
        CraftedPackage package(2048, 2048);
        package.AddBlock(0, 0, 0, AssembleTileBlock(large));
        package.Write(dir.Path("large"));
        EXPECT_EQ(ReadWhole2048(dir.Path("large")),
                  Expected(512, 512, 4, 4, [&](std::uint32_t x, std::uint32_t y) {
                      return c.fits && CellOf(x, y) == 5 ? kLarge : 0u;
                  }));
    }
}

TEST(HostileSubTiles, ASubTileCutShortLeavesNoHalfPicture) {
    // Lossy noise, cut short with its RIFF and VP8 chunk sizes made to agree: the decoder takes it,
    // writes rows as it goes, and fails where the data ends.
    TestImage noise(512, 512);
    std::uint32_t state = 7;
    for (std::uint8_t& byte : noise.bytes) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<std::uint8_t>(state >> 24);
    }
    for (std::uint32_t y = 0; y < 512; ++y)
        for (std::uint32_t x = 0; x < 512; ++x)
            noise.SetPixel(x, y, noise.Pixel(x, y) | 0xFF000000u);  // opaque
    PixelCell cell{noise.bytes.data(), noise.Stride(), 512, 512};
    EncodedSubTiles subTiles = Squares();
    ASSERT_EQ(EncodeSubTile(cell, SubTileSettings{false, 90, false}, subTiles[5]), 0);
    std::vector<std::uint8_t>& cut = subTiles[5];
    ASSERT_EQ(std::memcmp(cut.data() + 12, "VP8 ", 4), 0);
    cut.resize(cut.size() / 2 & ~std::size_t{1});
    StoreU32(cut.data() + 4, static_cast<std::uint32_t>(cut.size() - 8));    // RIFF size
    StoreU32(cut.data() + 16, static_cast<std::uint32_t>(cut.size() - 20));  // VP8 chunk size
    TempFolder dir;
    CraftedPackage package(2048, 2048);
    package.AddBlock(0, 0, 0, AssembleTileBlock(subTiles));
    package.Write(dir.Path("cut"));
    std::array<int, kSubTilesPerTile> shown{};
    std::iota(shown.begin(), shown.end(), 0);
    shown[5] = -1;
    EXPECT_EQ(ReadWhole2048(dir.Path("cut")),
              Expected(512, 512, 4, 4, [&](std::uint32_t x, std::uint32_t y) {
                  return SquaresPixel(shown, x, y);
              }));
}

TEST(HostileHeader, AGigabyteHeaderIsReadOnlyAsFarAsItsEntriesAreAskedFor) {
    // 24,000,000 pixels a side: a valid header of about 2.2 GB in a sparse file that holds it, and
    // after it the block of the top level's one tile, whose entry lies near the header's end.
    constexpr std::uint32_t kSide = 24000000;
    const PackageLayout layout = MakePackageLayout(kSide, kSide);
    ASSERT_GT(layout.headerLength, 2ull << 30);
    TempFolder dir;
    const std::string path = dir.Path("huge.qvrmp");
    CraftedPackage(2048, 2048).Write(path);
    PatchU32(path, kWidthOffset, kSide);
    PatchU32(path, kHeightOffset, kSide);
    PatchU32(path, kTopLevelOffset, static_cast<std::uint32_t>(layout.topLevel));
    PatchU32(path, kHeaderLengthOffset, static_cast<std::uint32_t>(layout.headerLength));
    ResizeFile(path, layout.headerLength);
    const std::vector<std::uint8_t> block = AssembleTileBlock(Squares());
    AppendBytes(path, block);
    const std::uint64_t entry = IndexEntryOffset(layout.EntryNumber(layout.topLevel, 0, 0));
    ASSERT_GT(entry, kMaxHeldHeaderBytes);
    PatchU32(path, entry + kEntryBlockOffsetOffset,
             static_cast<std::uint32_t>(layout.headerLength));
    PatchU32(path, entry + kEntryBlockOffsetOffset + 4, 0);
    PatchU32(path, entry + kEntryBlockSizeOffset, static_cast<std::uint32_t>(block.size()));

    auto source = std::make_unique<CountingSource>(path);
    CountingSource& counted = *source;
    std::string error;
    const PackageHandle reader(OpenPackage(std::move(source), error));
    ASSERT_NE(reader, nullptr) << error;
    EXPECT_EQ(reader->header.size(), kMaxHeldHeaderBytes);
    EXPECT_EQ(counted.total, kMaxHeldHeaderBytes);
    std::vector<std::uint32_t> output = Output(512);
    EXPECT_GT(reader->ReadRegionRgba(kSide, kSide, output.data(), 512), 0);
    EXPECT_EQ(output[0], Colour(0));  // the top tile's entry, read from the file when asked for
    EXPECT_LE(counted.total, kMaxHeldHeaderBytes + kIndexEntrySize + block.size());
    // Counting the present tiles skips the file's holes: one chunk holds the top tile's entry.
    EXPECT_EQ(CountPresentTiles(*reader), 1u);
    EXPECT_LE(counted.total, kMaxHeldHeaderBytes + kIndexEntrySize + block.size() + (2u << 20));
}

TEST(HostileIndex, SparseBlocksAreReadAsFarAsTheirTableAndBoundedSubTiles) {
    struct Case {
        const char* name;
        std::uint32_t blockSize;
        std::int32_t starts;  // every table entry
        std::size_t largestRead;
    };
    constexpr auto kBound = static_cast<std::uint32_t>(kMaxSubTileBytes);
    const Case cases[] = {
        {"4 GiB block, every sub-tile empty", 0xFFFFFFFFu, 0, kSubTileTableSize},
        {"2 GiB last sub-tile", 0x7FFFFFFFu, kFirstSubTileStart, kSubTileTableSize},
        {"last sub-tile one byte over the bound", kFirstSubTileStart + kBound + 1,
         kFirstSubTileStart, kSubTileTableSize},
        {"last sub-tile at the bound", kFirstSubTileStart + kBound, kFirstSubTileStart,
         kMaxSubTileBytes},
    };
    TempFolder dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.Path("sparse");
        CraftedPackage package(2048, 2048);
        package.SetEntry(0, 0, 0, {kMinHeaderLength, c.blockSize});
        package.Write(path);
        std::vector<std::uint8_t> table(kSubTileTableSize);
        for (int n = 0; n < kSubTilesPerTile; ++n) {
            StoreI32(table.data() + 4 * n, c.starts);
        }
        AppendBytes(path, table);
        ResizeFile(path, std::uint64_t{kMinHeaderLength} + c.blockSize);

        auto source = std::make_unique<CountingSource>(path);
        CountingSource& counted = *source;
        std::string error;
        const PackageHandle reader(OpenPackage(std::move(source), error));
        ASSERT_NE(reader, nullptr) << error;
        counted.largest = 0;
        std::vector<std::uint32_t> output = Output(512);
        EXPECT_EQ(reader->ReadRegionRgba(2048, 2048, output.data(), 512), 2048 * 2048 * 4);
        EXPECT_EQ(output,
                  Expected(512, 512, 4, 4, [](std::uint32_t, std::uint32_t) { return 0u; }));
        std::vector<std::uint8_t> cell(std::size_t{kSubTileSize} * kSubTileSize * 4);
        const SubTileResult last = ReadSubTileRgba(*reader, 0, 0, 0, kSubTilesPerTile - 1,
                                                   cell.data(), std::size_t{kSubTileSize} * 4);
        EXPECT_EQ(last, c.starts == 0 ? SubTileResult::kAbsent : SubTileResult::kCorrupt);
        EXPECT_EQ(counted.largest, c.largestRead);
    }
}

TEST(HostileSubTiles, ATallLevelIsDecodedOneCellAtATime) {
    // 1000 x 200000 is read at level 0, whose level buffer of 1024 x 200192 pixels (800 MB) the
    // child cannot hold. Cells of column 0 state 1024 x 16383 pixels and are refused; those of
    // column 1 are one colour, and show in every output column that samples them.
    const std::uint32_t kColour = Rgba(9, 99, 199, 255);
    EncodedSubTiles subTiles;
    for (int n = 0; n < kSubTilesPerTile; n += kSubTilesPerSide) {
        subTiles[n] = FlatWebP(1024, 16383, kColour);
        subTiles[n + 1] = FlatWebP(512, 512, kColour);
    }
    const std::vector<std::uint8_t> block = AssembleTileBlock(subTiles);
    CraftedPackage package(1000, 200000);
    for (std::uint32_t row = 0; row < package.Layout().tileRows[0]; ++row) {
        package.AddBlock(0, row, 0, block);
    }
    TempFolder dir;
    package.Write(dir.Path("tall"));
    constexpr std::int32_t kRows = 64;
    const int result = RunWithLittleMemory([&] {
        std::string error;
        const PackageHandle reader(OpenPackage(dir.Path("tall"), error));
        std::vector<std::uint32_t> output = Output(kRows);
        if (!reader || reader->ReadRegionRgba(1000, 200000, output.data(), kRows) !=
                           std::int64_t{1024} * 200192 * 4) {
            return 1;
        }
        const float stepX = 1000.0f / 512.0f;
        for (std::int32_t j = 0; j < kRows; ++j) {
            for (std::int32_t k = 0; k < 512; ++k) {
                const auto x = static_cast<std::uint32_t>(static_cast<float>(k) * stepX);
                if (output[static_cast<std::size_t>(j) * 512 + k] != (x >= 512 ? kColour : 0u)) {
                    return 2;
                }
            }
        }
        return 0;
    });
    EXPECT_EQ(result, 0) << "1: not read, 2: wrong pixels";
}
