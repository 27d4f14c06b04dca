// What both programs' command lines share: the parser set up as GNU tools behave (-h and --help,
// --version, the last of a repeated option wins, "--" ends the options), the answer to help,
// version and a usage error, and the checks of numbers. Arguments are kept byte for byte, so a
// name that is not UTF-8 reaches the system as it was given.
#pragma once

#include <CLI/CLI.hpp>

#include <optional>
#include <string>
#include <string_view>

// What a command line asks for.
enum class Request { kRun, kHelp, kVersion, kUsageError };

template <typename Options>
struct ParsedCommandLine {
    Request request = Request::kUsageError;
    Options options;
    std::string error;  // for kUsageError: what is wrong, one line
    std::string help;   // for kHelp: the whole help text
};

template <typename Options>
ParsedCommandLine<Options> UsageError(std::string error) {
    return {Request::kUsageError, {}, std::move(error), {}};
}

// A parser for `program` with `description` above the options and `footer` (exit codes and
// examples) below them.
void PrepareApp(CLI::App& app, std::string_view footer);

// Parses argv[1..argc-1]: kRun when the options parsed, kHelp or kVersion when asked for, or a
// usage error in our words ("unknown option X", "X needs a value").
template <typename Options>
ParsedCommandLine<Options> ParseArguments(CLI::App& app, int argc, const char* const* argv);

// Answers help (on stdout), version ("PROGRAM VERSION") and a usage error ("PROGRAM: ERROR" and
// "Try 'PROGRAM --help'." on stderr) with their exit codes; nothing for kRun.
template <typename Options>
std::optional<int> AnswerWithoutRunning(const ParsedCommandLine<Options>& parsed,
                                        const char* program);

// A whole number from `minimum` to `maximum`, nothing else (no sign, no blanks, no suffix).
std::optional<int> WholeNumber(std::string_view text, int minimum, int maximum);

// "--OPTION takes a whole number from MIN to MAX, not "VALUE"".
std::string RangeError(std::string_view option, int minimum, int maximum, std::string_view value);

// --- implementation of the templates ---

Request ParseInto(CLI::App& app, int argc, const char* const* argv, std::string& error);
std::optional<int> Answer(Request request, const char* program, const std::string& error,
                          const std::string& help);

template <typename Options>
ParsedCommandLine<Options> ParseArguments(CLI::App& app, int argc, const char* const* argv) {
    ParsedCommandLine<Options> parsed;
    parsed.request = ParseInto(app, argc, argv, parsed.error);
    if (parsed.request == Request::kHelp)
        parsed.help = app.help();
    return parsed;
}

template <typename Options>
std::optional<int> AnswerWithoutRunning(const ParsedCommandLine<Options>& parsed,
                                        const char* program) {
    return Answer(parsed.request, program, parsed.error, parsed.help);
}
