#include "terminal_text.h"

namespace {
constexpr std::string_view kCrLf = "\r\n";
}

std::string TerminalText(std::string_view report, bool crlf) {
    if (crlf)
        return std::string(report);
    std::string text;
    text.reserve(report.size() + 1);
    std::size_t start = 0;
    for (std::size_t end; (end = report.find(kCrLf, start)) != std::string_view::npos;
         start = end + kCrLf.size()) {
        text.append(report.substr(start, end - start));
        text += '\n';
    }
    text.append(report.substr(start));
    if (text.empty() || text.back() != '\n')
        text += '\n';
    return text;
}
