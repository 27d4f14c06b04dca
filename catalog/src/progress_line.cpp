#include "progress_line.h"

#include <cstdio>

namespace {
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
// What a shorter line leaves of a longer one is cleared.
constexpr char kClearToEnd[] = "\x1b[K";
}  // namespace

ProgressLine::ProgressLine(std::size_t total, Clock::time_point start)
    : total_(total), start_(start) {}

std::string ProgressLine::Update(std::size_t done, Clock::time_point now) {
    if (drawn_ && done < total_ && now - lastDrawn_ < kRedrawInterval)
        return {};
    drawn_ = true;
    lastDrawn_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0.0;
    char line[96];
    std::snprintf(line, sizeof line, "\r%zu/%zu files, %.1f files/s%s", done, total_, rate,
                  kClearToEnd);
    return line;
}

std::string ProgressLine::Finish() const {
    return drawn_ ? "\n" : "";
}
