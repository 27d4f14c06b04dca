// What the two terminal programs share: exit codes, the wording of a refused command line, and
// printing in which every write is checked, so that the end of the program says whether all of
// its output reached stdout (a full disk or a closed pipe is a failure, not a silent exit 0).
#pragma once

#include <QByteArray>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <optional>
#include <string_view>
#include <vector>

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// Writes all of `text` to `stream`; false when the stream refused it.
bool WriteText(std::FILE* stream, std::string_view text);

// Flushes and closes stdout. Returns `exitCode` when that worked, otherwise prints
// "PROGRAM: cannot write the output: REASON" on stderr and returns kExitFailure.
int FinishOutput(const char* program, int exitCode);

// What a command line asks for.
enum class Request { kRun, kHelp, kVersion, kUsageError };

template <typename Options>
struct ParsedArguments {
    Request request = Request::kUsageError;
    Options options;
    QString error;  // for kUsageError: what is wrong
};

template <typename Options>
ParsedArguments<Options> UsageError(QString error) {
    return {Request::kUsageError, {}, std::move(error)};
}

// Answers help ("usage" on stdout), version ("PROGRAM VERSION") and a usage error
// ("PROGRAM: ERROR" and the usage on stderr) with their exit codes; nothing for kRun.
std::optional<int> AnswerWithoutRunning(Request request, const char* program,
                                        std::string_view usage, const QString& error);

// A whole number from `minimum` to `maximum`, nothing else (no sign, no blanks, no suffix).
std::optional<int> WholeNumber(const QString& text, int minimum, int maximum);

// "--OPTION takes a whole number from MIN to MAX, not "VALUE"".
QString RangeError(const QString& option, int minimum, int maximum, const QString& value);

// The command line twice: decoded for the parser, and as the system gave it, so that a path
// that is not UTF-8 keeps its bytes (decoding puts U+FFFD where the bytes are not UTF-8).
struct CommandLine {
    QStringList arguments;          // program name first, as the parser takes them
    std::vector<QByteArray> bytes;  // the same arguments, byte for byte
};
CommandLine ReadCommandLine(int argc, char** argv);

// The parser's positional arguments as the system gave them: each matched, in order, to the
// argument it was decoded from.
std::vector<QByteArray> PositionalBytes(const CommandLine& line, const QStringList& positional);

// The system's bytes of `value`, the last value the parser gave `option` ("--name VALUE" or
// "--name=VALUE").
QByteArray OptionValueBytes(const CommandLine& line, const QCommandLineOption& option,
                            const QString& value);

// A parser set up as both programs want it: "-name" is the long option "name", never a cluster.
void PrepareParser(QCommandLineParser& parser);

// Why parse() refused `arguments`, in our words: "unknown option X" with X as written (a flag
// given a value included), or "X needs a value" for a valued option that ends the line.
// `valuedOptions` names the options that take a value.
QString ParserErrorText(const QCommandLineParser& parser, const QStringList& arguments,
                        const QStringList& valuedOptions);
