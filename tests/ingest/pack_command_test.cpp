// The pack command end to end in the test process: packages that read back as the input, the
// output rules (--force, never the input), failures that leave no file, and what it prints.
#include <cpl_minixml.h>
#include <gtest/gtest.h>
#include <ogr_srs_api.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <filesystem>
#include <memory>
#include <optional>
#include <utility>

#include "aux_sidecar.h"
#include "file_bytes.h"
#include "file_io.h"
#include "gdal_rasters.h"
#include "open_package.h"
#include "pack_command.h"
#include "temp_folder.h"

namespace fs = std::filesystem;

namespace {

struct PackRun {
    bool ok = false;
    std::optional<PackCode> code;  // unset on success
    std::string message;           // the summary, or why the pack failed
    std::string stderrText;
};

PackRun Pack(const PackOptions& options, PackEnvironment environment = {}) {
    PackRun run;
    environment.writeError = [&run](const std::string& text) { run.stderrText += text; };
    const PackResult result = RunPack(options, environment);
    run.ok = result.ok();
    if (result) {
        run.message = result->summary;
    } else {
        run.code = result.code();
        run.message = result.message();
    }
    EXPECT_EQ(run.message.find('\n'), std::string::npos) << run.message;
    return run;
}

// The full-resolution image a raster should become, RGBA, row after row.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::array<int, 4>> pixels;
    const std::array<int, 4>& At(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * width + x];
    }
};

Image ImageOf(int width, int height, const std::function<std::array<int, 4>(int, int)>& pixel) {
    Image image{width, height, {}};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.pixels.push_back(pixel(x, y));
        }
    }
    return image;
}

// Compares the package's preview, 512 pixels wide, with the image reduced to pyramid level
// `level` and sampled the way the reader samples. Colours may differ by one where pixels were
// averaged; pixels without data must read as fully transparent.
void ExpectPreviewMatches(PackageReader& reader, const Image& image, int level) {
    const int rows = std::max(1, image.height * 512 / image.width);
    std::vector<std::uint32_t> preview(static_cast<std::size_t>(rows) * 512, 0);
    ASSERT_GT(reader.ReadRegionRgba(image.width, image.height, preview.data(), rows), 0);
    const int factor = 1 << level;
    const int levelWidth = image.width / factor;
    const int levelHeight = image.height / factor;
    const float stepX = static_cast<float>(levelWidth) / 512.0f;
    const float stepY = static_cast<float>(levelHeight) / static_cast<float>(rows);
    for (int j = 0; j < rows; ++j) {
        for (int k = 0; k < 512; ++k) {
            const int sx = static_cast<int>(static_cast<float>(k) * stepX);
            const int sy = static_cast<int>(static_cast<float>(j) * stepY);
            std::array<double, 4> sum = {0, 0, 0, 0};
            for (int y = sy * factor; y < (sy + 1) * factor; ++y) {
                for (int x = sx * factor; x < (sx + 1) * factor; ++x) {
                    const std::array<int, 4>& p = image.At(x, y);
                    for (int c = 0; c < 3; ++c) {
                        sum[c] += p[c] * p[3];
                    }
                    sum[3] += p[3];
                }
            }
            const std::uint32_t value = preview[static_cast<std::size_t>(j) * 512 + k];
            const std::array<int, 4> got = {
                static_cast<int>(value & 0xFF), static_cast<int>(value >> 8 & 0xFF),
                static_cast<int>(value >> 16 & 0xFF), static_cast<int>(value >> 24)};
            if (sum[3] == 0) {
                ASSERT_EQ(got, (std::array<int, 4>{0, 0, 0, 0})) << k << "," << j;
                continue;
            }
            for (int c = 0; c < 3; ++c) {
                ASSERT_NEAR(got[c], sum[c] / sum[3], 1.0)
                    << "channel " << c << " at " << k << "," << j;
            }
            ASSERT_NEAR(got[3], sum[3] / (factor * factor), 1.0) << k << "," << j;
        }
    }
}

void ExpectHeader(PackageReader& reader, std::uint32_t width, std::uint32_t height,
                  std::uint32_t topLevel, const GeoTransformCoefficients& geoTransform) {
    EXPECT_EQ(reader.Width(), width);
    EXPECT_EQ(reader.Height(), height);
    EXPECT_EQ(reader.TopLevel(), topLevel);
    EXPECT_EQ(reader.GeoTransform(), geoTransform);
}

class PackCommandTest : public ::testing::Test {
  protected:
    TempFolder folder;

    PackOptions Options(const std::string& input, const std::string& output = "out.qvrmp") {
        PackOptions options;
        options.input = input;
        options.output = folder.Path(output);
        options.threads = 1;
        return options;
    }
    PackOptions Lossless(const std::string& input) {
        PackOptions options = Options(input);
        options.lossless = true;
        return options;
    }
};

}  // namespace

TEST_F(PackCommandTest, GreyWithARotatedGeoTransformReadsBack) {
    RasterRecipe raster;
    raster.width = 300;
    raster.height = 200;
    raster.value = Texture;
    raster.geoTransform = {{1000, 2, 0.3, 5000, 0.2, -2}};
    const PackRun run = Pack(Lossless(MakeRaster(folder.Path("in.tif"), raster)));
    ASSERT_TRUE(run.ok) << run.message;
    PackageHandle reader = OpenOrFail(folder.Path("out.qvrmp"));
    ASSERT_NE(reader, nullptr);
    ExpectHeader(*reader, 300, 200, 0, {1000, 2, 0.3, 5000, 0.2, -2});
    ExpectPreviewMatches(*reader,
                         ImageOf(300, 200,
                                 [](int x, int y) {
                                     const int grey = static_cast<int>(Texture(1, x, y));
                                     return std::array<int, 4>{grey, grey, grey, 255};
                                 }),
                         0);
}

TEST_F(PackCommandTest, RgbOfTwoLevelsReadsBackAtTheCoarserLevel) {
    // Smooth ramps: lossless WebP is quick on them, and the averages of level 1 differ from
    // any single pixel of level 0.
    const auto ramp = [](int band, int x, int y) { return (x * band + y * (4 - band)) % 256; };
    RasterRecipe raster;
    raster.width = 2100;
    raster.height = 200;
    raster.bands = 3;
    raster.value = ramp;
    const PackRun run = Pack(Lossless(MakeRaster(folder.Path("in.tif"), raster)));
    ASSERT_TRUE(run.ok) << run.message;
    PackageHandle reader = OpenOrFail(folder.Path("out.qvrmp"));
    ASSERT_NE(reader, nullptr);
    ExpectHeader(*reader, 2100, 200, 1, {0, 1, 0, 0, 0, 1});
    ExpectPreviewMatches(
        *reader,
        ImageOf(2100, 200,
                [&](int x, int y) {
                    return std::array<int, 4>{ramp(1, x, y), ramp(2, x, y), ramp(3, x, y), 255};
                }),
        1);
}

TEST_F(PackCommandTest, RgbaKeepsItsAlpha) {
    RasterRecipe raster;
    raster.width = 256;
    raster.height = 256;
    raster.bands = 4;
    const auto alpha = [](int x, int y) { return x < 40 ? 0 : (x + y) % 256; };
    raster.value = [&](int band, int x, int y) {
        return band == 4 ? alpha(x, y) : Texture(band, x, y);
    };
    const PackRun run = Pack(Lossless(MakeRaster(folder.Path("in.tif"), raster)));
    ASSERT_TRUE(run.ok) << run.message;
    PackageHandle reader = OpenOrFail(folder.Path("out.qvrmp"));
    ASSERT_NE(reader, nullptr);
    ExpectPreviewMatches(*reader,
                         ImageOf(256, 256,
                                 [&](int x, int y) {
                                     return std::array<int, 4>{static_cast<int>(Texture(1, x, y)),
                                                               static_cast<int>(Texture(2, x, y)),
                                                               static_cast<int>(Texture(3, x, y)),
                                                               alpha(x, y)};
                                 }),
                         0);
}

TEST_F(PackCommandTest, Int16WithNoDataIsScaledAndTransparentWhereNoData) {
    RasterRecipe raster;
    raster.width = 300;
    raster.height = 100;
    raster.type = GDT_Int16;
    raster.noData = -32768;
    // Each row runs from -500 to 3000, so any sampled range is the full one.
    const auto value = [](int x, int y) {
        return (x / 10 + y / 10) % 7 == 0 ? -32768 : -500 + x * 3500 / 299;
    };
    raster.value = [&](int, int x, int y) { return value(x, y); };
    const PackRun run = Pack(Lossless(MakeRaster(folder.Path("in.tif"), raster)));
    ASSERT_TRUE(run.ok) << run.message;
    PackageHandle reader = OpenOrFail(folder.Path("out.qvrmp"));
    ASSERT_NE(reader, nullptr);
    ExpectPreviewMatches(*reader,
                         ImageOf(300, 100,
                                 [&](int x, int y) {
                                     const int v = value(x, y);
                                     if (v == -32768) {
                                         return std::array<int, 4>{0, 0, 0, 0};
                                     }
                                     const int grey =
                                         static_cast<int>((v + 500) * 255.0 / 3500 + 0.5);
                                     return std::array<int, 4>{grey, grey, grey, 255};
                                 }),
                         0);
}

TEST_F(PackCommandTest, TransparentTilesAreLeftAbsent) {
    RasterRecipe raster;
    raster.width = 2600;
    raster.height = 100;
    raster.noData = 0;
    raster.value = [](int, int x, int) { return x < 2048 ? 50 : 0; };
    const PackRun run = Pack(Options(MakeRaster(folder.Path("in.tif"), raster)));
    ASSERT_TRUE(run.ok) << run.message;
    PackageHandle reader = OpenOrFail(folder.Path("out.qvrmp"));
    ASSERT_NE(reader, nullptr);
    EXPECT_FALSE(reader->IndexEntry(0).IsAbsent());
    EXPECT_TRUE(reader->IndexEntry(1).IsAbsent());   // level 0, the tile right of x = 2048
    EXPECT_FALSE(reader->IndexEntry(2).IsAbsent());  // level 1
    EXPECT_NE(run.message.find("2600 x 100 pixels, 2 levels, 2 tiles written"), std::string::npos)
        << run.message;
}

TEST_F(PackCommandTest, TheFileDoesNotDependOnTheThreadCount) {
    RasterRecipe raster;
    raster.width = 1100;
    raster.height = 700;
    raster.bands = 3;
    raster.value = Texture;
    PackOptions options = Options(MakeRaster(folder.Path("in.tif"), raster), "one.qvrmp");
    ASSERT_TRUE(Pack(options).ok);
    options.output = folder.Path("two.qvrmp");
    options.threads = 2;
    ASSERT_TRUE(Pack(options).ok);
    const std::vector<std::uint8_t> one = ReadFileBytes(folder.Path("one.qvrmp"));
    EXPECT_GT(one.size(), 65536u);
    EXPECT_EQ(one, ReadFileBytes(folder.Path("two.qvrmp")));
}

TEST_F(PackCommandTest, SummaryAndProgress) {
    RasterRecipe raster;
    raster.width = 64;
    raster.height = 1100;
    const std::string input = MakeRaster(folder.Path("in.tif"), raster);
    const PackRun quiet = Pack(Options(input));
    ASSERT_TRUE(quiet.ok) << quiet.message;
    EXPECT_EQ(quiet.stderrText, "");  // no terminal, no bar
    const std::string bytes = std::to_string(fs::file_size(folder.Path("out.qvrmp")));
    EXPECT_EQ(quiet.message.rfind(folder.Path("out.qvrmp") +
                                      ": 64 x 1100 pixels, 1 level, 1 tile written, " + bytes +
                                      " bytes (",
                                  0),
              0u)
        << quiet.message;

    PackEnvironment terminal;
    terminal.terminal = true;
    PackOptions again = Options(input);
    again.force = true;
    const PackRun drawn = Pack(again, terminal);
    ASSERT_TRUE(drawn.ok) << drawn.message;
    EXPECT_NE(drawn.stderrText.find("\r[##############################] 100%  level 1/1  tiles "
                                    "1/1"),
              std::string::npos)
        << drawn.stderrText;
    EXPECT_EQ(drawn.stderrText.back(), '\n');  // the summary starts a line of its own
}

TEST_F(PackCommandTest, TheCoordinateSystemGoesToTheSidecarUnlessNoAux) {
    RasterRecipe raster;
    raster.epsg = 4326;
    raster.geoTransform = {{100, 0.01, 0, 30, 0, -0.01}};
    PackOptions options = Options(MakeRaster(folder.Path("in.tif"), raster));
    const PackRun run = Pack(options);
    ASSERT_TRUE(run.ok) << run.message;
    EXPECT_EQ(run.stderrText, "");
    const std::string aux = folder.Path("out.qvrmp.aux.xml");
    EXPECT_NE(run.message.find(", coordinate system in " + aux), std::string::npos) << run.message;
    // GDAL reads the sidecar back as the input's coordinate system.
    CPLXMLNode* tree = CPLParseXMLFile(aux.c_str());
    ASSERT_NE(tree, nullptr);
    OGRSpatialReferenceH read = OSRNewSpatialReference(CPLGetXMLValue(tree, "=PAMDataset.SRS", ""));
    EXPECT_EQ(std::string(OSRGetAuthorityCode(read, nullptr)), "4326");
    OSRDestroySpatialReference(read);
    // It is tied to the package it was written for.
    const PackageHandle package = OpenOrFail(folder.Path("out.qvrmp"));
    ASSERT_NE(package, nullptr);
    EXPECT_EQ(CPLGetXMLValue(tree, "=PAMDataset.Metadata.MDI", ""), ReaderFingerprint(*package));
    CPLDestroyXMLNode(tree);

    options.output = folder.Path("bare.qvrmp");
    options.writeAux = false;
    const PackRun bare = Pack(options);
    ASSERT_TRUE(bare.ok) << bare.message;
    EXPECT_EQ(bare.stderrText, "tarnview-pack: note: " + folder.Path("in.tif") +
                                   " is in WGS 84; a package holds no coordinate system, so it "
                                   "is left out\n");
    EXPECT_EQ(folder.Entries(),
              (std::vector<std::string>{"bare.qvrmp", "in.tif", "out.qvrmp", "out.qvrmp.aux.xml"}));

    // Replacing the package without a sidecar takes the old one away: it described the old one.
    options.output = folder.Path("out.qvrmp");
    options.force = true;
    ASSERT_TRUE(Pack(options).ok);
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"bare.qvrmp", "in.tif", "out.qvrmp"}));
}

TEST_F(PackCommandTest, TheSidecarFollowsOutputsRulesBeforeThePackageIsWritten) {
    struct SidecarCase {
        const char* what;
        std::string input;  // the raster's name in the folder
        int epsg;
        bool force;
        bool writeAux;
        std::string output;
        std::string messageEnd;  // after the sidecar's path; empty: the pack succeeds
    };
    const std::string longest = std::string(249, 'n') + ".qvrmp";  // 255 bytes, the sidecar 263
    const SidecarCase cases[] = {
        {"the input, with a coordinate system", "out.qvrmp.aux.xml", 4326, false, true, "out.qvrmp",
         " is the input itself; choose another OUTPUT"},
        {"the input, without one", "out.qvrmp.aux.xml", 0, true, true, "out.qvrmp",
         " is the input itself; choose another OUTPUT"},
        {"another file, without --force", "in.tif", 0, false, true, "out.qvrmp",
         " exists; --force replaces it"},
        {"a name too long", "in.tif", 4326, false, true, longest,
         " has a name of 263 bytes; a file name can have at most 255"},
        {"a name too long, never written", "in.tif", 4326, false, false, longest, ""},
    };
    for (const SidecarCase& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder scene;
        RasterRecipe raster;
        raster.epsg = c.epsg;
        const std::string input = MakeRaster(scene.Path(c.input), raster);
        if (c.input != "out.qvrmp.aux.xml") {
            WriteFileText(scene.Path("out.qvrmp.aux.xml"), "old");
        }
        const std::vector<std::string> before = scene.Entries();
        PackOptions options = Options(input);
        options.output = scene.Path(c.output);
        options.force = c.force;
        options.writeAux = c.writeAux;
        const PackRun run = Pack(options);
        if (c.messageEnd.empty()) {
            EXPECT_TRUE(run.ok) << run.message;
            continue;
        }
        EXPECT_EQ(run.code, PackCode::kOutputRefused);
        EXPECT_EQ(run.message, AuxSidecarPath(options.output) + c.messageEnd);
        EXPECT_EQ(scene.Entries(), before);
    }
}

TEST_F(PackCommandTest, AnExistingOutputIsReplacedOnlyWithForce) {
    const std::string input = MakeRaster(folder.Path("in.tif"), RasterRecipe{});
    WriteFileText(folder.Path("out.qvrmp"), "old");
    PackOptions options = Options(input);
    const PackRun refused = Pack(options);
    EXPECT_EQ(refused.code, PackCode::kOutputRefused);
    EXPECT_EQ(refused.message, folder.Path("out.qvrmp") + " exists; --force replaces it");
    EXPECT_EQ(ReadFileBytes(folder.Path("out.qvrmp")), (std::vector<std::uint8_t>{'o', 'l', 'd'}));

    options.force = true;
    ASSERT_TRUE(Pack(options).ok);
    EXPECT_NE(OpenOrFail(folder.Path("out.qvrmp")), nullptr);
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"in.tif", "out.qvrmp"}));
}

TEST_F(PackCommandTest, ForceReplacesOnlyARegularFileAndKeepsItsPermissions) {
    const std::string input = MakeRaster(folder.Path("in.tif"), RasterRecipe{});
    PackOptions options = Options(input);
    options.force = true;
    {
        SCOPED_TRACE("permission bits");
        WriteFileText(folder.Path("out.qvrmp"), "old");
        fs::permissions(folder.Path("out.qvrmp"), fs::perms(0640));
        ASSERT_TRUE(Pack(options).ok);
        EXPECT_EQ(fs::status(folder.Path("out.qvrmp")).permissions(), fs::perms(0640));
    }
    {
        SCOPED_TRACE("a symbolic link");
        WriteFileText(folder.Path("elsewhere"), "keep");
        fs::remove(folder.Path("out.qvrmp"));
        fs::create_symlink(folder.Path("elsewhere"), folder.Path("out.qvrmp"));
        const PackRun run = Pack(options);
        EXPECT_EQ(run.code, PackCode::kOutputRefused);
        EXPECT_EQ(run.message, folder.Path("out.qvrmp") +
                                   " is a symbolic link; choose the file itself or another OUTPUT");
        EXPECT_EQ(ReadFileBytes(folder.Path("elsewhere")),
                  (std::vector<std::uint8_t>{'k', 'e', 'e', 'p'}));
        EXPECT_TRUE(fs::is_symlink(folder.Path("out.qvrmp")));
    }
    {
        SCOPED_TRACE("a FIFO, before the write and in its place while it is written");
        fs::remove(folder.Path("out.qvrmp"));
        ASSERT_EQ(::mkfifo(folder.Path("out.qvrmp").c_str(), 0600), 0);
        EXPECT_EQ(Pack(options).message,
                  folder.Path("out.qvrmp") +
                      " is not a regular file; --force replaces only a regular file");
        fs::remove(folder.Path("out.qvrmp"));
        PackEnvironment environment;
        environment.writeAt = [&](FileHandle file, std::uint64_t offset, const void* data,
                                  std::size_t size) {
            if (!fs::exists(fs::symlink_status(folder.Path("out.qvrmp")))) {
                ::mkfifo(folder.Path("out.qvrmp").c_str(), 0600);
            }
            return WriteBytesAt(file, offset, data, size);
        };
        const PackRun run = Pack(options, environment);
        EXPECT_EQ(run.code, PackCode::kWriteFailed);
        EXPECT_NE(run.message.find("is not a regular file; only a regular file is replaced"),
                  std::string::npos)
            << run.message;
        EXPECT_TRUE(fs::is_fifo(folder.Path("out.qvrmp")));
    }
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"elsewhere", "in.tif", "out.qvrmp"}));
}

TEST_F(PackCommandTest, AFileMadeWhileWritingIsNeverReplacedWithoutForce) {
    const std::string input = MakeRaster(folder.Path("in.tif"), RasterRecipe{});
    PackEnvironment environment;
    environment.writeAt = [&](FileHandle file, std::uint64_t offset, const void* data,
                              std::size_t size) {
        if (!fs::exists(folder.Path("out.qvrmp"))) {
            WriteFileText(folder.Path("out.qvrmp"), "other run");
        }
        return WriteBytesAt(file, offset, data, size);
    };
    const PackRun run = Pack(Options(input), environment);
    EXPECT_EQ(run.code, PackCode::kWriteFailed);
    EXPECT_EQ(run.message, folder.Path("out.qvrmp") +
                               " was not written: " + folder.Path("out.qvrmp") +
                               " appeared while it was written; it is left as it is");
    EXPECT_EQ(ReadFileBytes(folder.Path("out.qvrmp")).size(), 9u);
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"in.tif", "out.qvrmp"}));
}

TEST_F(PackCommandTest, TemporaryNamesAreShortAndStaleOnesAreRemoved) {
    const std::string input = MakeRaster(folder.Path("in.tif"), RasterRecipe{});
    const std::string longName = std::string(249, 'n') + ".qvrmp";  // 255 bytes
    PackOptions options = Options(input, longName);
    options.writeAux = false;
    ASSERT_TRUE(Pack(options).ok) << Pack(options).message;

    // Staleness is the lock a live writer holds, not the number in the name: a file held under
    // an ended process's number is kept, one nobody holds under a running process's is removed.
    const pid_t ended = ::fork();
    if (ended == 0) {
        ::_exit(0);
    }
    ::waitpid(ended, nullptr, 0);
    const std::string prefix = TemporaryNamePrefix(folder.Path("out.qvrmp"));
    const std::string abandoned = prefix + std::to_string(::getpid()) + "-9999.tmp";
    const std::string held = prefix + std::to_string(ended) + "-0.tmp";
    const std::string otherTarget =
        TemporaryNamePrefix("other.qvrmp") + std::to_string(ended) + "-0.tmp";
    for (const std::string& name : {abandoned, held, otherTarget}) {
        WriteFileText(folder.Path(name), "partial");
    }
    FileHandle writer = OpenReadOnly(folder.Path(held));
    ASSERT_EQ(LockFile(writer), 0);
    ASSERT_TRUE(Pack(Options(input)).ok);
    CloseFile(writer);
    EXPECT_FALSE(fs::exists(folder.Path(abandoned)));
    EXPECT_TRUE(fs::exists(folder.Path(held)));
    EXPECT_TRUE(fs::exists(folder.Path(otherTarget)));
}

TEST_F(PackCommandTest, AnInputWithoutAValidPixelWarns) {
    RasterRecipe raster;
    raster.noData = 0;
    raster.value = [](int, int, int) { return 0; };
    const PackRun run = Pack(Options(MakeRaster(folder.Path("in.tif"), raster)));
    EXPECT_TRUE(run.ok);
    EXPECT_EQ(run.stderrText, "tarnview-pack: warning: " + folder.Path("in.tif") +
                                  " has no valid pixel (all nodata, masked or transparent), so " +
                                  folder.Path("out.qvrmp") + " holds no tile\n");
}

TEST_F(PackCommandTest, TheInputIsNeverTheOutput) {
    const std::string input = MakeRaster(folder.Path("in.tif"), RasterRecipe{});
    const std::vector<std::uint8_t> before = ReadFileBytes(input);
    PackOptions options = Options(input, "in.tif");
    options.force = true;
    const PackRun run = Pack(options);
    EXPECT_EQ(run.code, PackCode::kOutputRefused);
    EXPECT_EQ(run.message, input + " is the input itself; choose another OUTPUT");
    EXPECT_EQ(ReadFileBytes(input), before);
}

TEST_F(PackCommandTest, AWriteErrorMidwayLeavesTheOldFileAndNoOther) {
    RasterRecipe raster;
    raster.width = 100;
    raster.height = 1100;
    raster.value = Texture;
    const std::string input = MakeRaster(folder.Path("in.tif"), raster);
    WriteFileText(folder.Path("out.qvrmp"), "old");
    PackOptions options = Options(input);
    options.force = true;
    PackEnvironment environment;
    int writes = 0;
    // The tile block goes through; the header after it finds the disk full.
    environment.writeAt = [&writes](FileHandle file, std::uint64_t offset, const void* data,
                                    std::size_t size) {
        return ++writes == 2 ? ENOSPC : WriteBytesAt(file, offset, data, size);
    };
    const PackRun run = Pack(options, environment);
    EXPECT_EQ(writes, 2);
    EXPECT_EQ(run.code, PackCode::kWriteFailed);
    EXPECT_EQ(run.message.rfind(folder.Path("out.qvrmp") + " was not written: ", 0), 0u)
        << run.message;
    EXPECT_NE(run.message.find("No space left on device"), std::string::npos);
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"in.tif", "out.qvrmp"}));
    EXPECT_EQ(ReadFileBytes(folder.Path("out.qvrmp")), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
}

TEST_F(PackCommandTest, AnOutputFolderThatVanishesMidwayLeavesNothingPartial) {
    const std::string input = MakeRaster(folder.Path("in.tif"), RasterRecipe{});
    const std::string outputFolder = folder.Path("out");
    fs::create_directory(outputFolder);
    PackOptions options = Options(input, "out/p.qvrmp");
    PackEnvironment environment;
    // At the first write the folder is deleted with what is in it and made anew, empty.
    bool vanished = false;
    environment.writeAt = [&](FileHandle file, std::uint64_t offset, const void* data,
                              std::size_t size) {
        if (!std::exchange(vanished, true)) {
            fs::remove_all(outputFolder);
            fs::create_directory(outputFolder);
        }
        return WriteBytesAt(file, offset, data, size);
    };
    // A file without a name still takes its place whole in the new folder; a named temporary
    // file went with the old one, and the run fails.
    const PackRun run = Pack(options, environment);
    if (run.ok) {
        EXPECT_NE(OpenOrFail(folder.Path("out/p.qvrmp")), nullptr);
        EXPECT_EQ(std::distance(fs::directory_iterator(outputFolder), {}), 1);
    } else {
        EXPECT_NE(run.message.find("was not written"), std::string::npos) << run.message;
        EXPECT_TRUE(fs::is_empty(outputFolder));
    }
}

TEST_F(PackCommandTest, AnInterruptionStopsAtTheNextBandAndLeavesNoFile) {
    RasterRecipe raster;
    raster.width = 64;
    raster.height = 1100;  // three bands of rows
    PackEnvironment environment;
    int asked = 0;
    environment.interrupted = [&asked] { return ++asked == 2; };
    const PackRun run = Pack(Options(MakeRaster(folder.Path("in.tif"), raster)), environment);
    EXPECT_EQ(run.code, PackCode::kInterrupted);
    EXPECT_EQ(run.message, "interrupted; " + folder.Path("out.qvrmp") + " was not written");
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"in.tif"});
}

TEST_F(PackCommandTest, AnInterruptionIsAnsweredWithinABandOfRows) {
    RasterRecipe raster;
    raster.width = 6000;
    raster.height = 300;  // one band of rows, twelve sub-tiles
    raster.bands = 3;
    raster.value = Texture;
    PackEnvironment environment;
    int asked = 0;
    environment.interrupted = [&asked] { return ++asked == 3; };
    const PackRun run = Pack(Options(MakeRaster(folder.Path("in.tif"), raster)), environment);
    EXPECT_EQ(run.code, PackCode::kInterrupted);
    EXPECT_EQ(run.message, "interrupted; " + folder.Path("out.qvrmp") + " was not written");
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"in.tif"});
}

TEST_F(PackCommandTest, BadInputsAndOutputsSayWhy) {
    const std::string input = MakeRaster(folder.Path("in.tif"), RasterRecipe{});
    WriteFileText(folder.Path("notes.txt"), "hello\n");
    fs::create_directory(folder.Path("dir"));
    const std::string tooWide = MakeEmptyVrt(folder.Path("wide.vrt"), 67108865, 1, 1);

    const auto message = [&](const std::string& in, const std::string& out, PackCode code) {
        const PackRun run = Pack(Options(in, out));
        EXPECT_EQ(run.code, code) << in << " -> " << out;
        return run.message;
    };
    EXPECT_EQ(message(folder.Path("missing.tif"), "a.qvrmp", PackCode::kCannotOpen),
              "cannot open " + folder.Path("missing.tif") + ": " + folder.Path("missing.tif") +
                  ": No such file or directory");
    EXPECT_NE(message(folder.Path("notes.txt"), "a.qvrmp", PackCode::kCannotOpen)
                  .find("not recognized as a supported"),
              std::string::npos);
    EXPECT_EQ(message(tooWide, "a.qvrmp", PackCode::kTooLarge),
              tooWide + " is 67108865 x 1 pixels; a package side can be at most 67108864");
    EXPECT_EQ(message(input, "no/such/a.qvrmp", PackCode::kOutputRefused),
              "the folder " + folder.Path("no/such") + " does not exist");
    EXPECT_EQ(message(input, "dir", PackCode::kOutputRefused), folder.Path("dir") + " is a folder");
    EXPECT_EQ(message(input, "in.tif/a.qvrmp", PackCode::kOutputRefused),
              folder.Path("in.tif") + " is not a folder");
    EXPECT_EQ(folder.Entries(),
              (std::vector<std::string>{"dir", "in.tif", "notes.txt", "wide.vrt"}));
}

TEST_F(PackCommandTest, AnUnwritableFolderIsRefused) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "permissions do not bind root";
    }
    const std::string input = MakeRaster(folder.Path("in.tif"), RasterRecipe{});
    fs::create_directory(folder.Path("locked"));
    fs::permissions(folder.Path("locked"), fs::perms::owner_read | fs::perms::owner_exec);
    const PackRun run = Pack(Options(input, "locked/a.qvrmp"));
    EXPECT_EQ(run.code, PackCode::kOutputRefused);
    EXPECT_EQ(run.message,
              "cannot write into the folder " + folder.Path("locked") + ": Permission denied");
    fs::permissions(folder.Path("locked"), fs::perms::owner_all);
}
