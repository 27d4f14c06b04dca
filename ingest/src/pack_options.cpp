#include "pack_options.h"

#include <charconv>
#include <optional>
#include <string_view>

#include "package_writer.h"
#include "tarnview_version.h"

const std::string kPackVersion = std::string("tarnview-pack ") + kTarnviewVersion;

const char kPackUsage[] =
    "Usage: tarnview-pack [--quality Q | --lossless] [--force] [--threads N] [--no-aux]\n"
    "                     INPUT OUTPUT.qvrmp\n"
    "       tarnview-pack --help | --version\n"
    "\n"
    "Makes a QVRMP package (a tiled WebP pyramid) from any raster GDAL opens.\n"
    "  --quality Q  WebP quality 0 to 100 (default 85)\n"
    "  --lossless   lossless WebP instead\n"
    "  --force      replace OUTPUT if it exists\n"
    "  --threads N  encode on N threads (default: one per processor); the file is the same\n"
    "  --no-aux     leave out OUTPUT.aux.xml, which holds the input's coordinate system\n"
    "  --help       show this help\n"
    "  --version    show the version\n";

namespace {

constexpr int kMaxQuality = 100;
constexpr int kMaxThreads = 64;

std::optional<int> ParseInt(std::string_view text, int minimum, int maximum) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || value < minimum || value > maximum) {
        return std::nullopt;
    }
    return value;
}

ParsedPackArguments UsageError(std::string text) {
    ParsedPackArguments parsed;
    parsed.request = PackRequest::kUsageError;
    parsed.errorText = std::move(text);
    return parsed;
}

}  // namespace

ParsedPackArguments ParsePackArguments(const std::vector<std::string>& arguments) {
    ParsedPackArguments parsed;
    PackOptions& options = parsed.options;
    bool qualityGiven = false;
    bool optionsEnded = false;
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument.compare(0, 1, "-") != 0) {
            paths.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (argument == "--help") {
            parsed.request = PackRequest::kHelp;
            return parsed;
        }
        if (argument == "--version") {
            parsed.request = PackRequest::kVersion;
            return parsed;
        }
        if (argument == "--lossless") {
            options.lossless = true;
            continue;
        }
        if (argument == "--force") {
            options.force = true;
            continue;
        }
        if (argument == "--no-aux") {
            options.writeAux = false;
            continue;
        }
        // Options with a value take it as the next argument or after "=".
        std::string name = argument;
        std::optional<std::string> value;
        if (const std::size_t equals = argument.find('='); equals != std::string::npos) {
            name = argument.substr(0, equals);
            value = argument.substr(equals + 1);
        }
        if (name != "--quality" && name != "--threads") {
            return UsageError("unknown option " + argument);
        }
        if (!value) {
            if (i + 1 == arguments.size()) {
                return UsageError(name + " needs a value");
            }
            value = arguments[++i];
        }
        if (name == "--quality") {
            const std::optional<int> quality = ParseInt(*value, 0, kMaxQuality);
            if (!quality) {
                return UsageError("--quality takes a whole number from 0 to 100, not \"" + *value +
                                  "\"");
            }
            options.quality = *quality;
            qualityGiven = true;
        } else {
            const std::optional<int> threads = ParseInt(*value, 1, kMaxThreads);
            if (!threads) {
                return UsageError("--threads takes a whole number from 1 to 64, not \"" + *value +
                                  "\"");
            }
            options.threads = *threads;
        }
    }
    if (qualityGiven && options.lossless) {
        return UsageError("--quality and --lossless exclude each other");
    }
    if (paths.size() != 2) {
        return UsageError(paths.size() < 2 ? "INPUT and OUTPUT are needed"
                                           : "only INPUT and OUTPUT are expected");
    }
    options.input = paths[0];
    options.output = paths[1];
    parsed.request = PackRequest::kPack;
    return parsed;
}
