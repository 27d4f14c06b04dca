// What tarnview-pack shows while it works: a progress bar redrawn in place when stderr is a
// terminal, and the summary line of a finished package.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "package_layout.h"
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

// The work of a whole pack, known before it starts, counted in pixels: every input pixel read and
// every pixel of every level encoded.
struct PackWork {
    int levelCount = 0;
    std::uint64_t tilesTotal = 0;
    std::uint64_t pixelsToRead = 0;
    std::uint64_t pixelsToEncode = 0;
};

PackWork WorkOf(const PackageLayout& layout);

// How far a pack has come.
struct PackProgress {
    int level = 0;  // the level last worked on
    std::uint64_t tilesDone = 0;
    std::uint64_t pixelsRead = 0;
    std::uint64_t pixelsEncoded = 0;
};

// The share of the work done, 0 to 1.
double DoneFraction(const PackWork& work, const PackProgress& progress);

// "[##########--------------------]  34%  level 3/6  tiles 120/343  0:07, about 0:14 left"
// `fraction` is the share done; no time left is guessed before a second has passed.
std::string FormatProgressBar(const PackWork& work, const PackProgress& progress, double fraction,
                              double seconds);

// "out.qvrmp: 20000 x 20000 pixels, 5 levels, 130 tiles written, 51234567 bytes (23.4x smaller
// than 24-bit RGB), 12.3 s, coordinate system in out.qvrmp.aux.xml"
std::string FormatSummary(const PackSummary& summary);

// Elapsed time as m:ss, or h:mm:ss from an hour on.
std::string FormatElapsed(double seconds);

class ProgressDisplay {
  public:
    using Clock = std::chrono::steady_clock;

    // `write` receives the text to put on stderr. Without a terminal nothing is drawn.
    ProgressDisplay(std::function<void(const std::string&)> write, bool terminal, PackWork work);

    // `sink` is told the share done each time it moves; empty: no one is.
    void SetShareSink(std::function<void(double)> sink) { shareSink_ = std::move(sink); }

    // The writer encoded a strip or finished a tile row.
    void Update(const WriteProgress& progress);
    // Input pixels read so far; redraws now and then.
    void Read(std::uint64_t pixelsRead);
    // Ends the bar's line, if one is drawn, so that the summary or an error starts a line.
    void End();

    double Seconds() const;

  private:
    void Draw(bool now);
    void TellShare();

    std::function<void(const std::string&)> write_;
    std::function<void(double)> shareSink_;
    double toldShare_ = 0;
    bool terminal_ = false;
    PackWork work_;
    PackProgress progress_;
    double shownFraction_ = 0;  // never goes back
    Clock::time_point start_;
    Clock::time_point lastDraw_;
    bool drawn_ = false;
};
