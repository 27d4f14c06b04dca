#include "pack_command_line.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "package_writer.h"
#include "report.h"

namespace {

constexpr std::size_t kInputAndOutput = 2;

constexpr char kDescription[] =
    "Makes a QVRMP package (a tiled WebP pyramid) from any raster GDAL opens.\n";

constexpr char kFooter[] =
    "Exit status: 0 when the package was written, 1 when it could not be (nothing is left\n"
    "behind), 2 for a usage error.\n"
    "\n"
    "Examples:\n"
    "  tarnview-pack scene.tif scene.qvrmp\n"
    "  tarnview-pack --lossless --bands 3,2,1 --scale 0,4000 dem.tif dem.qvrmp\n";

struct Given {
    PackOptions options;
    std::string quality;
    std::string threads;
    std::string bands;
    std::string scale;
    std::vector<std::string> paths;
};

void Declare(CLI::App& app, Given& given) {
    PackOptions& options = given.options;
    app.add_option("--quality", given.quality,
                   "WebP quality 0 to " + std::to_string(kMaxQuality) + " (default " +
                       std::to_string(kDefaultQuality) + ")")
        ->type_name("Q");
    app.add_flag("--lossless", options.lossless, "lossless WebP instead");
    app.add_flag("--force", options.force, "replace OUTPUT if it exists");
    app.add_option("--threads", given.threads, "encode on N threads (default: one per processor)")
        ->type_name("N");
    app.add_flag_callback(
        "--no-aux", [&options] { options.writeAux = false; },
        "leave out OUTPUT.aux.xml (the input's coordinate system)");
    app.add_option("--bands", given.bands,
                   "input bands for red, green, blue, alpha (default: by colour)")
        ->type_name("R,G,B[,A]");
    app.add_option("--scale", given.scale,
                   "stretch MIN..MAX to 0..255 (default: the colour bands' range)")
        ->type_name("MIN,MAX");
    app.add_option("INPUT OUTPUT.qvrmp", given.paths, "the raster to pack and the package to write")
        ->type_name("");
}

std::vector<std::string_view> SplitAtCommas(std::string_view text) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t comma; (comma = text.find(',', start)) != std::string_view::npos;
         start = comma + 1)
        parts.push_back(text.substr(start, comma - start));
    parts.push_back(text.substr(start));
    return parts;
}

// "R,G,B" or "R,G,B,A": band numbers from 1.
std::optional<std::vector<int>> BandList(std::string_view text) {
    const std::vector<std::string_view> parts = SplitAtCommas(text);
    if (parts.size() != std::size_t{kColourBands} &&
        parts.size() != std::size_t{kColourAndAlphaBands})
        return std::nullopt;
    std::vector<int> bands;
    for (const std::string_view part : parts) {
        const std::optional<int> band = WholeNumber(part, 1, std::numeric_limits<int>::max());
        if (!band)
            return std::nullopt;
        bands.push_back(*band);
    }
    return bands;
}

// A number as written by people: blanks around it allowed, nothing else.
std::optional<double> Number(std::string_view text) {
    constexpr std::string_view kBlanks = " \t\n\v\f\r";
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return std::nullopt;
    text = text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    double value = 0;
    const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (status != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// "MIN,MAX": two finite numbers, MIN below MAX.
std::optional<ValueRange> ScaleRange(std::string_view text) {
    const std::vector<std::string_view> parts = SplitAtCommas(text);
    if (parts.size() != 2)
        return std::nullopt;
    const std::optional<double> minimum = Number(parts[0]);
    const std::optional<double> maximum = Number(parts[1]);
    if (!minimum || !maximum || !std::isfinite(*minimum) || !std::isfinite(*maximum) ||
        !(*minimum < *maximum))
        return std::nullopt;
    return ValueRange{*minimum, *maximum};
}

}  // namespace

ParsedCommandLine<PackOptions> ParsePackOptions(int argc, const char* const* argv) {
    CLI::App app(kDescription, "tarnview-pack");
    PrepareApp(app, kFooter);
    Given given;
    Declare(app, given);
    ParsedCommandLine<PackOptions> parsed = ParseArguments<PackOptions>(app, argc, argv);
    if (parsed.request != Request::kRun)
        return parsed;

    PackOptions& options = given.options;
    if (app.count("--quality") > 0) {
        const std::optional<int> number = WholeNumber(given.quality, 0, kMaxQuality);
        if (!number)
            return UsageError<PackOptions>(RangeError("quality", 0, kMaxQuality, given.quality));
        options.quality = *number;
    }
    if (app.count("--threads") > 0) {
        const std::optional<int> number = WholeNumber(given.threads, 1, kMaxEncodeThreads);
        if (!number)
            return UsageError<PackOptions>(
                RangeError("threads", 1, kMaxEncodeThreads, given.threads));
        options.threads = *number;
    }
    if (app.count("--bands") > 0) {
        const std::optional<std::vector<int>> list = BandList(given.bands);
        if (!list)
            return UsageError<PackOptions>(
                "--bands takes R,G,B or R,G,B,A band numbers from 1, "
                "not \"" +
                given.bands + "\"");
        options.bands = *list;
    }
    if (app.count("--scale") > 0) {
        const std::optional<ValueRange> range = ScaleRange(given.scale);
        if (!range)
            return UsageError<PackOptions>(
                "--scale takes MIN,MAX, two numbers with MIN below "
                "MAX, not \"" +
                given.scale + "\"");
        options.scale = *range;
    }
    if (app.count("--quality") > 0 && options.lossless)
        return UsageError<PackOptions>("--quality and --lossless exclude each other");
    if (given.paths.size() != kInputAndOutput)
        return UsageError<PackOptions>(given.paths.size() < kInputAndOutput
                                           ? "INPUT and OUTPUT are needed"
                                           : "only INPUT and OUTPUT are expected");
    // Named otherwise, neither the dialog nor tarnview-info would ever take the file for a
    // package; checked before anything is opened.
    if (!IsPackagePath(given.paths[1]))
        return UsageError<PackOptions>(
            "OUTPUT must end in \".qvrmp\" (the ending packages are known by), not \"" +
            given.paths[1] + "\"");
    options.input = given.paths[0];
    options.output = given.paths[1];
    parsed.options = std::move(options);
    return parsed;
}
