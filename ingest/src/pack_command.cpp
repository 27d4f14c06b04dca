#include "pack_command.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <gdal.h>

#include <algorithm>
#include <atomic>
#include <exception>
#include <memory>
#include <mutex>
#include <new>
#include <thread>

#include "aux_sidecar.h"
#include "output_target.h"
#include "package_layout.h"
#include "progress_display.h"
#include "raster_source.h"

namespace {

// Rows are read once, top to bottom (block by block for a very wide input), so GDAL's block cache
// only has to hold about one strip of the input; its default (a share of the machine's memory)
// would not keep memory bounded.
constexpr GIntBig kReadCacheBytes = GIntBig{256} << 20;

const std::string kNotePrefix = "tarnview-pack: note: ";

// GDAL's drivers are registered by the program; packing adds a quiet error handler (errors are
// read back with CPLGetLastErrorMsg) and a bounded block cache.
void SetUpGdalOnce() {
    static const bool done = [] {
        CPLPushErrorHandler(CPLQuietErrorHandler);
        if (CPLGetConfigOption("GDAL_CACHEMAX", nullptr) == nullptr) {
            GDALSetCacheMax64(kReadCacheBytes);
        }
        return true;
    }();
    (void)done;
}

PackOutcome Failure(std::string message) {
    return PackOutcome{kPackFailed, std::move(message)};
}

int ThreadCount(int requested) {
    if (requested > 0) {
        return requested;
    }
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

}  // namespace

PackOutcome RunPack(const PackOptions& options, const PackEnvironment& environment) {
    SetUpGdalOnce();
    const auto writeError = [&](const std::string& text) {
        if (environment.writeError) {
            environment.writeError(text);
        }
    };

    // Once asked to stop, the run stays stopped. The writer's threads ask too.
    std::atomic<bool> interrupted{false};
    std::mutex askMutex;
    const std::function<bool()> keepGoing = [&] {
        if (!interrupted && environment.interrupted) {
            const std::lock_guard<std::mutex> lock(askMutex);
            if (environment.interrupted()) {
                interrupted = true;
            }
        }
        return !interrupted;
    };
    SourceSettings settings;
    settings.bands = options.bands;
    settings.scale = options.scale;
    ProgressDisplay* shownProgress = nullptr;
    std::uint64_t stripFirstPixel = 0;  // input pixels read before the current strip
    std::uint64_t stripPixels = 0;
    settings.keepGoing = [&](double readShare) {
        if (shownProgress != nullptr) {
            shownProgress->Read(
                stripFirstPixel +
                static_cast<std::uint64_t>(readShare * static_cast<double>(stripPixels)));
        }
        return keepGoing();
    };
    std::string errorText;
    const std::unique_ptr<RasterSource> source =
        RasterSource::Open(options.input, errorText, settings);
    if (!source) {
        return Failure("cannot open " + options.input + ": " + errorText);
    }
    for (const std::string& note : source->Notes()) {
        writeError(std::string(kNotePrefix) + note + "\n");
    }
    const std::uint32_t width = source->Width();
    const std::uint32_t height = source->Height();
    const std::string size = std::to_string(width) + " x " + std::to_string(height);
    if (FindTopLevel(width, height) < 0) {
        return Failure(options.input + " is " + size + " pixels; a package side can be at most " +
                       std::to_string(kMaxImageSide));
    }
    const PackageLayout layout = MakePackageLayout(width, height);
    if (!layout.Representable()) {
        return Failure(options.input + " is " + size + " pixels, more than a package can index");
    }
    std::vector<std::string> inputFiles = source->FileList();
    inputFiles.push_back(options.input);
    if (std::string problem = CheckOutputTarget(options.output, options.force, inputFiles);
        !problem.empty()) {
        return Failure(problem);
    }
    OGRSpatialReferenceH crs = source->SpatialRef();
    if (crs != nullptr && !options.writeAux) {
        const std::string name = source->CoordinateSystemName();
        writeError(kNotePrefix + options.input +
                   (name.empty() ? " has a coordinate system without a name" : " is in " + name) +
                   "; a package holds no coordinate system, so it is left out\n");
    }

    ProgressDisplay display(writeError, environment.terminal, WorkOf(layout));
    shownProgress = &display;
    // Each input pixel is asked for once: in strips across the width, or block by block when the
    // input is too wide for that.
    std::uint64_t pixelsRead = 0;
    const RegionSource rows = [&](const PixelRegion& region, std::uint8_t* pixels,
                                  std::size_t stride, std::string& error) {
        if (!keepGoing()) {
            error = "interrupted";
            return StripContent::kFailed;
        }
        stripFirstPixel = pixelsRead;
        stripPixels = std::uint64_t{region.rowCount} * region.columnCount;
        display.Read(stripFirstPixel);
        const StripContent content = source->ReadRegion(region, pixels, stride, error);
        if (content == StripContent::kFailed && interrupted) {
            error = "interrupted";
        }
        pixelsRead += stripPixels;
        display.Read(pixelsRead);
        return content;
    };
    PackageWriteOptions writeOptions;
    writeOptions.lossless = options.lossless;
    writeOptions.quality = options.quality;
    writeOptions.threads = ThreadCount(options.threads);
    writeOptions.progress = [&](const WriteProgress& progress) { display.Update(progress); };
    writeOptions.writeAt = environment.writeAt;
    writeOptions.existing = options.force ? ExistingTarget::kReplace : ExistingTarget::kKeep;
    writeOptions.cancelled = [&] { return !keepGoing(); };

    PackageWriteResult result = MakeError(WriteCode::kOutOfMemory, std::string());
    try {
        result =
            WritePackage(options.output, width, height, source->GeoTransform(), rows, writeOptions);
    } catch (const std::bad_alloc&) {
        // The writer's pixels stay within its budget (kPixelBudgetBytes) whatever the size, but
        // GDAL and the encoded tiles take memory too; the temporary file is removed as the writer
        // unwinds.
        result = MakeError(WriteCode::kOutOfMemory,
                           "not enough memory for rows of " + std::to_string(width) + " pixels");
    } catch (const std::exception& exception) {
        result = MakeError(WriteCode::kEncodeFailed, std::string(exception.what()));
    }
    display.End();
    if (interrupted) {
        return Failure("interrupted; " + options.output + " was not written");
    }
    if (!result.ok()) {
        return Failure(options.output + " was not written: " + result.message());
    }
    if (result->tilesWritten == 0) {
        writeError("tarnview-pack: warning: " + options.input +
                   " has no valid pixel (all nodata, masked or transparent), so " + options.output +
                   " holds no tile\n");
    }
    // The sidecar only once the package is whole, so a failed pack leaves neither behind.
    std::string auxPath;
    if (crs != nullptr && options.writeAux) {
        if (std::string error = WriteAuxSidecar(options.output, crs); !error.empty()) {
            return Failure(options.output +
                           " was written, its coordinate system was not: " + error);
        }
        auxPath = AuxSidecarPath(options.output);
    } else if (std::string error = RemoveStaleAuxSidecar(options.output); !error.empty()) {
        return Failure(options.output + " was written, but " + error);
    }
    PackSummary summary;
    summary.output = options.output;
    summary.width = width;
    summary.height = height;
    summary.levels = result->levels;
    summary.tilesWritten = result->tilesWritten;
    summary.bytes = result->bytesWritten;
    summary.seconds = display.Seconds();
    summary.auxPath = auxPath;
    return PackOutcome{kPackSucceeded, FormatSummary(summary)};
}
