#include "progress_display.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kBarWidth = 30;
constexpr double kPercent = 100.0;
constexpr double kRgbBytesPerPixel = 3.0;  // the uncompressed size the ratio is measured against
constexpr int kSecondsPerMinute = 60;
constexpr int kSecondsPerHour = 3600;
constexpr auto kRedrawInterval = std::chrono::milliseconds(250);

}  // namespace

std::string FormatElapsed(double seconds) {
    const long total = seconds > 0 ? static_cast<long>(seconds) : 0;
    char text[32];
    if (total >= kSecondsPerHour) {
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / kSecondsPerHour,
                      total % kSecondsPerHour / kSecondsPerMinute, total % kSecondsPerMinute);
    } else {
        std::snprintf(text, sizeof text, "%ld:%02ld", total / kSecondsPerMinute,
                      total % kSecondsPerMinute);
    }
    return text;
}

std::string FormatProgressBar(const WriteProgress& progress, int levelCount, double seconds) {
    const double fraction = progress.tilesTotal == 0 ? 0.0
                                                     : static_cast<double>(progress.tilesDone) /
                                                           static_cast<double>(progress.tilesTotal);
    const int filled = std::clamp(static_cast<int>(fraction * kBarWidth), 0, kBarWidth);
    std::string bar(1, '[');
    bar.append(static_cast<std::size_t>(filled), '#');
    bar.append(static_cast<std::size_t>(kBarWidth - filled), '-');
    bar += ']';
    char text[160];
    std::snprintf(text, sizeof text, "%s %3d%%  level %d/%d  tiles %llu/%llu  %s", bar.c_str(),
                  static_cast<int>(fraction * kPercent), progress.level + 1, levelCount,
                  static_cast<unsigned long long>(progress.tilesDone),
                  static_cast<unsigned long long>(progress.tilesTotal),
                  FormatElapsed(seconds).c_str());
    return text;
}

std::string FormatSummary(const PackSummary& summary) {
    const double raw = static_cast<double>(summary.width) * summary.height * kRgbBytesPerPixel;
    const double ratio = raw > 0 ? static_cast<double>(summary.bytes) * kPercent / raw : 0.0;
    char text[256];
    std::snprintf(text, sizeof text,
                  ": %u x %u pixels, %d level%s, %llu tiles written, %llu bytes (%.2f%% of 24-bit "
                  "RGB), %.1f s",
                  summary.width, summary.height, summary.levels, summary.levels == 1 ? "" : "s",
                  static_cast<unsigned long long>(summary.tilesWritten),
                  static_cast<unsigned long long>(summary.bytes), ratio, summary.seconds);
    std::string line = summary.output + text;
    if (!summary.auxPath.empty()) {
        line += ", coordinate system in " + summary.auxPath;
    }
    return line;
}

ProgressDisplay::ProgressDisplay(std::function<void(const std::string&)> write, bool terminal,
                                 int levelCount)
    : write_(std::move(write)),
      terminal_(terminal),
      levelCount_(levelCount),
      start_(Clock::now()),
      lastDraw_(start_) {}

double ProgressDisplay::Seconds() const {
    return std::chrono::duration<double>(Clock::now() - start_).count();
}

void ProgressDisplay::Update(const WriteProgress& progress) {
    last_ = progress;
    if (terminal_) {
        Draw();
    }
}

void ProgressDisplay::Tick() {
    if (terminal_ && Clock::now() - lastDraw_ >= kRedrawInterval) {
        Draw();
    }
}

void ProgressDisplay::Draw() {
    // Carriage return and erase to the end of the line, so a shorter line leaves no tail.
    std::string line = FormatProgressBar(last_, levelCount_, Seconds());
    line.insert(line.begin(), '\r');
    line += "\x1b[K";
    write_(line);
    lastDraw_ = Clock::now();
    drawn_ = true;
}

void ProgressDisplay::End() {
    if (drawn_) {
        write_("\n");
        drawn_ = false;
    }
}
