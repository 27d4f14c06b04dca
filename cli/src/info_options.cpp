#include "info_options.h"

#include "files_in_flight.h"
#include "path_list.h"

namespace {

constexpr char kDescription[] =
    "Prints the report of a raster (anything GDAL opens) or a .qvrmp package; the reports of\n"
    "many files as a catalogue; or a package's thumbnail as PNG.\n";

constexpr char kFooter[] =
    "With several files the text reports get a header \"==> PATH <==\" and --json prints one\n"
    "array.\n"
    "\n"
    "Exit status: 0 when every file was reported, 1 when a file could not be reported or the\n"
    "output could not be written, 2 for a usage error.\n"
    "\n"
    "Examples:\n"
    "  tarnview-info scene.tif\n"
    "  tarnview-info --jsonl -r /data/imagery > catalogue.jsonl\n"
    "  tarnview-info --stac -r /data/imagery > items.json\n";

// What the user asked for, as declared; checked and turned into InfoOptions afterwards.
struct Given {
    InfoOptions options;
    std::vector<std::string> thumbnails;
    std::vector<std::string> views;
    std::string size;
    std::string jobs;
};

void Declare(CLI::App& app, Given& given) {
    InfoOptions& options = given.options;
    app.add_flag("--crlf", options.crlf, "keep CR LF line ends, byte for byte the dialog's text");
    app.add_flag("--json", options.json, "print the report's facts as JSON (pretty-printed)");
    app.add_flag("--compact", options.compact, "with --json: each object on one line");
    app.add_flag("--jsonl", options.jsonl, "one compact JSON object a line per file");
    app.add_flag("--stac", options.stac,
                 "STAC Items: an ItemCollection, or with --jsonl one Item a line");
    app.add_flag("-r", options.recursive,
                 "walk folders (name order; hidden files and linked folders left out)");
    app.add_option("--files-from", options.filesFrom,
                   "also read paths from LIST, one a line (\"-\": stdin)")
        ->type_name("LIST");
    app.add_flag("-0", options.nulSeparated, "with --files-from: the paths are NUL-separated");
    app.add_option("--jobs", given.jobs,
                   "gather N files at once (default: one per processor, " +
                       std::to_string(kRemoteCatalogJobs) + " for remote files)")
        ->type_name("N");
    app.add_option("--thumbnail", given.thumbnails,
                   "write a package's 512-wide thumbnail as RGBA PNG")
        ->type_name("OUT.png")
        ->expected(1)
        ->allow_extra_args(false)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    app.add_option("--thumbnail-view", given.views,
                   "write it as the preview window shows it (opaque)")
        ->type_name("OUT.png")
        ->expected(1)
        ->allow_extra_args(false)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    app.add_option("--size", given.size,
                   "fit the whole picture into N x N pixels (1 to " +
                       std::to_string(kMaxThumbnailSide) + ")")
        ->type_name("N");
    app.add_option("PATH", options.paths, "a raster, a package, or with -r a folder")
        ->type_name("");
}

// The rules between options, in the order a user is told about them.
std::optional<std::string> Conflict(const InfoOptions& options) {
    if (options.paths.empty() && !options.filesFrom)
        return "no path given";
    if (options.nulSeparated && !options.filesFrom)
        return "-0 goes with --files-from";
    if (options.json && options.jsonl)
        return "--json and --jsonl exclude each other";
    if (options.thumbnailOut && options.catalogue)
        return "a thumbnail takes one path only";
    if (options.stac && (options.crlf || options.thumbnailOut))
        return "--stac takes no --crlf or thumbnail";
    if (options.crlf && options.catalogue)
        return "--crlf takes one path only";
    if (options.compact && !options.json)
        return "--compact needs --json";
    if (options.crlf && options.json)
        return "--crlf and --json exclude each other";
    if (options.thumbnailOut && (options.crlf || options.json))
        return "a thumbnail takes no report options";
    return std::nullopt;
}

}  // namespace

ParsedCommandLine<InfoOptions> ParseInfoOptions(int argc, const char* const* argv, int processors) {
    CLI::App app(kDescription, "tarnview-info");
    PrepareApp(app, kFooter);
    Given given;
    Declare(app, given);
    ParsedCommandLine<InfoOptions> parsed = ParseArguments<InfoOptions>(app, argc, argv);
    if (parsed.request != Request::kRun)
        return parsed;

    InfoOptions& options = given.options;
    if (given.thumbnails.size() + given.views.size() > 1)
        return UsageError<InfoOptions>("one thumbnail only");
    if (!given.thumbnails.empty()) {
        options.thumbnailOut = given.thumbnails.front();
    } else if (!given.views.empty()) {
        options.thumbnailOut = given.views.front();
        options.thumbnailKind = ThumbnailKind::kView;
    }
    if (app.count("--size") > 0) {
        const std::optional<int> number = WholeNumber(given.size, 1, kMaxThumbnailSide);
        if (!number)
            return UsageError<InfoOptions>(RangeError("size", 1, kMaxThumbnailSide, given.size));
        options.thumbnailSize = *number;
        if (!options.thumbnailOut)
            return UsageError<InfoOptions>("--size goes with a thumbnail");
    }
    options.jobs = processors;
    options.jobsGiven = app.count("--jobs") > 0;
    if (options.jobsGiven) {
        const std::optional<int> number = WholeNumber(given.jobs, 1, kMaxCatalogJobs);
        if (!number)
            return UsageError<InfoOptions>(RangeError("jobs", 1, kMaxCatalogJobs, given.jobs));
        options.jobs = *number;
    }
    options.inList = options.paths.size() > 1 || options.recursive || options.filesFrom;
    options.catalogue = options.inList || options.jsonl || options.stac;
    if (const std::optional<std::string> conflict = Conflict(options))
        return UsageError<InfoOptions>(*conflict);
    parsed.options = std::move(options);
    return parsed;
}
