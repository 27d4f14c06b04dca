#include "entry_output.h"

#include "json_report.h"
#include "terminal_text.h"

namespace {

constexpr char kPathKey[] = "path";
constexpr char kIndent[] = "    ";  // the indentation of a nested value

bool IsJsonArray(CatalogFormat format, bool inList) {
    return inList && (format == CatalogFormat::kJson || format == CatalogFormat::kJsonCompact);
}

std::string Indented(const std::string& text) {
    std::string out;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        if (start != 0)
            out += '\n';
        if (end > start)
            out += kIndent;
        out.append(text, start, end - start);
        start = end + 1;
    }
    return out;
}

// The object with "path" first, spelled from the path's own bytes (the report's JSON holds it as
// valid UTF-8).
std::string JsonWithPath(nlohmann::json object, const std::string& path, bool compact) {
    object.erase(kPathKey);
    const std::string rest = JsonText(object, compact);
    std::string out = compact ? "{" : "{\n";
    if (!compact)
        out += kIndent;
    out += '"';
    out += kPathKey;
    out += compact ? "\":" : "\": ";
    out += JsonPathString(path);
    // The rest always holds "kind" or "error", so a comma follows.
    out += compact ? "," : ",\n";
    out.append(rest, compact ? 1 : 2);  // after "{" or "{\n"
    return out;
}

std::string TextEntry(const GatheredEntry& entry, bool inList) {
    std::string out;
    if (inList) {
        out += "==> ";
        out += entry.path;
        out += " <==\n";
    }
    out += TerminalText(RenderReport(entry.facts).text);
    return out;
}

}  // namespace

std::string JsonPathString(const std::string& path) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            out += "\\u00";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        } else {
            out += c;
        }
    }
    out += '"';
    return out;
}

RenderedEntry RenderEntry(const GatheredEntry& entry, CatalogFormat format, bool inList) {
    RenderedEntry rendered;
    rendered.failed = entry.facts.Failed();
    if (format == CatalogFormat::kText) {
        rendered.text = TextEntry(entry, inList);
        return rendered;
    }
    const bool compact = format != CatalogFormat::kJson;
    const std::string json = JsonWithPath(RenderJsonReport(entry.facts), entry.path, compact);
    rendered.text = IsJsonArray(format, inList) && !compact ? Indented(json) : json;
    if (!IsJsonArray(format, inList))
        rendered.text += '\n';
    return rendered;
}

std::string ListOpening(CatalogFormat format, bool inList, bool empty) {
    if (!IsJsonArray(format, inList))
        return {};
    return format == CatalogFormat::kJson && !empty ? "[\n" : "[";
}

std::string ListSeparator(CatalogFormat format, bool inList) {
    if (IsJsonArray(format, inList))
        return format == CatalogFormat::kJson ? ",\n" : ",";
    return format == CatalogFormat::kText && inList ? "\n" : "";
}

std::string ListClosing(CatalogFormat format, bool inList, bool empty) {
    if (!IsJsonArray(format, inList))
        return {};
    return format == CatalogFormat::kJson && !empty ? "\n]\n" : "]\n";
}
