// tarnview-pack: makes a QVRMP package from any raster GDAL opens.
#include <cpl_conv.h>
#include <gdal.h>
#include <unistd.h>

#include <string>

#include "interrupt_flag.h"
#include "pack_command.h"
#include "pack_command_line.h"
#include "program_output.h"

namespace {

constexpr char kProgram[] = "tarnview-pack";

// Every failure, an interruption included, exits with kExitFailure.
int ExitCodeOf(const PackResult& result) {
    return result ? kExitSuccess : kExitFailure;
}

int Run(int argc, char** argv) {
    const ParsedCommandLine<PackOptions> parsed = ParsePackOptions(argc, argv);
    if (const std::optional<int> answered = AnswerWithoutRunning(parsed, kProgram))
        return *answered;

    GDALAllRegister();
    // Rows are read once, top to bottom, so GDAL's block cache only has to hold about one strip
    // of the input; its default (a share of the machine's memory) would not keep memory bounded.
    if (CPLGetConfigOption("GDAL_CACHEMAX", nullptr) == nullptr)
        GDALSetCacheMax64(kPackReadCacheBytes);
    InstallInterruptHandlers();
    PackEnvironment environment;
    environment.writeError = [](const std::string& text) {
        WriteText(stderr, text);
        std::fflush(stderr);
    };
    environment.terminal = ::isatty(STDERR_FILENO) != 0;
    environment.interrupted = InterruptRequested;
    const PackResult result = RunPack(parsed.options, environment);
    WriteText(stderr, result ? result->summary + "\n"
                             : std::string(kProgram) + ": " + result.message() + "\n");
    return ExitCodeOf(result);
}

}  // namespace

int main(int argc, char** argv) {
    return FinishOutput(kProgram, Run(argc, argv));
}
