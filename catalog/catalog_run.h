// A whole catalogue: the entries gathered in parallel, written in input order, with progress.
#pragma once

#include <string>

#include <chrono>
#include <functional>
#include <string_view>
#include <vector>

#include "entry_output.h"
#include "files_in_flight.h"
#include "path_list.h"

struct CatalogRequest {
    std::vector<CatalogEntry> entries;
    CatalogFormat format = CatalogFormat::kText;
    bool inList = true;  // text headers, a JSON array
    bool stac = false;   // STAC Items (kJsonLines, or a collection in the JSON forms)
    int jobs = 1;        // up to kMaxCatalogJobs
    // A file read for longer than this is named on the notice stream, once.
    std::chrono::milliseconds slowFileNotice = std::chrono::seconds(30);
    // A file read for longer than this is given up on: its entry is an error, and the run goes
    // on without waiting for it.
    std::chrono::milliseconds fileTimeLimit = std::chrono::minutes(5);
};

struct CatalogStreams {
    // The entries, in order; returns 0, or the system's error number when the text was not
    // written, which ends the run.
    std::function<int(std::string_view)> output;
    std::function<void(std::string_view)> progress;  // the progress line; none when empty
    std::function<void(std::string_view)> notice;    // lines about the run; none when empty
};

struct CatalogOutcome {
    std::size_t files = 0;   // the files reported
    std::size_t failed = 0;  // of those, the files that could not be read
    int writeError = 0;      // the output's error number when a write failed; 0 otherwise
};

// Gathers every entry (GDAL must be registered) on `jobs` threads and writes them in order.
CatalogOutcome RunCatalog(const CatalogRequest& request, const CatalogStreams& streams);
