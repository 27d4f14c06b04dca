#include "pack_command.h"

#include <cpl_error.h>

#include <algorithm>
#include <exception>
#include <memory>
#include <new>
#include <thread>
#include <utility>

#include "aux_sidecar.h"
#include "file_io.h"
#include "output_target.h"
#include "package_layout.h"
#include "progress_display.h"
#include "raster_source.h"
#include "region_feed.h"
#include "stop_request.h"

namespace {

using TextSink = std::function<void(const std::string&)>;

constexpr char kNoteKind[] = "note";
constexpr char kWarningKind[] = "warning";

// "tarnview-pack: note: "
std::string Prefix(const PackEnvironment& environment, const char* kind) {
    return environment.program + ": " + kind + ": ";
}

// The environment's stderr, or nowhere.
TextSink StderrOf(const PackEnvironment& environment) {
    return [&environment](const std::string& text) {
        if (environment.writeError) {
            environment.writeError(text);
        }
    };
}

int ThreadCount(int requested) {
    if (requested > 0) {
        return requested;
    }
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

PackResultOf<std::unique_ptr<RasterSource>> OpenInput(const PackOptions& options,
                                                      const PackEnvironment& environment,
                                                      GDALDatasetH dataset) {
    const SourceSettings settings{options.bands, options.scale, environment.bandsOption};
    PackResultOf<std::unique_ptr<RasterSource>> source =
        dataset != nullptr ? RasterSource::Use(dataset, options.input, settings)
                           : RasterSource::Open(options.input, settings);
    if (!source) {
        return MakeError(source.code(), "cannot open " + options.input + ": " + source.message());
    }
    return source;
}

// The package's layout, when the input's size fits one.
PackResultOf<PackageLayout> CheckSize(const std::string& input, const RasterSource& source) {
    const std::uint32_t width = source.Width();
    const std::uint32_t height = source.Height();
    const std::string size = std::to_string(width) + " x " + std::to_string(height);
    if (FindTopLevel(width, height) < 0) {
        return MakeError(PackCode::kTooLarge, input + " is " + size +
                                                  " pixels; a package side can be at most " +
                                                  std::to_string(kMaxImageSide));
    }
    PackageLayout layout = MakePackageLayout(width, height);
    if (!layout.Representable()) {
        return MakeError(PackCode::kTooLarge,
                         input + " is " + size + " pixels, more than a package can index");
    }
    return layout;
}

TargetRules OutputRules(const PackOptions& options, const RasterSource& source) {
    TargetRules rules;
    rules.inputFiles = source.FileList();
    rules.inputFiles.push_back(options.input);
    rules.replaceRegularFile = options.force;
    return rules;
}

PackStatus Checked(const TargetStatus& target) {
    if (!target) {
        return MakeError(PackCode::kOutputRefused, target.message());
    }
    return {};
}

PackStatus CheckOutput(const PackOptions& options, const RasterSource& source) {
    return Checked(CheckOutputTarget(options.output, OutputRules(options, source)));
}

bool WritesSidecar(const PackOptions& options, const RasterSource& source) {
    return options.writeAux && source.SpatialRef() != nullptr;
}

// The sidecar is written or removed under OUTPUT's own rules, checked before the package is
// written so that a refusal leaves nothing. One that is not there and will not be written does
// not matter, whatever its name.
PackStatus CheckSidecar(const PackOptions& options, const RasterSource& source) {
    const std::string sidecar = AuxSidecarPath(options.output);
    if (!WritesSidecar(options, source) && !LinkStatus(sidecar).exists) {
        return {};
    }
    return Checked(CheckOutputTarget(sidecar, OutputRules(options, source)));
}

void NoteLeftOutCoordinateSystem(const PackOptions& options, const PackEnvironment& environment,
                                 const RasterSource& source, const TextSink& say) {
    if (source.SpatialRef() == nullptr || options.writeAux) {
        return;
    }
    const std::string name = source.CoordinateSystemName();
    say(Prefix(environment, kNoteKind) + options.input +
        (name.empty() ? " has a coordinate system without a name" : " is in " + name) +
        "; a package holds no coordinate system, so it is left out\n");
}

PackageWriteOptions WriteOptionsFor(const PackOptions& options, const PackEnvironment& environment,
                                    ProgressDisplay& display, StopRequest& stop) {
    PackageWriteOptions writeOptions;
    writeOptions.lossless = options.lossless;
    writeOptions.quality = options.quality;
    writeOptions.threads = ThreadCount(options.threads);
    writeOptions.progress = [&display](const WriteProgress& progress) { display.Update(progress); };
    writeOptions.writeAt = environment.writeAt;
    writeOptions.existing = options.force ? ExistingTarget::kReplace : ExistingTarget::kKeep;
    writeOptions.cancelled = [&stop] { return stop.Requested(); };
    return writeOptions;
}

// The writer's result, with what it throws as a failure too: its pixels stay within its budget
// (kPixelBudgetBytes) whatever the size, but GDAL and the encoded tiles take memory too. The
// temporary file is removed as the writer unwinds.
PackResultOf<WrittenPackage> RunWriter(const std::string& output, const RasterSource& source,
                                       const RegionSource& regions,
                                       const PackageWriteOptions& writeOptions) {
    try {
        PackageWriteResult written = WritePackage(output, source.Width(), source.Height(),
                                                  source.GeoTransform(), regions, writeOptions);
        if (!written) {
            return MakeError(written.code() == WriteCode::kInterrupted ? PackCode::kInterrupted
                                                                       : PackCode::kWriteFailed,
                             written.message());
        }
        return *written;
    } catch (const std::bad_alloc&) {
        return MakeError(PackCode::kWriteFailed, "not enough memory for rows of " +
                                                     std::to_string(source.Width()) + " pixels");
    } catch (const std::exception& exception) {
        return MakeError(PackCode::kWriteFailed, std::string(exception.what()));
    }
}

PackResultOf<WrittenPackage> WriteFromSource(const PackOptions& options,
                                             const PackEnvironment& environment,
                                             RasterSource& source, ProgressDisplay& display,
                                             StopRequest& stop) {
    RegionFeed feed(source, display, stop);
    const PackResultOf<WrittenPackage> written =
        RunWriter(options.output, source, feed.Source(),
                  WriteOptionsFor(options, environment, display, stop));
    display.End();
    // Once stopped, whatever failed after is the stop's doing.
    if (stop.Stopped() || (!written && written.code() == PackCode::kInterrupted)) {
        return MakeError(PackCode::kInterrupted,
                         "interrupted; " + options.output + " was not written");
    }
    if (!written) {
        return MakeError(written.code(), options.output + " was not written: " + written.message());
    }
    return written;
}

void WarnIfNoTile(const PackOptions& options, const PackEnvironment& environment,
                  const WrittenPackage& written, const TextSink& say) {
    if (written.tilesWritten == 0) {
        say(Prefix(environment, kWarningKind) + options.input +
            " has no valid pixel (all nodata, masked or transparent), so " + options.output +
            " holds no tile\n");
    }
}

// The sidecar only once the package is whole, so a failed pack leaves neither behind. Gives the
// sidecar's path, empty when there is none.
PackResultOf<std::string> WriteSidecar(const PackOptions& options, const RasterSource& source) {
    if (WritesSidecar(options, source)) {
        const ExistingTarget existing =
            options.force ? ExistingTarget::kReplace : ExistingTarget::kKeep;
        if (const PackStatus written =
                WriteAuxSidecar(options.output, source.SpatialRef(), existing);
            !written) {
            return MakeError(written.code(), options.output +
                                                 " was written, its coordinate system was not: " +
                                                 written.message());
        }
        return AuxSidecarPath(options.output);
    }
    if (const PackStatus removed = RemoveStaleAuxSidecar(options.output); !removed) {
        return MakeError(removed.code(), options.output + " was written, but " + removed.message());
    }
    return std::string();
}

std::string Summary(const PackOptions& options, const RasterSource& source,
                    const WrittenPackage& written, const std::string& auxPath, double seconds) {
    PackSummary summary;
    summary.output = options.output;
    summary.width = source.Width();
    summary.height = source.Height();
    summary.levels = written.levels;
    summary.tilesWritten = written.tilesWritten;
    summary.bytes = written.bytesWritten;
    summary.seconds = seconds;
    summary.auxPath = auxPath;
    return FormatSummary(summary);
}

// The pack of an input, opened from its path when `dataset` is null.
PackResult Pack(const PackOptions& options, GDALDatasetH dataset,
                const PackEnvironment& environment) {
    // GDAL's messages are read back (CPLGetLastErrorMsg) into the results, never printed.
    const CPLErrorHandlerPusher quiet(CPLQuietErrorHandler);
    const TextSink say = StderrOf(environment);
    StopRequest stop(environment.interrupted);

    const PackResultOf<std::unique_ptr<RasterSource>> opened =
        OpenInput(options, environment, dataset);
    if (!opened) {
        return opened.error();
    }
    RasterSource& source = **opened;
    for (const std::string& note : source.Notes()) {
        say(Prefix(environment, kNoteKind) + note + "\n");
    }
    const PackResultOf<PackageLayout> layout = CheckSize(options.input, source);
    if (!layout) {
        return layout.error();
    }
    if (const PackStatus target = CheckOutput(options, source); !target) {
        return target.error();
    }
    if (const PackStatus sidecar = CheckSidecar(options, source); !sidecar) {
        return sidecar.error();
    }
    NoteLeftOutCoordinateSystem(options, environment, source, say);

    ProgressDisplay display(say, environment.terminal, WorkOf(*layout));
    display.SetShareSink(environment.progress);
    const PackResultOf<WrittenPackage> written =
        WriteFromSource(options, environment, source, display, stop);
    if (!written) {
        return written.error();
    }
    WarnIfNoTile(options, environment, *written, say);
    const PackResultOf<std::string> auxPath = WriteSidecar(options, source);
    if (!auxPath) {
        return auxPath.error();
    }
    return PackReport{Summary(options, source, *written, *auxPath, display.Seconds())};
}

}  // namespace

PackResult RunPack(const PackOptions& options, const PackEnvironment& environment) {
    return Pack(options, nullptr, environment);
}

PackResult PackDataset(GDALDatasetH dataset, const PackOptions& options,
                       const PackEnvironment& environment) {
    return Pack(options, dataset, environment);
}
