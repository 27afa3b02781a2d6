// Memory counters of a process, for the growth that one command causes.
#pragma once

#include <windows.h>

namespace kelvane::bench {

struct MemorySample {
    double workingSet = 0;      // bytes now
    double peakWorkingSet = 0;  // bytes, highest so far
    double pagefile = 0;        // private bytes now
    double peakPagefile = 0;    // private bytes, highest so far
};

MemorySample sampleMemory(HANDLE process);

// How far the process rose above where it stood before: the new peak over the level before,
// or 0 when the old peak was not passed.
double peakWorkingSetGrowth(const MemorySample& before, const MemorySample& after);
double peakPagefileGrowth(const MemorySample& before, const MemorySample& after);

}  // namespace kelvane::bench
