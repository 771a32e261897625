#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "app/program.h"

namespace {

// Qt aborts with a long message when no display can be reached; say in one
// line what to do instead.
bool displayAvailable() {
    const auto set = [](const char* name) {
        const char* v = std::getenv(name);
        return v != nullptr && *v != '\0';
    };
    return set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY");
}

}  // namespace

int main(int argc, char** argv) {
    if (!displayAvailable()) {
        std::fprintf(stderr,
                     "tomekeep: no display found; run it on a desktop session, or set "
                     "QT_QPA_PLATFORM=offscreen to run it without one\n");
        return 1;
    }
    QApplication app(argc, argv);
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    return runProgram(arguments);
}
