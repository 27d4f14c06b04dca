#include "catalog_run.h"

#include <algorithm>
#include <charconv>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "catalog_entry.h"
#include "ordered_pipeline.h"
#include "progress_line.h"
#include "stac_output.h"

namespace {

// "30", "0.2": the notice's limit in seconds, as short as it can be written.
std::string Seconds(std::chrono::milliseconds limit) {
    char text[32];
    const double seconds = static_cast<double>(limit.count()) / 1000.0;
    return std::string(text, std::to_chars(text, text + sizeof text, seconds).ptr);
}

// Writes `bytes` unless an earlier write failed; false once one has.
bool Write(const CatalogStreams& streams, const std::string& bytes, CatalogOutcome& outcome) {
    if (outcome.writeError == 0 && !bytes.empty())
        outcome.writeError = streams.output(bytes);
    return outcome.writeError == 0;
}

constexpr std::chrono::milliseconds kSlowFileCheck{250};

// Names, on the notice stream, each file that has been read for longer than the request allows.
class SlowFileWatch {
  public:
    SlowFileWatch(const CatalogRequest& request, const CatalogStreams& streams) {
        if (!streams.notice)
            return;
        watcher_ = std::jthread([this, &request, &streams](std::stop_token stop) {
            std::unique_lock lock(mutex_);
            // Wakes every check interval, and at once when the run is over.
            while (!stop.stop_requested()) {
                wake_.wait_for(lock, stop, kSlowFileCheck, [] { return false; });
                for (const std::string& path : CatalogFilesInFlight().NewlySlow(
                         FilesInFlight::Clock::now(), request.slowFileNotice)) {
                    const std::string line = "still reading " + path + " after " +
                                             Seconds(request.slowFileNotice) + " s\n";
                    streams.notice(line);
                }
            }
        });
    }

  private:
    std::mutex mutex_;
    std::condition_variable_any wake_;
    std::jthread watcher_;  // last: stopped and joined before the rest goes
};

}  // namespace

CatalogOutcome RunCatalog(const CatalogRequest& request, const CatalogStreams& streams) {
    const std::size_t count = request.entries.size();
    CatalogOutcome outcome;
    std::optional<ProgressLine> progress;
    if (streams.progress && count > 1)
        progress.emplace(count, ProgressLine::Clock::now());

    // Shared with the work, which may outlive the run for a file given up on.
    const auto ids = std::make_shared<const std::vector<std::string>>(
        request.stac ? StacItemIds(request.entries) : std::vector<std::string>());
    const auto render = [ids, stac = request.stac, format = request.format,
                         inList = request.inList](GatheredEntry&& gathered, std::size_t index) {
        if (stac)
            return RenderStacEntry(gathered, (*ids)[index], format);
        return RenderEntry(std::move(gathered), format, inList);
    };
    if (!Write(streams,
               request.stac ? StacOpening(request.format)
                            : ListOpening(request.format, request.inList, count == 0),
               outcome))
        return outcome;
    const SlowFileWatch watch(request, streams);
    // A file given up on is still being read when the run ends: its work holds copies of all it
    // uses, and the slot naming it is only reused 256 files later.
    const std::vector<CatalogEntry>* entries = &request.entries;
    const ItemWork work = [entries, render](std::size_t index) {
        const CatalogEntry entry = (*entries)[index];
        const std::size_t slot = index % kMaxCatalogJobs;
        // The slot names the request's own path, which outlives this copy: the watch may read the
        // name just after the file is done.
        CatalogFilesInFlight().Begin(slot, (*entries)[index].path.c_str(),
                                     FilesInFlight::Clock::now());
        GatheredEntry gathered = GatherEntry(entry);
        CatalogFilesInFlight().End(slot);
        return render(std::move(gathered), index);
    };
    ItemTimeLimit timeLimit;
    timeLimit.limit = request.fileTimeLimit;
    timeLimit.givenUp = [&](std::size_t index) {
        GatheredEntry gathered{request.entries[index].path, {}};
        gathered.facts.path = gathered.path;
        gathered.facts.error =
            "still not read after " + Seconds(request.fileTimeLimit) + " s; given up";
        return render(std::move(gathered), index);
    };
    std::size_t written = 0;  // entries that gave text
    const ItemDelivery deliver = [&](std::size_t index, RenderedEntry&& result) {
        if (written > 0 && !result.text.empty() &&
            !Write(streams,
                   request.stac ? StacSeparator(request.format)
                                : ListSeparator(request.format, request.inList),
                   outcome))
            return false;
        if (!Write(streams, result.text, outcome))
            return false;
        written += result.text.empty() ? 0 : 1;
        ++outcome.files;
        if (!result.notice.empty() && streams.notice)
            streams.notice(result.notice);
        if (result.failed)
            ++outcome.failed;
        if (progress) {
            const std::string line = progress->Update(index + 1, ProgressLine::Clock::now());
            if (!line.empty())
                streams.progress(line);
        }
        return true;
    };
    RunInOrder(count, request.jobs, work, deliver, timeLimit);
    Write(streams,
          request.stac ? StacClosing(request.format)
                       : ListClosing(request.format, request.inList, count == 0),
          outcome);
    if (progress)
        streams.progress(progress->Finish());
    return outcome;
}
