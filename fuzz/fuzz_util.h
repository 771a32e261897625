// What the fuzz targets share: a private work folder, writing an input to a
// file, and running a step whose engine errors are expected.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "dbase/error.h"

namespace tkfuzz {

// A folder of its own under /tmp, made once per run (name: /tmp/<prefix>XXXXXX).
inline std::string workFolder(const char* prefix) {
    static const std::string folder = [prefix] {
        std::string pattern = std::string("/tmp/") + prefix + "XXXXXX";
        const char* made = ::mkdtemp(pattern.data());
        if (made == nullptr)
            std::abort();
        return std::string(made);
    }();
    return folder;
}

inline void writeFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        std::abort();
    if (size > 0 && std::fwrite(data, 1, size, f) != size)
        std::abort();
    std::fclose(f);
}

// Runs f; an engine error is a fair answer to damaged input, anything else
// escapes and is a finding.
template <typename F>
void guarded(F&& f) {
    try {
        f();
    } catch (const dbase::Error&) {
    }
}

}  // namespace tkfuzz
