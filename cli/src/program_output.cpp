#include "program_output.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

bool WriteText(std::FILE* stream, std::string_view text) {
    return std::fwrite(text.data(), 1, text.size(), stream) == text.size();
}

int WriteNow(int descriptor, std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = ::write(descriptor, text.data(), text.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return written < 0 ? errno : EIO;
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

int FinishOutput(const char* program, int exitCode) {
    errno = 0;
    const bool failedBefore = std::ferror(stdout) != 0;
    const bool flushed = std::fflush(stdout) == 0;
    const int flushError = errno;
    const bool closed = std::fclose(stdout) == 0;
    const int closeError = errno;
    if (!failedBefore && flushed && closed) {
        return exitCode;
    }
    const int error = flushError != 0 ? flushError : closeError;
    std::fprintf(stderr, "%s: cannot write the output: %s\n", program,
                 error != 0 ? std::strerror(error) : "write error");
    return kExitFailure;
}

void EndProcess(int exitCode) {
    std::fflush(stderr);
    std::_Exit(exitCode);
}
