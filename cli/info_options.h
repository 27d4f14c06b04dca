// tarnview-info's command line, declared once: the options, their checks and the help text.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "command_line.h"
#include "thumbnail_export.h"

// --size beyond this is no thumbnail.
inline constexpr int kMaxThumbnailSide = 4096;

struct InfoOptions {
    bool crlf = false;
    bool json = false;
    bool compact = false;
    std::optional<std::string> thumbnailOut;  // as the system gave it
    ThumbnailKind thumbnailKind = ThumbnailKind::kBuffer;
    int thumbnailSize = 0;  // the picture's longer side; 0: the thumbnail as read
    // The catalogue of many files.
    bool catalogue = false;  // any catalogue option or several paths
    bool inList = false;     // several paths, -r or a list: headers, a JSON array
    bool jsonl = false;
    bool stac = false;  // STAC Items instead of reports
    bool recursive = false;
    std::optional<std::string> filesFrom;  // as the system gave it
    bool nulSeparated = false;
    int jobs = 1;
    bool jobsGiven = false;          // --jobs was on the command line
    std::vector<std::string> paths;  // as the system gave them
};

// `processors` is the default of --jobs.
ParsedCommandLine<InfoOptions> ParseInfoOptions(int argc, const char* const* argv, int processors);
