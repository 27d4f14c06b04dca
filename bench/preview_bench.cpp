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

#include <gdal.h>

#include "about_dlg.h"
#include "header_builder.h"
#include "modal_seam.h"
#include "package_layout.h"
#include "package_reader.h"
#include "package_writer.h"
#include "path_box.h"
#include "tarnview_dlg.h"
#include "top_tile_package.h"

namespace {

constexpr std::uint32_t kWidth = 40000;
constexpr std::uint32_t kHeight = 30000;

const std::string& PackagePath() {
    static QTemporaryDir folder;
    // The same content as package_read_bench's, so the two figures can stand side by side.
    static const std::string path =
        bench_image::MakeTopTilePackage(folder.path().toStdString(), kWidth, kHeight, false).path;
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
        about.repaint();  // the first paint, drawn now
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
    GDALAllRegister();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
