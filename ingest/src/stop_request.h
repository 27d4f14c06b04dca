// Whether a pack should stop: the user is asked through the environment, and once the answer is
// yes the run stays stopped. The writer's encoding threads ask too, so the asking is serialised.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <utility>

class StopRequest {
  public:
    // `asked` says whether the user wants the run to stop; empty: never.
    explicit StopRequest(std::function<bool()> asked) : asked_(std::move(asked)) {}
    StopRequest(const StopRequest&) = delete;
    StopRequest& operator=(const StopRequest&) = delete;

    // Asks the user, unless the run has already been stopped.
    bool Requested();
    // Whether the run has been stopped, without asking again.
    bool Stopped() const { return stopped_; }

  private:
    std::function<bool()> asked_;
    std::atomic<bool> stopped_{false};
    std::mutex askMutex_;
};
