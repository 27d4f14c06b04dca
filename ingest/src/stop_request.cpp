#include "stop_request.h"

bool StopRequest::Requested() {
    if (!stopped_ && asked_) {
        const std::lock_guard<std::mutex> lock(askMutex_);
        if (asked_()) {
            stopped_ = true;
        }
    }
    return stopped_;
}
