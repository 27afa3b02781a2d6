#include "process_memory.h"

#include <psapi.h>

namespace kelvane::bench {

MemorySample sampleMemory(HANDLE process) {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    MemorySample sample;
    if (GetProcessMemoryInfo(process, &counters, sizeof counters)) {
        sample.workingSet = static_cast<double>(counters.WorkingSetSize);
        sample.peakWorkingSet = static_cast<double>(counters.PeakWorkingSetSize);
        sample.pagefile = static_cast<double>(counters.PagefileUsage);
        sample.peakPagefile = static_cast<double>(counters.PeakPagefileUsage);
    }
    return sample;
}

static double growth(double levelBefore, double peakBefore, double peakAfter) {
    return peakAfter > peakBefore ? peakAfter - levelBefore : 0.0;
}

double peakWorkingSetGrowth(const MemorySample& before, const MemorySample& after) {
    return growth(before.workingSet, before.peakWorkingSet, after.peakWorkingSet);
}

double peakPagefileGrowth(const MemorySample& before, const MemorySample& after) {
    return growth(before.pagefile, before.peakPagefile, after.peakPagefile);
}

}  // namespace kelvane::bench
