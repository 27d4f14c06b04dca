// Whether the window system Qt is about to use can be reached. Qt ends the process when it cannot,
// so the desktop tool asks first and says which display is missing.
#pragma once

#include <functional>
#include <optional>
#include <string>

struct DisplayEnvironment {
    std::string platform;                // QT_QPA_PLATFORM, empty when unset
    std::optional<std::string> x11;      // DISPLAY
    std::optional<std::string> wayland;  // WAYLAND_DISPLAY
};

DisplayEnvironment CurrentDisplayEnvironment();

// The message when the X display that Qt's default (or the named "xcb") platform needs is missing
// or cannot be opened; empty when it is there, or when another platform (Wayland, offscreen...)
// is named or may be chosen. `connects` opens and closes an X display by its name.
std::string MissingDisplay(const DisplayEnvironment& environment,
                           const std::function<bool(const std::string&)>& connects);

// Opens the X display of that name and closes it again; whether that worked.
bool XDisplayConnects(const std::string& name);
