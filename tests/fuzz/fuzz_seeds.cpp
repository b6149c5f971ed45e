// Writes the seed corpus of one fuzz target into a folder: fuzz_seeds TARGET DIR.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "fuzz_targets.h"

void FuzzCheckFailed(const char* file, int line, const char* condition) {
    std::fprintf(stderr, "%s:%d: broken promise: %s\n", file, line, condition);
    std::exit(1);
}

int main(int argc, char** argv) {
    const FuzzTarget* target = argc == 3 ? FindFuzzTarget(argv[1]) : nullptr;
    if (!target) {
        std::fputs("usage: fuzz_seeds TARGET DIR\n", stderr);
        return 2;
    }
    std::filesystem::create_directories(argv[2]);
    int n = 0;
    for (const FuzzBytes& seed : target->seeds()) {
        std::ofstream out(std::filesystem::path(argv[2]) / ("seed-" + std::to_string(n++)), std::ios::binary);
        out.write(reinterpret_cast<const char*>(seed.data()), static_cast<std::streamsize>(seed.size()));
        if (!out) return 1;
    }
    return 0;
}
