#include "command_line.h"

#include <charconv>

#include "program_output.h"
#include "tarnview_version.h"

namespace {

constexpr char kHelpFlags[] = "-h,--help";
constexpr char kVersionFlag[] = "--version";

// CLI11 names the option first in its message about a missing value: "--size: 1 required ...".
std::string MissingValueError(const CLI::ParseError& error) {
    const std::string what = error.what();
    const std::size_t colon = what.find(':');
    return colon == std::string::npos ? what : what.substr(0, colon) + " needs a value";
}

// The first argument the parser could not place: an option it does not know, spelled as written.
std::string UnknownOptionError(const CLI::App& app, const CLI::ParseError& error) {
    const std::vector<std::string> rest = app.remaining();
    return rest.empty() ? std::string(error.what()) : "unknown option " + rest.front();
}

// "--force=yes": a value given to an option that takes none is refused as written, before the
// parser would read the value as a yes or a no.
std::optional<std::string> FlagGivenAValue(const CLI::App& app, int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--")
            break;
        const std::size_t equals = argument.find('=');
        if (!argument.starts_with("--") || equals == std::string_view::npos)
            continue;
        const CLI::Option* option =
            app.get_option_no_throw(std::string(argument.substr(0, equals)));
        if (option != nullptr && option->get_expected_max() == 0)
            return "unknown option " + std::string(argument);
    }
    return std::nullopt;
}

// The arguments as the parser takes them: last first, and "--name=" split into "--name" and an
// empty value (the parser would otherwise take the next argument as the value).
std::vector<std::string> ArgumentsForParser(int argc, const char* const* argv) {
    std::vector<std::string> arguments;
    bool options = true;
    for (int i = argc - 1; i >= 1; --i) {
        const std::string_view argument = argv[i];
        arguments.emplace_back(argument);
    }
    for (std::size_t i = arguments.size(); i-- > 0;) {
        const std::string& argument = arguments[i];
        if (argument == "--")
            options = false;
        if (options && argument.starts_with("--") && argument.size() > 3 &&
            argument.back() == '=') {
            std::string name = argument.substr(0, argument.size() - 1);
            arguments[i] = "";
            arguments.insert(arguments.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                             std::move(name));
        }
    }
    return arguments;
}

}  // namespace

void PrepareApp(CLI::App& app, std::string_view footer) {
    app.set_help_flag(kHelpFlags, "show this help and exit");
    app.add_flag(kVersionFlag)->description("show the version and exit");
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.footer(std::string(footer));
    app.get_formatter()->column_width(30);
}

Request ParseInto(CLI::App& app, int argc, const char* const* argv, std::string& error) {
    if (std::optional<std::string> refused = FlagGivenAValue(app, argc, argv)) {
        error = std::move(*refused);
        return Request::kUsageError;
    }
    std::vector<std::string> arguments = ArgumentsForParser(argc, argv);
    try {
        app.parse(arguments);
    } catch (const CLI::CallForHelp& help) {
        // Help answers a line whose options are all known, whatever else it holds.
        if (!app.remaining().empty()) {
            error = UnknownOptionError(app, help);
            return Request::kUsageError;
        }
        return Request::kHelp;
    } catch (const CLI::ExtrasError& refused) {
        error = UnknownOptionError(app, refused);
        return Request::kUsageError;
    } catch (const CLI::ArgumentMismatch& refused) {
        error = MissingValueError(refused);
        return Request::kUsageError;
    } catch (const CLI::ParseError& refused) {
        error = refused.what();
        return Request::kUsageError;
    }
    if (app.count(kVersionFlag) > 0)
        return Request::kVersion;
    return Request::kRun;
}

std::optional<int> Answer(Request request, const char* program, const std::string& error,
                          const std::string& help) {
    const std::string name = program;
    switch (request) {
        case Request::kHelp:
            WriteText(stdout, help);
            return kExitSuccess;
        case Request::kVersion:
            WriteText(stdout, name + " " + kTarnviewVersion + "\n");
            return kExitSuccess;
        case Request::kUsageError:
            WriteText(stderr, name + ": " + error + "\n");
            WriteText(stderr, "Try '" + name + " --help'.\n");
            return kExitUsage;
        case Request::kRun:
            break;
    }
    return std::nullopt;
}

std::optional<int> WholeNumber(std::string_view text, int minimum, int maximum) {
    if (text.empty() || text.front() < '0' || text.front() > '9')
        return std::nullopt;
    int value = 0;
    const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (status != std::errc() || end != text.data() + text.size() || value < minimum ||
        value > maximum)
        return std::nullopt;
    return value;
}

std::string RangeError(std::string_view option, int minimum, int maximum, std::string_view value) {
    return "--" + std::string(option) + " takes a whole number from " + std::to_string(minimum) +
           " to " + std::to_string(maximum) + ", not \"" + std::string(value) + "\"";
}
