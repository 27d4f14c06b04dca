// The desktop tool: the main dialog, and nothing after it.
#include "tarnview_app.h"

int main() {
    CTarnviewApp app;
    app.InitInstance();
    return 0;
}
