// Timing and the one line each benchmark subcommand prints on stdout.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>

namespace tkbench {

using Clock = std::chrono::steady_clock;

inline double since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// "<op> <records> <seconds>", the only output on stdout.
inline void report(const char* op, std::uint32_t records, double seconds) {
    std::printf("%s %u %.4f\n", op, records, seconds);
}

}  // namespace tkbench
