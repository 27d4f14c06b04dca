// libFuzzer target: a catalogue of arbitrary bytes. The input holds a path list and one file:
//   byte  0    options: bits 0-1 the output form, bit 2 a list (headers, a JSON array), bit 3
//              NUL-separated paths
//   bytes 1-2  length L of the path list (little-endian), then L bytes of list
//   then       the file, as the report target takes it (report_input.h)
// The file is checked and gathered as a catalogue gathers it, and reported under each of the
// first kMaxEntries paths of the list, which are rendered byte for byte. Besides the sanitizers'
// checks it stops on a listed path that comes out split or changed, JSON output (for paths in
// UTF-8) that does not parse as the form says, or a text list without each entry's header.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "catalog_entry.h"
#include "entry_output.h"
#include "fuzz_folder.h"
#include "path_list.h"
#include "report_input.h"
#include "text_helpers.h"

namespace {

constexpr std::size_t kOptionsSize = 3;
constexpr std::size_t kMaxEntries = 4;
constexpr int kFormats = 4;

void Check(bool condition) {
    if (!condition)
        std::abort();
}

using Json = nlohmann::json;

bool IsUtf8(const std::string& bytes) {
    return ValidUtf8(bytes) == bytes;
}

// The text parsed as JSON, or nothing when it is not JSON.
Json Parsed(const std::string& text) {
    return Json::parse(text, nullptr, false);
}

void CheckJson(const std::string& output, CatalogFormat format, bool inList,
               const std::vector<std::string>& paths) {
    std::vector<Json> objects;
    if (paths.empty() && !inList) {
        Check(output.empty());
        return;
    }
    if (format != CatalogFormat::kJsonLines) {
        // One array of the entries, or the one pretty or compact object that stands alone.
        const Json document = Parsed(output);
        Check(inList ? document.is_array() : document.is_object());
        if (document.is_array())
            objects.assign(document.begin(), document.end());
        else
            objects.push_back(document);
    } else {
        std::size_t start = 0;
        for (std::size_t end; (end = output.find('\n', start)) != std::string::npos;
             start = end + 1) {
            const Json document = Parsed(output.substr(start, end - start));
            Check(document.is_object());
            objects.push_back(document);
        }
    }
    Check(objects.size() == paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const auto path = objects[i].find("path");
        Check(path != objects[i].end() && path->is_string() &&
              path->get<std::string>() == paths[i]);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    InitGdalForReportInputs();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < kOptionsSize)
        return 0;
    const auto format = static_cast<CatalogFormat>(data[0] % kFormats);
    const bool inList = (data[0] & 4) != 0;
    const bool nulSeparated = (data[0] & 8) != 0;
    const std::size_t listSize =
        std::min<std::size_t>(size - kOptionsSize, data[1] | std::size_t{data[2]} << 8);
    const std::string list(reinterpret_cast<const char*>(data + kOptionsSize), listSize);
    const std::vector<std::string> split = SplitPathList(list, nulSeparated);
    const char separator = nulSeparated ? '\0' : '\n';
    for (const std::string& path : split) {
        Check(!path.empty() && path.find(separator) == std::string::npos &&
              list.find(path) != std::string::npos);
    }

    const ReportFile file =
        ReportFileFromFuzzInput(data + kOptionsSize + listSize, size - kOptionsSize - listSize);
    const std::string written = WriteFuzzFile(file.name, file.bytes.data(), file.bytes.size());
    if (written.empty())
        return 0;
    const GatheredEntry gathered = GatherEntry({written, {}, {}});

    // An entry that stands alone is the only one.
    const std::size_t entries = std::min(split.size(), inList ? kMaxEntries : 1);
    const std::vector<std::string> paths(split.begin(),
                                         split.begin() + static_cast<std::ptrdiff_t>(entries));
    std::string output = ListOpening(format, inList, paths.empty());
    bool allUtf8 = true;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        GatheredEntry entry = gathered;
        entry.path = paths[i];
        entry.facts.path = paths[i];
        const RenderedEntry rendered = RenderEntry(entry, format, inList);
        Check(rendered.failed == gathered.facts.Failed());
        if (i > 0)
            output += ListSeparator(format, inList);
        output += rendered.text;
        if (format == CatalogFormat::kText && inList)
            Check(rendered.text.starts_with("==> " + paths[i] + " <==\n"));
        allUtf8 = allUtf8 && IsUtf8(paths[i]);
    }
    output += ListClosing(format, inList, paths.empty());
    if (format != CatalogFormat::kText && allUtf8)
        CheckJson(output, format, inList, paths);
    return 0;
}
