#include "display_check.h"

#include <xcb/xcb.h>

#include <cstdlib>

namespace {

constexpr char kPlatformVariable[] = "QT_QPA_PLATFORM";
constexpr char kX11Variable[] = "DISPLAY";
constexpr char kWaylandVariable[] = "WAYLAND_DISPLAY";
constexpr char kX11Platform[] = "xcb";
// A platform may be given with options ("xcb:option") or as a list to try ("wayland;xcb").
constexpr char kPlatformSeparators[] = ":;";

std::optional<std::string> Variable(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0')
        return std::nullopt;
    return std::string(value);
}

}  // namespace

DisplayEnvironment CurrentDisplayEnvironment() {
    return {Variable(kPlatformVariable).value_or(std::string()), Variable(kX11Variable),
            Variable(kWaylandVariable)};
}

std::string MissingDisplay(const DisplayEnvironment& environment,
                           const std::function<bool(const std::string&)>& connects) {
    const std::string platform =
        environment.platform.substr(0, environment.platform.find_first_of(kPlatformSeparators));
    const bool defaultPlatform = platform.empty();
    if (!defaultPlatform && platform != kX11Platform)
        return {};
    if (defaultPlatform && environment.wayland)
        return {};
    if (!environment.x11) {
        return defaultPlatform ? "no display: neither DISPLAY nor WAYLAND_DISPLAY is set"
                               : "no X display: DISPLAY is not set";
    }
    if (!connects(*environment.x11))
        return "cannot open the X display \"" + *environment.x11 + "\"";
    return {};
}

bool XDisplayConnects(const std::string& name) {
    xcb_connection_t* connection = xcb_connect(name.c_str(), nullptr);
    const bool connected = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return connected;
}
