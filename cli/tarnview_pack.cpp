// tarnview-pack: makes a QVRMP package from any raster GDAL opens.
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "interrupt_flag.h"
#include "pack_command.h"
#include "pack_options.h"

int main(int argc, char** argv) {
    const ParsedPackArguments parsed =
        ParsePackArguments(std::vector<std::string>(argv + 1, argv + argc));
    switch (parsed.request) {
        case PackRequest::kHelp:
            std::fputs(kPackUsage, stdout);
            return kExitSuccess;
        case PackRequest::kVersion:
            std::puts(kPackVersion.c_str());
            return kExitSuccess;
        case PackRequest::kUsageError:
            std::fprintf(stderr, "tarnview-pack: %s\n%s", parsed.errorText.c_str(), kPackUsage);
            return kExitUsage;
        case PackRequest::kPack:
            break;
    }

    InstallInterruptHandlers();
    PackEnvironment environment;
    environment.writeError = [](const std::string& text) {
        std::fputs(text.c_str(), stderr);
        std::fflush(stderr);
    };
    environment.terminal = ::isatty(STDERR_FILENO) != 0;
    environment.interrupted = InterruptRequested;
    const PackOutcome outcome = RunPack(parsed.options, environment);
    std::fprintf(stderr, outcome.exitCode == kExitSuccess ? "%s\n" : "tarnview-pack: %s\n",
                 outcome.message.c_str());
    return outcome.exitCode;
}
