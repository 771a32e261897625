#include <QApplication>
#include <cstdio>
#include <string>

#include "app/display_check.h"
#include "app/program.h"

int main(int argc, char** argv) {
    // Without a display the toolkit would abort with a long diagnostic.
    const std::string problem = display::problem(display::fromProcess());
    if (!problem.empty()) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        return 1;
    }
    QApplication app(argc, argv);
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    return runProgram(arguments);
}
