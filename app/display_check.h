// Whether the program can reach a display before the toolkit tries: the
// toolkit aborts with a long diagnostic when it cannot, and a user is better
// served by one line that says what to do.
#pragma once

#include <string>

namespace app {

struct DisplayEnvironment {
    std::string qpaPlatform;     // QT_QPA_PLATFORM
    std::string x11Display;      // DISPLAY
    std::string waylandDisplay;  // WAYLAND_DISPLAY
    std::string runtimeDir;      // XDG_RUNTIME_DIR
    std::string x11SocketDir = "/tmp/.X11-unix";
};

DisplayEnvironment displayEnvironment();

// An empty string when a display can be reached (or a platform that needs
// none was chosen); otherwise the one-line message to print.
std::string displayProblem(const DisplayEnvironment& env);

}  // namespace app
