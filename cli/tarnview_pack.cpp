// tarnview-pack: makes a QVRMP package from any raster GDAL opens.
#include <gdal.h>
#include <unistd.h>

#include <string>

#include "interrupt_flag.h"
#include "pack_command.h"
#include "pack_command_line.h"
#include "program_output.h"

namespace {

constexpr char kProgram[] = "tarnview-pack";

int Run(int argc, char** argv) {
    const ParsedCommandLine<PackOptions> parsed = ParsePackOptions(argc, argv);
    if (const std::optional<int> answered = AnswerWithoutRunning(parsed, kProgram))
        return *answered;

    GDALAllRegister();
    InstallInterruptHandlers();
    PackEnvironment environment;
    environment.writeError = [](const std::string& text) {
        WriteText(stderr, text);
        std::fflush(stderr);
    };
    environment.terminal = ::isatty(STDERR_FILENO) != 0;
    environment.interrupted = InterruptRequested;
    const PackOutcome outcome = RunPack(parsed.options, environment);
    const std::string prefix =
        outcome.exitCode == kPackSucceeded ? "" : std::string(kProgram) + ": ";
    WriteText(stderr, prefix + outcome.message + "\n");
    return outcome.exitCode;
}

}  // namespace

int main(int argc, char** argv) {
    return FinishOutput(kProgram, Run(argc, argv));
}
