// tarnview-pack as a user runs it: exit codes, what goes to stdout and stderr, and an interrupted
// run that cleans up after itself.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>
#include <chrono>
#include <filesystem>
#include <thread>

#include "file_bytes.h"
#include "gdal_rasters.h"
#include "package_format.h"
#include "temp_folder.h"

namespace {

namespace fs = std::filesystem;

// A 64 x 32 Byte GeoTIFF placed only by an RPC model (no geotransform): samples run east from
// longitude 9.98 to 10.02, lines south from latitude 50.01 to 49.99, whatever the height.
std::string MakeRpcRaster(const std::string& path) {
    GDALAllRegister();
    GDALDatasetH dataset =
        GDALCreate(GDALGetDriverByName("GTiff"), path.c_str(), 64, 32, 1, GDT_Byte, nullptr);
    std::vector<std::uint8_t> pixels(64 * 32);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = static_cast<std::uint8_t>(40 + i % 64 + i / 64);
    }
    GDALRasterBandH band = GDALGetRasterBand(dataset, 1);
    EXPECT_EQ(GDALRasterIO(band, GF_Write, 0, 0, 64, 32, pixels.data(), 64, 32, GDT_Byte, 0, 0),
              CE_None);
    // Terms in RPC00B order: 1, L, P, H, ...; the line goes with -P, the sample with L.
    const std::string zeros17 = " 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0";
    const std::string one = "1 0 0" + zeros17;
    const std::vector<std::string> rpc = {"LINE_OFF=16",
                                          "SAMP_OFF=32",
                                          "LAT_OFF=50",
                                          "LONG_OFF=10",
                                          "HEIGHT_OFF=0",
                                          "LINE_SCALE=16",
                                          "SAMP_SCALE=32",
                                          "LAT_SCALE=0.01",
                                          "LONG_SCALE=0.02",
                                          "HEIGHT_SCALE=100",
                                          "LINE_NUM_COEFF=0 0 -1" + zeros17,
                                          "LINE_DEN_COEFF=" + one,
                                          "SAMP_NUM_COEFF=0 1 0" + zeros17,
                                          "SAMP_DEN_COEFF=" + one,
                                          "MIN_LONG=9.98",
                                          "MAX_LONG=10.02",
                                          "MIN_LAT=49.99",
                                          "MAX_LAT=50.01"};
    std::vector<char*> list;
    for (const std::string& item : rpc) {
        list.push_back(const_cast<char*>(item.c_str()));
    }
    list.push_back(nullptr);
    EXPECT_EQ(GDALSetMetadata(dataset, list.data(), "RPC"), CE_None);
    GDALClose(dataset);
    return path;
}

// The geotransform a package's header holds.
GeoTransformCoefficients PackageGeoTransform(const std::string& path) {
    const std::vector<std::uint8_t> bytes = ReadFileBytes(path);
    GeoTransformCoefficients coefficients{};
    if (bytes.size() < kGeoTransformOffset + 48) {
        ADD_FAILURE() << path << " is too short";
        return coefficients;
    }
    for (std::size_t i = 0; i < coefficients.size(); ++i) {
        coefficients[i] = LoadF64(bytes.data() + kGeoTransformOffset + 8 * i);
    }
    return coefficients;
}

struct ProcessRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

class TarnviewPack : public ::testing::Test {
  protected:
    TempFolder folder;   // inputs and outputs
    TempFolder streams;  // the child's stdout and stderr

    // Starts tarnview-pack with stdout and stderr going to files; returns its process id.
    pid_t Start(const std::vector<std::string>& arguments) {
        std::vector<std::string> argv = {TARNVIEW_PACK_PATH};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        const pid_t pid = ::fork();
        if (pid == 0) {
            const int out = ::open(streams.Path("out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int err = ::open(streams.Path("err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(out, STDOUT_FILENO);
            ::dup2(err, STDERR_FILENO);
            std::vector<char*> pointers;
            for (std::string& argument : argv) {
                pointers.push_back(argument.data());
            }
            pointers.push_back(nullptr);
            ::execv(pointers[0], pointers.data());
            ::_exit(127);
        }
        return pid;
    }

    ProcessRun Finish(pid_t pid) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        ProcessRun run;
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        const std::vector<std::uint8_t> out = ReadFileBytes(streams.Path("out"));
        const std::vector<std::uint8_t> err = ReadFileBytes(streams.Path("err"));
        run.out.assign(out.begin(), out.end());
        run.err.assign(err.begin(), err.end());
        return run;
    }

    ProcessRun Run(const std::vector<std::string>& arguments) { return Finish(Start(arguments)); }

    // An interrupted run says so, exits 1 and leaves only its input behind.
    void ExpectInterruptedLeavingNothing(const ProcessRun& run) {
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.err,
                  "tarnview-pack: interrupted; " + folder.Path("out.qvrmp") + " was not written\n");
        EXPECT_EQ(folder.Entries(), std::vector<std::string>{"big.vrt"});
    }

    // Packs `input`, which is placed only by `placement`, and checks that it succeeded and said it
    // warped the raster north-up; `placed` is then the package's geotransform.
    void PackExpectingWarpNote(const std::string& input, const std::string& placement,
                               GeoTransformCoefficients& placed) {
        const ProcessRun run = Run({"--no-aux", input, folder.Path("out.qvrmp")});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(
            run.err.rfind("tarnview-pack: note: " + input + " is placed only by " + placement +
                              "; it is warped to a north-up grid with GDAL's warper "
                              "(bilinear), ",
                          0),
            0u)
            << run.err;
        placed = PackageGeoTransform(folder.Path("out.qvrmp"));
    }

    // Whether the process has its output file open: a file without a name in the folder (shown
    // as deleted), or a temporary one with a name.
    bool WritesItsOutput(pid_t pid) const {
        std::error_code error;
        for (const auto& open :
             fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
            const std::string target = fs::read_symlink(open.path(), error).string();
            if (target.rfind(folder.Path(""), 0) == 0 && target.ends_with(" (deleted)"))
                return true;
        }
        return folder.Entries().size() > 1;
    }

    // Starts a pack large enough that it is still going when a signal comes (a VRT without
    // sources reads as zeros at no cost) and returns once its output file is open.
    pid_t StartLongRun(int width = 40000, int height = 40000) {
        const std::string input = MakeEmptyVrt(folder.Path("big.vrt"), width, height, 1);
        const pid_t pid = Start({input, folder.Path("out.qvrmp")});
        bool started = false;
        for (int i = 0; i < 60000 && !started; ++i) {
            started = WritesItsOutput(pid);
            if (!started) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
        EXPECT_TRUE(started);
        return pid;
    }
};

}  // namespace

TEST_F(TarnviewPack, PacksWithOneSummaryLineOnStderr) {
    RasterRecipe raster;
    raster.bands = 3;
    const std::string input = MakeRaster(folder.Path("in.tif"), raster);
    const ProcessRun run = Run({"--quality", "60", input, folder.Path("out.qvrmp")});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(
        run.err.rfind(folder.Path("out.qvrmp") + ": 64 x 32 pixels, 1 level, 1 tile written", 0),
        0u)
        << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_EQ(run.err.find('\r'), std::string::npos);  // no bar without a terminal
}

TEST_F(TarnviewPack, BandsAndScaleChooseWhatIsPacked) {
    RasterRecipe raster;
    raster.bands = 3;
    raster.type = GDT_UInt16;
    raster.value = [](int band, int, int) { return band * 1000.0; };
    const std::string input = MakeRaster(folder.Path("in.tif"), raster);
    const ProcessRun run =
        Run({"--bands", "3,2,1", "--scale", "0,2000", input, folder.Path("out.qvrmp")});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err.rfind("tarnview-pack: note: using bands 3, 2, 1 as red, green, blue, as "
                            "--bands says\n",
                            0),
              0u)
        << run.err;
}

TEST_F(TarnviewPack, FailuresAreOneLineWithExitOne) {
    const ProcessRun run = Run({folder.Path("missing.tif"), folder.Path("out.qvrmp")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "tarnview-pack: cannot open " + folder.Path("missing.tif") + ": " +
                           folder.Path("missing.tif") + ": No such file or directory\n");
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{});
}

// The command line's every refusal is tested in process (tests/cli); this is what a terminal sees.
TEST_F(TarnviewPack, UsageErrorsExitTwoAndHelpZero) {
    ProcessRun run = Run({});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "tarnview-pack: INPUT and OUTPUT are needed\nTry 'tarnview-pack --help'.\n");
    run = Run({"--help"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.out.find("Usage: tarnview-pack"), std::string::npos) << run.out;
    run = Run({"--version"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "tarnview-pack 2.0.0.1\n");
}

TEST_F(TarnviewPack, AnInterruptedRunRemovesItsTemporaryFile) {
    const pid_t pid = StartLongRun();
    ::kill(pid, SIGINT);
    const ProcessRun run = Finish(pid);
    ExpectInterruptedLeavingNothing(run);
}

TEST_F(TarnviewPack, ASecondSignalEndsTheRunAndStillRemovesTheTemporaryFile) {
    const pid_t pid = StartLongRun();
    ::kill(pid, SIGTERM);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ::kill(pid, SIGTERM);
    Finish(pid);
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"big.vrt"});
}

TEST_F(TarnviewPack, AnInterruptOnAVeryWideInputEndsTheRunAndRemovesTheTemporaryFile) {
    // 1,000,000 pixels wide, walked block by block: the signal is seen within a block's strip
    // (bench/pack_interrupt_wide.sh measures how soon). Uninterrupted, this run would take minutes.
    const pid_t pid = StartLongRun(1000000, 8192);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // well into the first block
    ::kill(pid, SIGTERM);
    const ProcessRun run = Finish(pid);
    ExpectInterruptedLeavingNothing(run);
}

TEST_F(TarnviewPack, ARasterPlacedByRpcsIsWarpedNorthUpAndStderrSaysSo) {
    const std::string input = MakeRpcRaster(folder.Path("rpc.tif"));
    GeoTransformCoefficients placed{};
    ASSERT_NO_FATAL_FAILURE(PackExpectingWarpNote(input, "RPCs", placed));
    EXPECT_NEAR(placed[0], 9.98, 0.002);  // west edge, in degrees (WGS 84)
    EXPECT_GT(placed[1], 0);
    EXPECT_EQ(placed[2], 0);               // north up
    EXPECT_NEAR(placed[3], 50.01, 0.002);  // north edge
    EXPECT_EQ(placed[4], 0);
    EXPECT_LT(placed[5], 0);
    // About the model's extent: 0.04 degrees of longitude by 0.02 of latitude.
    EXPECT_NEAR(placed[1] * 64, 0.04, 0.01);
}

TEST_F(TarnviewPack, ARasterPlacedByControlPointsIsWarpedNorthUpAndStderrSaysSo) {
    RasterRecipe raster;
    raster.value = [](int, int x, int y) { return 40 + x + y; };
    raster.epsg = 4326;
    // A 64 x 32 image turned by 90 degrees: columns run south, rows run west.
    raster.groundControlPoints = {
        {0, 0, 10.0, 50.0}, {64, 0, 10.0, 49.36}, {0, 32, 9.68, 50.0}, {64, 32, 9.68, 49.36}};
    const std::string input = MakeRaster(folder.Path("gcps.tif"), raster);
    GeoTransformCoefficients placed{};
    ASSERT_NO_FATAL_FAILURE(PackExpectingWarpNote(input, "ground control points", placed));
    EXPECT_NEAR(placed[0], 9.68, 0.02);
    EXPECT_EQ(placed[2], 0);
    EXPECT_NEAR(placed[3], 50.0, 0.02);
    EXPECT_EQ(placed[4], 0);
    EXPECT_LT(placed[5], 0);
}
