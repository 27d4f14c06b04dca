// From a press of "预览" to the end of the preview window's first paint, beside the region read
// alone on the same package (the floor: everything else the press does is the UI's share).
//
//   build/bench/preview_bench --benchmark_min_time=2
//
// Runs the widgets on Qt's offscreen platform unless QT_QPA_PLATFORM says otherwise. The package
// is 40000 x 30000 with photo-like content in its top tile, the only tile a preview reads; the
// finer tiles are absent, which keeps the setup short.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QPushButton>
#include <QTemporaryDir>

#include "about_dlg.h"
#include "gdal_setup.h"
#include "header_builder.h"
#include "modal_seam.h"
#include "package_layout.h"
#include "package_reader.h"
#include "package_writer.h"
#include "path_box.h"
#include "tarnview_dlg.h"

namespace {

constexpr std::uint32_t kWidth = 40000;
constexpr std::uint32_t kHeight = 30000;
constexpr GeoTransformCoefficients kGeo = {500000.0, 1.0, 0.0, 4000000.0, 0.0, -1.0};

// The same photo-like content as package_read_bench, so the two floors can be set side by side.
// Smooth noise over a lattice of `cell` pixels, from a hash of the lattice points.
double LatticeValue(std::int64_t x, std::int64_t y, std::uint32_t salt) {
    std::uint64_t h = static_cast<std::uint64_t>(x) * 0x9E3779B97F4A7C15ull ^
                      static_cast<std::uint64_t>(y) * 0xC2B2AE3D27D4EB4Full ^ salt;
    h ^= h >> 31;
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= h >> 29;
    return static_cast<double>(h & 0xFFFF) / 65535.0;
}

double SmoothNoise(double x, double y, std::uint32_t salt) {
    const double fx = std::floor(x), fy = std::floor(y);
    const auto ix = static_cast<std::int64_t>(fx), iy = static_cast<std::int64_t>(fy);
    const double tx = (x - fx) * (x - fx) * (3 - 2 * (x - fx));
    const double ty = (y - fy) * (y - fy) * (3 - 2 * (y - fy));
    const double top = LatticeValue(ix, iy, salt) * (1 - tx) + LatticeValue(ix + 1, iy, salt) * tx;
    const double bottom =
        LatticeValue(ix, iy + 1, salt) * (1 - tx) + LatticeValue(ix + 1, iy + 1, salt) * tx;
    return top * (1 - ty) + bottom * ty;
}

double Fractal(double x, double y, std::uint32_t salt) {
    double sum = 0, amplitude = 0.5, frequency = 1.0 / 256;
    for (int octave = 0; octave < 7; ++octave) {
        sum += amplitude * SmoothNoise(x * frequency, y * frequency, salt + octave);
        amplitude *= 0.5;
        frequency *= 2;
    }
    return sum;
}

std::vector<std::uint8_t> PhotoLikeImage(std::uint32_t width, std::uint32_t height) {
    std::vector<std::uint8_t> pixels(std::size_t{width} * height * 4);
    std::uint32_t grain = 1;
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            const double land = Fractal(x, y, 11), moisture = Fractal(x, y, 53);
            grain = grain * 1664525 + 1013904223;
            const double noise = static_cast<double>(grain >> 24) / 255.0 - 0.5;
            std::uint8_t* p = pixels.data() + (std::size_t{y} * width + x) * 4;
            auto channel = [&](double value) {
                return static_cast<std::uint8_t>(std::clamp(value * 255 + noise * 12, 0.0, 255.0));
            };
            p[0] = channel(0.25 + 0.6 * land - 0.2 * moisture);
            p[1] = channel(0.2 + 0.5 * land + 0.25 * moisture);
            p[2] = channel(0.15 + 0.35 * moisture + 0.2 * (1 - land));
            p[3] = 255;
        }
    }
    return pixels;
}

std::vector<std::uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Writes the top level as a package of its own, then moves its one tile block under a header of
// the full size.
bool MakePackage(const std::string& path) {
    const PackageLayout layout = MakePackageLayout(kWidth, kHeight);
    const int top = layout.topLevel;
    const std::uint32_t topWidth = layout.levelWidth[top], topHeight = layout.levelHeight[top];
    const std::vector<std::uint8_t> image = PhotoLikeImage(topWidth, topHeight);
    const std::string small = path + ".top";
    const PackageWriteResult written = WritePackageFromRgba(
        small, image.data(), topWidth, topHeight, std::size_t{topWidth} * 4, kGeo, {});
    if (!written.ok) {
        std::fprintf(stderr, "%s\n", written.errorText.c_str());
        return false;
    }
    const std::vector<std::uint8_t> smallFile = ReadAll(small);
    std::remove(small.c_str());
    const TileIndexEntry entry{LoadU64(smallFile.data() + kTileIndexOffset),
                               LoadU32(smallFile.data() + kTileIndexOffset + 8)};
    std::vector<std::uint8_t> file = BuildPackageHeader(layout, kGeo);
    SetIndexEntry(file, layout.EntryNumber(top, 0, 0),
                  TileIndexEntry{file.size(), entry.blockSize});
    const auto blockStart = smallFile.begin() + static_cast<std::ptrdiff_t>(entry.blockOffset);
    file.insert(file.end(), blockStart, blockStart + entry.blockSize);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()),
               static_cast<std::streamsize>(file.size()));
    return true;
}

const std::string& PackagePath() {
    static QTemporaryDir folder;
    static const std::string path = [] {
        const std::string file = folder.filePath(QStringLiteral("scene.qvrmp")).toStdString();
        if (!MakePackage(file))
            std::exit(1);
        return file;
    }();
    return path;
}

using Clock = std::chrono::steady_clock;

void PressToFirstPaint(benchmark::State& state) {
    CTarnviewDlg dialog;
    auto* path = dialog.findChild<PathBox*>(QStringLiteral("IDC_PATH"));
    auto* preview = dialog.findChild<QPushButton*>(QStringLiteral("IDC_PREVIEW"));
    path->setText(QString::fromStdString(PackagePath()));

    Clock::time_point painted;
    const ModalHandler previous = SetModalHandler([&](QDialog& window) {
        auto& about = static_cast<CAboutDlg&>(window);
        about.show();
        while (about.FirstPaintPending())
            QApplication::processEvents();
        painted = Clock::now();
        about.hide();
        return static_cast<int>(QDialog::Rejected);
    });
    for (auto _ : state) {
        preview->setEnabled(true);
        const Clock::time_point pressed = Clock::now();
        preview->click();
        state.SetIterationTime(std::chrono::duration<double>(painted - pressed).count());
        if (!preview->isEnabled())
            state.SkipWithError("no preview window");
    }
    SetModalHandler(previous);
}

void RegionReadFloor(benchmark::State& state) {
    std::string errorText;
    PackageReader* reader = OpenPackage(PackagePath(), errorText);
    if (reader == nullptr) {
        state.SkipWithError(errorText.c_str());
        return;
    }
    const auto rows = static_cast<std::int32_t>(kHeight * 512.0 / kWidth);
    std::vector<std::uint32_t> output(static_cast<std::size_t>(rows) * 512);
    for (auto _ : state) {
        const std::int64_t result = reader->ReadRegionRgba(kWidth, kHeight, output.data(), rows);
        if (result <= 0)
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(output.data());
    }
    ClosePackage(reader);
}

}  // namespace

BENCHMARK(RegionReadFloor)->Unit(benchmark::kMillisecond);
BENCHMARK(PressToFirstPaint)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    InitGdal();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
