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
constexpr double kSecondsBeforeGuessing = 1.0;

// "1 tile", "2 tiles"
std::string Counted(std::uint64_t count, const char* singular, const char* plural) {
    return std::to_string(count) + " " + (count == 1 ? singular : plural);
}

// "5.3x smaller", "1.2x larger", "the same size as"
std::string Ratio(double bytes, double raw) {
    char text[64];
    if (bytes > 0 && raw > bytes) {
        std::snprintf(text, sizeof text, "%.1fx smaller than", raw / bytes);
    } else if (raw > 0 && bytes > raw) {
        std::snprintf(text, sizeof text, "%.1fx larger than", bytes / raw);
    } else {
        std::snprintf(text, sizeof text, "the same size as");
    }
    return text;
}

}  // namespace

PackWork WorkOf(const PackageLayout& layout) {
    PackWork work;
    work.levelCount = layout.LevelCount();
    work.tilesTotal = layout.entryCount;
    for (int level = 0; level < layout.LevelCount(); ++level) {
        work.pixelsToEncode += std::uint64_t{layout.levelWidth[level]} * layout.levelHeight[level];
    }
    work.pixelsToRead = std::uint64_t{layout.width} * layout.height;
    return work;
}

double DoneFraction(const PackWork& work, const PackProgress& progress) {
    const double total = static_cast<double>(work.pixelsToRead + work.pixelsToEncode);
    if (!(total > 0)) {
        return 0;
    }
    const double done = static_cast<double>(std::min(progress.pixelsRead, work.pixelsToRead) +
                                            std::min(progress.pixelsEncoded, work.pixelsToEncode));
    return std::clamp(done / total, 0.0, 1.0);
}

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

std::string FormatProgressBar(const PackWork& work, const PackProgress& progress, double fraction,
                              double seconds) {
    const int filled = std::clamp(static_cast<int>(fraction * kBarWidth), 0, kBarWidth);
    std::string bar(1, '[');
    bar.append(static_cast<std::size_t>(filled), '#');
    bar.append(static_cast<std::size_t>(kBarWidth - filled), '-');
    bar += ']';
    char text[200];
    std::snprintf(text, sizeof text, "%s %3d%%  level %d/%d  tiles %llu/%llu  %s", bar.c_str(),
                  static_cast<int>(fraction * kPercent), progress.level + 1, work.levelCount,
                  static_cast<unsigned long long>(progress.tilesDone),
                  static_cast<unsigned long long>(work.tilesTotal), FormatElapsed(seconds).c_str());
    std::string line = text;
    if (fraction > 0 && fraction < 1 && seconds >= kSecondsBeforeGuessing) {
        line += ", about " + FormatElapsed(seconds * (1 - fraction) / fraction) + " left";
    }
    return line;
}

std::string FormatSummary(const PackSummary& summary) {
    const double raw = static_cast<double>(summary.width) * summary.height * kRgbBytesPerPixel;
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f s", summary.seconds);
    std::string line = summary.output + ": " + std::to_string(summary.width) + " x " +
                       std::to_string(summary.height) + " pixels, " +
                       Counted(static_cast<std::uint64_t>(summary.levels), "level", "levels") +
                       ", " + Counted(summary.tilesWritten, "tile", "tiles") + " written, " +
                       Counted(summary.bytes, "byte", "bytes") + " (" +
                       Ratio(static_cast<double>(summary.bytes), raw) + " 24-bit RGB), " + seconds;
    if (!summary.auxPath.empty()) {
        line += ", coordinate system in " + summary.auxPath;
    }
    return line;
}

ProgressDisplay::ProgressDisplay(std::function<void(const std::string&)> write, bool terminal,
                                 PackWork work)
    : write_(std::move(write)),
      terminal_(terminal),
      work_(work),
      start_(Clock::now()),
      lastDraw_(start_) {}

double ProgressDisplay::Seconds() const {
    return std::chrono::duration<double>(Clock::now() - start_).count();
}

void ProgressDisplay::Update(const WriteProgress& progress) {
    progress_.level = progress.level;
    progress_.tilesDone = std::max(progress_.tilesDone, progress.tilesDone);
    progress_.pixelsEncoded = std::max(progress_.pixelsEncoded, progress.pixelsDone);
    TellShare();
    Draw(progress.tilesDone == work_.tilesTotal || !drawn_);
}

void ProgressDisplay::Read(std::uint64_t pixelsRead) {
    progress_.pixelsRead = std::max(progress_.pixelsRead, pixelsRead);
    TellShare();
    Draw(false);
}

void ProgressDisplay::TellShare() {
    if (!shareSink_) {
        return;
    }
    const double share = DoneFraction(work_, progress_);
    if (share > toldShare_) {
        toldShare_ = share;
        shareSink_(share);
    }
}

void ProgressDisplay::Draw(bool now) {
    if (!terminal_ || (!now && Clock::now() - lastDraw_ < kRedrawInterval)) {
        return;
    }
    shownFraction_ = std::max(shownFraction_, DoneFraction(work_, progress_));
    // Carriage return and erase to the end of the line, so a shorter line leaves no tail.
    std::string line = FormatProgressBar(work_, progress_, shownFraction_, Seconds());
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
