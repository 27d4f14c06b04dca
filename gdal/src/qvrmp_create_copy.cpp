#include "qvrmp_create_copy.h"

#include <cpl_error.h>

#include <atomic>
#include <string>
#include <vector>

#include "pack_command.h"
#include "qvrmp_creation_options.h"

namespace {

constexpr char kProgram[] = "QVRMP";
constexpr double kDone = 1.0;

// The engine's notes and warnings, one line each, without the line end.
void KeepLines(const std::string& text, std::vector<std::string>& lines) {
    std::string line = text;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.pop_back();
    }
    if (!line.empty()) {
        lines.push_back(line);
    }
}

}  // namespace

bool PackFromDataset(GDALDataset* source, const PackOptions& options, GDALProgressFunc progress,
                     void* progressData) {
    if (progress == nullptr) {
        progress = GDALDummyProgress;
    }
    // Set where progress is told, read by the engine's encoding threads too.
    std::atomic<bool> cancelled{progress(0, nullptr, progressData) == FALSE};
    std::vector<std::string> notes;
    PackEnvironment environment;
    environment.program = kProgram;
    environment.bandsOption = BandsOptionName();
    environment.writeError = [&notes](const std::string& text) { KeepLines(text, notes); };
    environment.interrupted = [&cancelled] { return cancelled.load(); };
    environment.progress = [&](double share) {
        if (!cancelled && progress(share, nullptr, progressData) == FALSE) {
            cancelled = true;
        }
    };
    const PackResult packed =
        cancelled ? PackResult(MakeError(PackCode::kInterrupted, ""))
                  : PackDataset(GDALDataset::ToHandle(source), options, environment);
    // The engine keeps GDAL quiet while it runs; what it said is said now.
    for (const std::string& note : notes) {
        CPLError(CE_Warning, CPLE_AppDefined, "%s", note.c_str());
    }
    if (!packed) {
        if (cancelled) {
            CPLError(CE_Failure, CPLE_UserInterrupt, "%s: cancelled; %s was not written", kProgram,
                     options.output.c_str());
        } else {
            CPLError(CE_Failure, CPLE_AppDefined, "%s: %s", kProgram, packed.message().c_str());
        }
        return false;
    }
    CPLDebug(kProgram, "%s", packed->summary.c_str());
    progress(kDone, nullptr, progressData);
    return true;
}

GDALDataset* QvrmpCreateCopy(const char* path, GDALDataset* source, int /*strict*/, char** options,
                             GDALProgressFunc progress, void* progressData) {
    const Result<PackOptions, CreationOptionCode> packOptions =
        ReadCreationOptions(source->GetDescription(), path, options);
    if (!packOptions) {
        CPLError(CE_Failure, CPLE_IllegalArg, "%s: %s", kProgram, packOptions.message().c_str());
        return nullptr;
    }
    if (!PackFromDataset(source, *packOptions, progress, progressData)) {
        return nullptr;
    }
    const char* const drivers[] = {kProgram, nullptr};
    return GDALDataset::Open(path, GDAL_OF_RASTER | GDAL_OF_READONLY | GDAL_OF_VERBOSE_ERROR,
                             drivers);
}
