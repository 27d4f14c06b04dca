// tarnview-info: the report of a raster or package in a terminal, as JSON for scripts, or the
// thumbnail of a package as a PNG; the reports of many files at once as a catalogue.
#include <gdal.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "catalog_run.h"
#include "files_in_flight.h"
#include "info_options.h"
#include "json_report.h"
#include "output_file.h"
#include "path_list.h"
#include "program_output.h"
#include "regular_files_only.h"
#include "report.h"
#include "terminal_text.h"
#include "text_helpers.h"
#include "thumbnail_export.h"

namespace {

constexpr char kProgram[] = "tarnview-info";

// A line for stderr: the program's name, then the message as valid UTF-8.
void WriteMessage(std::string_view kind, std::string_view message) {
    WriteText(stderr, std::string(kProgram) + ": " + std::string(kind) + ValidUtf8(message) + "\n");
}

int PrintText(const FileFacts& facts, bool crlf) {
    const Report report = RenderReport(facts);
    WriteText(report.failed ? stderr : stdout, TerminalText(report.text, crlf));
    return report.failed ? kExitFailure : kExitSuccess;
}

int PrintJson(const FileFacts& facts, bool compact) {
    WriteJsonReport(facts, compact, [](std::string_view piece) { WriteText(stdout, piece); });
    WriteText(stdout, "\n");
    return facts.Failed() ? kExitFailure : kExitSuccess;
}

int WriteThumbnail(const InfoOptions& options) {
    // Whatever its name: the package reader knows a package by its content, as file managers do.
    const std::string& path = options.paths.front();
    const PreviewResult<ExportedThumbnail> exported =
        ExportThumbnail(path, *options.thumbnailOut, options.thumbnailKind, options.thumbnailSize);
    if (!exported) {
        WriteMessage("", exported.message());
        return kExitFailure;
    }
    if (!exported->warning.empty())
        WriteMessage("warning: ", exported->warning);
    return kExitSuccess;
}

CatalogFormat FormatOf(const InfoOptions& options) {
    if (options.jsonl)
        return CatalogFormat::kJsonLines;
    if (options.json || options.stac)
        return options.compact ? CatalogFormat::kJsonCompact : CatalogFormat::kJson;
    return CatalogFormat::kText;
}

int RunCatalogue(const InfoOptions& options) {
    std::vector<std::string> given = options.paths;
    if (options.filesFrom) {
        const auto list = ReadPathList(*options.filesFrom, options.nulSeparated);
        if (!list) {
            WriteText(stderr, std::string(kProgram) + ": " + list.message() + "\n");
            return kExitFailure;
        }
        given.insert(given.end(), list->begin(), list->end());
    }
    CatalogRequest request;
    request.entries = ExpandPaths(given, options.recursive);
    request.format = FormatOf(options);
    request.inList = options.inList;
    request.stac = options.stac;
    request.jobs =
        options.jobsGiven ? options.jobs : DefaultCatalogJobs(request.entries, options.jobs);
    CatalogStreams streams;
    // Each piece goes out at once, so that what was reported survives a crash of a later file,
    // and the first write that fails ends the run with the system's reason.
    streams.output = [](std::string_view text) { return WriteNow(STDOUT_FILENO, text); };
    streams.notice = [](std::string_view text) {
        WriteText(stderr, std::string(kProgram) + ": ");
        WriteText(stderr, text);
    };
    NameFilesInFlightOnCrash(kProgram);
    if (::isatty(STDERR_FILENO) != 0) {
        streams.progress = [](std::string_view text) {
            WriteText(stderr, text);
            std::fflush(stderr);
        };
    }
    const CatalogOutcome outcome = RunCatalog(request, streams);
    if (outcome.writeError != 0) {
        WriteMessage("",
                     std::string("cannot write the output: ") + std::strerror(outcome.writeError));
        return kExitFailure;
    }
    return outcome.failed == 0 ? kExitSuccess : kExitFailure;
}

int Run(int argc, char** argv) {
    const int processors = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    const ParsedCommandLine<InfoOptions> parsed = ParseInfoOptions(argc, argv, processors);
    if (const std::optional<int> answered = AnswerWithoutRunning(parsed, kProgram))
        return *answered;
    const InfoOptions& options = parsed.options;
    GDALAllRegister();
    OpenOnlyRegularFilesInGdal();
    if (options.thumbnailOut) {
        RemoveTemporaryFilesOnSignals();
        return WriteThumbnail(options);
    }
    if (options.catalogue)
        return RunCatalogue(options);
    const std::string& path = options.paths.front();
    if (options.json)
        return PrintJson(GatherFileFacts(path), options.compact);
    return PrintText(GatherFileFacts(path, nullptr, FactsScope::kTextReport), options.crlf);
}

}  // namespace

int main(int argc, char** argv) {
    EndProcess(FinishOutput(kProgram, Run(argc, argv)));
}
