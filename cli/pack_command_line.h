// tarnview-pack's command line, declared once: the options, their checks and the help text.
#pragma once

#include "command_line.h"
#include "pack_options.h"

ParsedCommandLine<PackOptions> ParsePackOptions(int argc, const char* const* argv);
