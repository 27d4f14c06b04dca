// tarnview-pack's command line, declared once: the options, their checks and the help text.
#pragma once

#include "command_line.h"
#include "pack_options.h"

inline constexpr int kMaxThreads = 64;

ParsedCommandLine<PackOptions> ParsePackOptions(int argc, const char* const* argv);
