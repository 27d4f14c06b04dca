#include "front_end.h"

#include "tarnview_version.h"

#include <cerrno>
#include <cstring>
#include <string>

#include <QRegularExpression>

std::optional<int> AnswerWithoutRunning(Request request, const char* program,
                                        std::string_view usage, const QString& error) {
    switch (request) {
        case Request::kHelp:
            WriteText(stdout, usage);
            return kExitSuccess;
        case Request::kVersion:
            WriteText(stdout, std::string(program) + " " + kTarnviewVersion + "\n");
            return kExitSuccess;
        case Request::kUsageError:
            WriteText(stderr, std::string(program) + ": " + error.toStdString() + "\n");
            WriteText(stderr, usage);
            return kExitUsage;
        case Request::kRun:
            break;
    }
    return std::nullopt;
}

bool WriteText(std::FILE* stream, std::string_view text) {
    return std::fwrite(text.data(), 1, text.size(), stream) == text.size();
}

int FinishOutput(const char* program, int exitCode) {
    errno = 0;
    const bool failedBefore = std::ferror(stdout) != 0;
    const bool flushed = std::fflush(stdout) == 0;
    const int flushError = errno;
    const bool closed = std::fclose(stdout) == 0;
    const int closeError = errno;
    if (!failedBefore && flushed && closed) {
        return exitCode;
    }
    const int error = flushError != 0 ? flushError : closeError;
    std::fprintf(stderr, "%s: cannot write the output: %s\n", program,
                 error != 0 ? std::strerror(error) : "write error");
    return kExitFailure;
}

CommandLine ReadCommandLine(int argc, char** argv) {
    CommandLine line;
    for (int i = 0; i < argc; ++i) {
        line.arguments.append(QString::fromUtf8(argv[i]));
        line.bytes.emplace_back(argv[i]);
    }
    return line;
}

std::vector<QByteArray> PositionalBytes(const CommandLine& line, const QStringList& positional) {
    std::vector<QByteArray> bytes;
    qsizetype next = 1;
    for (const QString& argument : positional) {
        while (next < line.arguments.size() && line.arguments[next] != argument)
            ++next;
        bytes.push_back(next < line.arguments.size() ? line.bytes[next++] : argument.toUtf8());
    }
    return bytes;
}

QByteArray OptionValueBytes(const CommandLine& line, const QCommandLineOption& option,
                            const QString& value) {
    QByteArray found = value.toUtf8();
    for (qsizetype i = 1; i < line.arguments.size(); ++i) {
        const QString& argument = line.arguments[i];
        if (argument == QStringLiteral("--"))
            break;
        for (const QString& name : option.names()) {
            for (const QString& dashes : {QStringLiteral("--"), QStringLiteral("-")}) {
                const QString spelled = dashes + name;
                const QString joined = spelled + QLatin1Char('=');
                if (argument == spelled && i + 1 < line.arguments.size() &&
                    line.arguments[i + 1] == value)
                    found = line.bytes[i + 1];
                else if (argument.startsWith(joined) && argument.mid(joined.size()) == value)
                    found = line.bytes[i].mid(joined.size());  // the option's name is ASCII
            }
        }
    }
    return found;
}

void PrepareParser(QCommandLineParser& parser) {
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
}

namespace {

// The argument that spelled option `name`, as the user wrote it ("-f", "--force=yes").
QString AsWritten(const QStringList& arguments, const QString& name) {
    for (const QString& argument : arguments.mid(1)) {
        if (argument == QStringLiteral("--"))
            break;
        for (const QString& dashes : {QStringLiteral("--"), QStringLiteral("-")}) {
            const QString spelled = dashes + name;
            if (argument == spelled || argument.startsWith(spelled + QLatin1Char('=')))
                return argument;
        }
    }
    return QStringLiteral("--") + name;
}

}  // namespace

QString ParserErrorText(const QCommandLineParser& parser, const QStringList& arguments,
                        const QStringList& valuedOptions) {
    if (!parser.unknownOptionNames().isEmpty())
        return QStringLiteral("unknown option ") +
               AsWritten(arguments, parser.unknownOptionNames().first());
    // The parser's other refusals: a flag given "=value", or a valued option ending the line.
    for (const QString& argument : arguments.mid(1)) {
        if (argument == QStringLiteral("--"))
            break;
        const qsizetype equals = argument.indexOf(QLatin1Char('='));
        if (argument.startsWith(QLatin1Char('-')) && equals > 0 &&
            !valuedOptions.contains(argument.left(equals).remove(QRegularExpression("^-+"))))
            return QStringLiteral("unknown option ") + argument;
    }
    return arguments.last() + QStringLiteral(" needs a value");
}

std::optional<int> WholeNumber(const QString& text, int minimum, int maximum) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || text.isEmpty() || !text.front().isDigit() || value < minimum || value > maximum)
        return std::nullopt;
    return value;
}

QString RangeError(const QString& option, int minimum, int maximum, const QString& value) {
    return QStringLiteral("--%1 takes a whole number from %2 to %3, not \"%4\"")
        .arg(option)
        .arg(minimum)
        .arg(maximum)
        .arg(value);
}
