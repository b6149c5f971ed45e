// libFuzzer entry of one target; KF_FUZZ_TARGET names it at compile time.
#include <cstdio>
#include <cstdlib>

#include "fuzz_targets.h"

void FuzzCheckFailed(const char* file, int line, const char* condition) {
    std::fprintf(stderr, "%s:%d: broken promise: %s\n", file, line, condition);
    std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const FuzzTarget* target = FindFuzzTarget(KF_FUZZ_TARGET);
    if (!target) std::abort();
    target->run(data, size);
    return 0;
}
