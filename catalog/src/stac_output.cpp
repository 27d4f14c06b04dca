#include "stac_output.h"

#include <unordered_map>

#include "json_report.h"
#include "stac_item.h"
#include "terminal_text.h"
#include "text_helpers.h"

namespace {

constexpr char kRepeatMark[] = "%-";
constexpr char kItemIndent[] = "        ";  // an Item inside "features"

bool IsCollection(CatalogFormat format) {
    return format != CatalogFormat::kJsonLines;
}

// An Item on lines of its own inside the collection's "features".
std::string IndentedLines(const std::string& text) {
    std::string out = "\n";
    out += kItemIndent;
    for (const char c : text) {
        out += c;
        if (c == '\n')
            out += kItemIndent;
    }
    return out;
}

}  // namespace

std::vector<std::string> StacItemIds(const std::vector<CatalogEntry>& entries) {
    std::vector<std::string> ids;
    ids.reserve(entries.size());
    std::unordered_map<std::string, int> seen;
    for (const CatalogEntry& entry : entries) {
        std::string id = StacItemId(entry.path);
        const int times = ++seen[id];
        if (times > 1)
            id += kRepeatMark + std::to_string(times);
        ids.push_back(std::move(id));
    }
    return ids;
}

RenderedEntry RenderStacEntry(const GatheredEntry& entry, const std::string& id,
                              CatalogFormat format) {
    if (entry.facts.Failed()) {
        if (!IsCollection(format))
            return RenderEntry(entry, CatalogFormat::kJsonLines, true);
        return {{}, true, ValidUtf8(entry.path) + ": " + TerminalText(entry.facts.error)};
    }
    const nlohmann::json item = RenderStacItem(entry.facts, id);
    if (!IsCollection(format))
        return {JsonText(item, true) + "\n", false, {}};
    if (format == CatalogFormat::kJsonCompact)
        return {JsonText(item, true), false, {}};
    return {IndentedLines(JsonText(item, false)), false, {}};
}

std::string StacOpening(CatalogFormat format) {
    if (!IsCollection(format))
        return {};
    if (format == CatalogFormat::kJsonCompact)
        return R"({"type":"FeatureCollection","features":[)";
    return "{\n    \"type\": \"FeatureCollection\",\n    \"features\": [";
}

std::string StacSeparator(CatalogFormat format) {
    return IsCollection(format) ? "," : "";
}

std::string StacClosing(CatalogFormat format) {
    if (!IsCollection(format))
        return {};
    return format == CatalogFormat::kJsonCompact ? "]}\n" : "\n    ]\n}\n";
}
