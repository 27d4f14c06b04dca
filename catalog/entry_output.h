// A catalogue's output: each file's entry in the chosen form, and what goes before, between and
// after the entries. Paths are written as the system gives them, byte for byte.
#pragma once

#include <string>

#include "catalog_entry.h"

enum class CatalogFormat {
    kText,        // the text report; with a header "==> PATH <==" in a list
    kJsonLines,   // one compact object a line
    kJson,        // pretty objects; several files make one array
    kJsonCompact  // the same on one line
};

struct RenderedEntry {
    std::string text;
    bool failed = false;
    std::string notice = {};  // a line for the notice stream, when the entry has one
};

// `path` as a JSON string: quote, backslash and control characters escaped, every other byte
// as it is.
std::string JsonPathString(const std::string& path);

// The entry of one file. `inList`: the entry is one of a list (text gets its header, JSON is an
// element of the array), otherwise it stands alone.
RenderedEntry RenderEntry(const GatheredEntry& entry, CatalogFormat format, bool inList);

// What the output holds before the first entry, between two entries, after the last.
std::string ListOpening(CatalogFormat format, bool inList, bool empty);
std::string ListSeparator(CatalogFormat format, bool inList);
std::string ListClosing(CatalogFormat format, bool inList, bool empty);
