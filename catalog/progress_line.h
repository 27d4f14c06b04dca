// The progress line of a long catalogue: "DONE/TOTAL files, RATE files/s", redrawn in place.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>

class ProgressLine {
  public:
    using Clock = std::chrono::steady_clock;

    ProgressLine(std::size_t total, Clock::time_point start);

    // The line to draw after `done` files, starting with a carriage return and clearing what a
    // longer line left; empty while the last line is younger than the redraw interval (the last
    // file always draws).
    std::string Update(std::size_t done, Clock::time_point now);

    // Ends the line so that what follows starts on a line of its own.
    std::string Finish() const;

  private:
    std::size_t total_;
    Clock::time_point start_;
    Clock::time_point lastDrawn_;
    bool drawn_ = false;
};
