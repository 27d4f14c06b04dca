// One file of a catalogue, checked and gathered: what the file layer and GDAL would refuse or
// block on is refused here first, each with its own message, so the run goes on.
#pragma once

#include <string>

#include <optional>

#include "path_list.h"
#include "report.h"

// Why the path cannot be reported, before anything opens it: "no such file", "broken symbolic
// link", "permission denied", a folder, a FIFO, device or socket. Nothing when it is a regular
// file the process may read.
std::optional<std::string> RefusalOf(const std::string& path);

struct GatheredEntry {
    std::string path;
    FileFacts facts;  // facts.error is set and nothing else when the file failed
};

// Checks the entry's path and gathers its facts (GDAL must be registered); an entry that carries
// an error keeps it. The file is opened, read and closed on the calling thread.
GatheredEntry GatherEntry(const CatalogEntry& entry);
