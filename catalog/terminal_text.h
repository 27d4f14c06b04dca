// The report as a terminal prints it.
#pragma once

#include <string>
#include <string_view>

// The report's CR LF line ends as LF and a final newline; or, with `crlf`, the text exactly as
// the report box shows it.
std::string TerminalText(std::string_view report, bool crlf = false);
