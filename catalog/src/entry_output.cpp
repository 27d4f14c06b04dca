#include "entry_output.h"

#include <algorithm>

#include "json_report.h"
#include "terminal_text.h"

namespace {

constexpr char kIndent[] = "    ";  // the indentation of a nested value

bool IsJsonArray(CatalogFormat format, bool inList) {
    return inList && (format == CatalogFormat::kJson || format == CatalogFormat::kJsonCompact);
}

// The report's JSON with "path" first, spelled from the path's own bytes (the report's JSON holds
// it as valid UTF-8); each line indented once more when `indented`. Measured first and then
// written into a string of that size: a file of many bands is held once, as this text, never
// beside a half-grown copy of it.
std::string JsonEntry(const GatheredEntry& entry, bool compact, bool indented) {
    const std::string path = JsonPathString(entry.path);
    const std::string_view indent = kIndent;
    std::size_t size = 0;
    WriteJsonReport(
        entry.facts, compact,
        [&size, indented, indent](std::string_view piece) {
            size += piece.size();
            if (indented)
                size += indent.size() *
                        static_cast<std::size_t>(std::count(piece.begin(), piece.end(), '\n'));
        },
        path);
    std::string out;
    // The first line's indent, and the line end a list entry gets.
    out.reserve(size + indent.size() + 1);
    if (indented)
        out += indent;
    WriteJsonReport(
        entry.facts, compact,
        [&out, indented, indent](std::string_view piece) {
            if (!indented) {
                out += piece;
                return;
            }
            // Pretty JSON has no empty line, so every line gets the indent.
            for (const char c : piece) {
                out += c;
                if (c == '\n')
                    out += indent;
            }
        },
        path);
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
    rendered.text = JsonEntry(entry, compact, IsJsonArray(format, inList) && !compact);
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
