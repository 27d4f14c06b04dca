#include "catalog_run.h"

#include <optional>

#include "catalog_entry.h"
#include "ordered_pipeline.h"
#include "progress_line.h"

namespace {

void Write(const CatalogStreams& streams, const QByteArray& bytes) {
    if (!bytes.isEmpty())
        streams.output(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

}  // namespace

CatalogOutcome RunCatalog(const CatalogRequest& request, const CatalogStreams& streams) {
    const std::size_t count = request.entries.size();
    CatalogOutcome outcome;
    outcome.files = count;
    std::optional<ProgressLine> progress;
    if (streams.progress && count > 1)
        progress.emplace(count, ProgressLine::Clock::now());

    Write(streams, ListOpening(request.format, request.inList, count == 0));
    const ItemWork work = [&](std::size_t index) {
        return RenderEntry(GatherEntry(request.entries[index]), request.format, request.inList);
    };
    const ItemDelivery deliver = [&](std::size_t index, RenderedEntry&& result) {
        if (index > 0)
            Write(streams, ListSeparator(request.format, request.inList));
        Write(streams, result.text);
        if (result.failed)
            ++outcome.failed;
        if (progress) {
            const std::string line = progress->Update(index + 1, ProgressLine::Clock::now());
            if (!line.empty())
                streams.progress(line);
        }
    };
    RunInOrder(count, request.jobs, work, deliver);
    Write(streams, ListClosing(request.format, request.inList, count == 0));
    if (progress)
        streams.progress(progress->Finish());
    return outcome;
}
