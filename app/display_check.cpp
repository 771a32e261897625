#include "app/display_check.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace app {

namespace {

std::string variable(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

// True when something accepts connections on the local socket at `path`.
bool socketAnswers(const std::string& path) {
    sockaddr_un address{};
    if (path.empty() || path.size() >= sizeof(address.sun_path))
        return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

bool waylandReachable(const DisplayEnvironment& env) {
    if (env.waylandDisplay.empty())
        return false;
    if (env.waylandDisplay.front() == '/')
        return socketAnswers(env.waylandDisplay);
    if (env.runtimeDir.empty())
        return false;
    return socketAnswers(env.runtimeDir + "/" + env.waylandDisplay);
}

// DISPLAY is "[host]:number[.screen]". A display on another host (a forwarded
// session) is left for the toolkit to reach; a local one must answer on its
// socket.
bool x11Reachable(const DisplayEnvironment& env) {
    const std::string& d = env.x11Display;
    const auto colon = d.rfind(':');
    if (colon == std::string::npos)
        return false;
    const std::string host = d.substr(0, colon);
    std::string number = d.substr(colon + 1);
    number = number.substr(0, number.find('.'));
    if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos)
        return false;
    if (!host.empty() && host != "unix")
        return true;
    return socketAnswers(env.x11SocketDir + "/X" + number);
}

}  // namespace

DisplayEnvironment displayEnvironment() {
    DisplayEnvironment env;
    env.qpaPlatform = variable("QT_QPA_PLATFORM");
    env.x11Display = variable("DISPLAY");
    env.waylandDisplay = variable("WAYLAND_DISPLAY");
    env.runtimeDir = variable("XDG_RUNTIME_DIR");
    return env;
}

std::string displayProblem(const DisplayEnvironment& env) {
    const std::string& qpa = env.qpaPlatform;
    const bool wantsXcb = qpa.rfind("xcb", 0) == 0;
    const bool wantsWayland = qpa.rfind("wayland", 0) == 0;
    // offscreen, vnc, linuxfb and the like need no desktop session.
    if (!qpa.empty() && !wantsXcb && !wantsWayland)
        return {};
    if (!wantsXcb && waylandReachable(env))
        return {};
    if (!wantsWayland && x11Reachable(env))
        return {};

    std::string where;
    if (!env.x11Display.empty())
        where = " (DISPLAY=" + env.x11Display + " does not answer)";
    return "tomekeep: no display found" + where +
           "; run it on a desktop session, or set QT_QPA_PLATFORM=offscreen to run it without one";
}

}  // namespace app
