// Milliseconds on the performance counter, comparable between processes of one machine.
#pragma once

#include <windows.h>

namespace kelvane::bench {

inline double nowMs() {
    static const double ticksPerMs = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / ticksPerMs;
}

}  // namespace kelvane::bench
