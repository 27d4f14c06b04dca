// The command line of tarnview-pack turned into a plain struct, with no side effects, so that every
// rule of it can be tested without running the command.
#pragma once

#include <string>
#include <vector>

#include "package_writer.h"

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

struct PackOptions {
    std::string input;   // anything GDAL opens as a raster, UTF-8
    std::string output;  // the package to write, UTF-8
    bool lossless = false;
    int quality = kDefaultQuality;  // 0 to 100, lossy only
    bool force = false;             // replace an existing output
    int threads = 0;                // 0: one per processor
    bool writeAux = true;           // the input's coordinate system into OUTPUT.aux.xml
};

enum class PackRequest {
    kPack,
    kHelp,
    kVersion,
    kUsageError,  // errorText says what is wrong
};

struct ParsedPackArguments {
    PackRequest request = PackRequest::kUsageError;
    PackOptions options;
    std::string errorText;
};

// Parses the arguments that follow the program name.
ParsedPackArguments ParsePackArguments(const std::vector<std::string>& arguments);

extern const char kPackUsage[];
extern const std::string kPackVersion;
