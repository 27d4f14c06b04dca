// What tarnview-pack shows while it works: a progress bar redrawn in place when stderr is a
// terminal, and the summary line of a finished package.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "package_writer.h"

struct PackSummary {
    std::string output;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int levels = 0;
    std::uint64_t tilesWritten = 0;
    std::uint64_t bytes = 0;
    double seconds = 0;
    std::string auxPath;  // the sidecar holding the coordinate system; empty when none was written
};

// "[#######-------------]  35%  level 2/6  tiles 120/343  0:07"
std::string FormatProgressBar(const WriteProgress& progress, int levelCount, double seconds);

// "out.qvrmp: 20000 x 20000 pixels, 5 levels, 130 tiles written, 51234567 bytes (4.27% of
// 24-bit RGB), 12.3 s, coordinate system in out.qvrmp.aux.xml"
std::string FormatSummary(const PackSummary& summary);

// Elapsed time as m:ss, or h:mm:ss from an hour on.
std::string FormatElapsed(double seconds);

class ProgressDisplay {
  public:
    using Clock = std::chrono::steady_clock;

    // `write` receives the text to put on stderr. Without a terminal nothing is drawn.
    ProgressDisplay(std::function<void(const std::string&)> write, bool terminal, int levelCount);

    // The writer finished a tile row.
    void Update(const WriteProgress& progress);
    // Time passes (a band was read); redraws the elapsed time now and then.
    void Tick();
    // Ends the bar's line, if one is drawn, so that the summary or an error starts a line.
    void End();

    double Seconds() const;

  private:
    void Draw();

    std::function<void(const std::string&)> write_;
    bool terminal_ = false;
    int levelCount_ = 0;
    WriteProgress last_;
    Clock::time_point start_;
    Clock::time_point lastDraw_;
    bool drawn_ = false;
};
