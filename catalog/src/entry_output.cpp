#include "entry_output.h"

#include "json_report.h"
#include "terminal_text.h"

namespace {

constexpr char kIndent[] = "    ";  // the indentation of a nested value

bool IsJsonArray(CatalogFormat format, bool inList) {
    return inList && (format == CatalogFormat::kJson || format == CatalogFormat::kJsonCompact);
}

// The report's JSON with "path" first, spelled from the path's own bytes (the report's JSON holds
// it as valid UTF-8); each line indented once more when `indented`. Built piece by piece, so that
// a file of many bands is held once, as this text.
std::string JsonEntry(const GatheredEntry& entry, bool compact, bool indented) {
    std::string out;
    const JsonSink append = [&out, indented](std::string_view piece) {
        if (!indented) {
            out += piece;
            return;
        }
        // Pretty JSON has no empty line, so every line gets the indent.
        if (out.empty())
            out += kIndent;
        for (const char c : piece) {
            out += c;
            if (c == '\n')
                out += kIndent;
        }
    };
    WriteJsonReport(entry.facts, compact, append, JsonPathString(entry.path));
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
