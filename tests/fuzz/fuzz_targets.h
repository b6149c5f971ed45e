// The readers of outside data, each wrapped as one fuzz target: a function that takes any bytes, runs the
// reader on them and checks what the reader promises about its results. The same functions run under
// libFuzzer (tests/fuzz) and in the native unit suite, which replays the seeds, the kept regression inputs
// and any corpus a fuzzing run has left behind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

using FuzzBytes = std::vector<std::uint8_t>;

struct FuzzTarget {
    const char* name;
    void (*run)(const std::uint8_t* data, std::size_t size);
    std::vector<FuzzBytes> (*seeds)();  // built by the project's own writers and generators
};

const std::vector<FuzzTarget>& FuzzTargets();
const FuzzTarget* FindFuzzTarget(std::string_view name);

// Called when a reader breaks a promise; the fuzzing host aborts (a finding), the unit suite fails the test.
void FuzzCheckFailed(const char* file, int line, const char* condition);

#define KF_FUZZ_CHECK(condition) \
    ((condition) ? static_cast<void>(0) : FuzzCheckFailed(__FILE__, __LINE__, #condition))
