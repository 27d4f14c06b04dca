// The desktop tool: the main dialog, and nothing after it.
#include <cstdio>
#include <string>

#include "display_check.h"
#include "tarnview_app.h"

namespace {
constexpr int kExitNoDisplay = 1;
}

int main() {
    // Qt would end the process itself without a display; the user is told which one is missing.
    if (const std::string missing = MissingDisplay(CurrentDisplayEnvironment(), XDisplayConnects);
        !missing.empty()) {
        std::fprintf(stderr, "tarnview: %s\n", missing.c_str());
        return kExitNoDisplay;
    }
    CTarnviewApp app;
    app.InitInstance();
    return 0;
}
