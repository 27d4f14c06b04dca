#include "entry_output.h"

#include <QJsonDocument>
#include <QJsonObject>

#include "json_report.h"
#include "terminal_text.h"

namespace {

constexpr char kPathKey[] = "path";
constexpr char kIndent[] = "    ";  // Qt's indentation of a nested value

bool IsJsonArray(CatalogFormat format, bool inList) {
    return inList && (format == CatalogFormat::kJson || format == CatalogFormat::kJsonCompact);
}

QByteArray Indented(const QByteArray& text) {
    QByteArray out;
    for (const QByteArray& line : text.split('\n')) {
        if (!out.isEmpty())
            out += '\n';
        if (!line.isEmpty())
            out += kIndent;
        out += line;
    }
    return out;
}

// The object as Qt writes it, with "path" first and spelled from the path's own bytes (Qt would
// replace what is not UTF-8).
QByteArray JsonWithPath(QJsonObject object, const QByteArray& path, bool compact) {
    object.remove(QLatin1String(kPathKey));
    const QByteArray rest =
        QJsonDocument(object).toJson(compact ? QJsonDocument::Compact : QJsonDocument::Indented);
    QByteArray out = compact ? "{" : "{\n";
    if (!compact)
        out += kIndent;
    out += '"';
    out += kPathKey;
    out += compact ? "\":" : "\": ";
    out += JsonPathString(path);
    // The rest always holds "kind" or "error", so a comma follows.
    out += compact ? "," : ",\n";
    out += rest.mid(compact ? 1 : 2);  // after "{" or "{\n"
    if (out.endsWith('\n'))
        out.chop(1);
    return out;
}

QByteArray TextEntry(const GatheredEntry& entry, bool inList) {
    QByteArray out;
    if (inList) {
        out += "==> ";
        out += entry.path;
        out += " <==\n";
    }
    out += TerminalText(RenderReport(entry.facts).text);
    return out;
}

}  // namespace

QByteArray JsonPathString(const QByteArray& path) {
    static constexpr char kHex[] = "0123456789abcdef";
    QByteArray out = "\"";
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
    const QByteArray json = JsonWithPath(RenderJsonReport(entry.facts), entry.path, compact);
    rendered.text = IsJsonArray(format, inList) && !compact ? Indented(json) : json;
    if (!IsJsonArray(format, inList))
        rendered.text += '\n';
    return rendered;
}

QByteArray ListOpening(CatalogFormat format, bool inList, bool empty) {
    if (!IsJsonArray(format, inList))
        return {};
    return format == CatalogFormat::kJson && !empty ? "[\n" : "[";
}

QByteArray ListSeparator(CatalogFormat format, bool inList) {
    if (IsJsonArray(format, inList))
        return format == CatalogFormat::kJson ? ",\n" : ",";
    return format == CatalogFormat::kText && inList ? "\n" : "";
}

QByteArray ListClosing(CatalogFormat format, bool inList, bool empty) {
    if (!IsJsonArray(format, inList))
        return {};
    return format == CatalogFormat::kJson && !empty ? "\n]\n" : "]\n";
}
