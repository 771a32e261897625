// Benchmark program. Each subcommand prints one line "<op> <records> <seconds>".
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: tk_bench COMMAND ARGS...\n");
        return 2;
    }
    std::fprintf(stderr, "tk_bench: unknown command %s\n", argv[1]);
    return 2;
}
