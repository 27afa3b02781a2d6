// The printed results: one row per file size and command, then growth and memory.
#pragma once

#include <string>
#include <vector>

namespace kelvane::bench {

struct Timing {
    long long fileBytes;
    std::string command;
    double kelvaneMs;   // best of the repeats; -1 when a run failed
    double baselineMs;  // best of the repeats; -1 when a run failed
    double aim;         // the ratio to stay within; 0 where no aim applies
};

struct MemoryResult {
    long long fileBytes;
    double kelvaneGrowth;        // peak working set over the level before the Read
    double controlGrowth;        // the bare control's share of the same in a fresh process
    double baselineGrowth;       // that process's whole growth, its own buffers included
    double kelvanePrivate;       // the same for private bytes (PeakPagefileUsage)
    double baselinePrivate;
};

std::string sizeLabel(long long bytes);

void printTimings(const std::vector<Timing>& timings, int repeats);

// How each command's time grows from the second-largest file to the largest, beside the files.
void printGrowth(const std::vector<Timing>& timings);

// Under Wine PeakPagefileUsage is the private memory at the moment, not its peak.
void printMemory(const MemoryResult& memory, bool underWine);

}  // namespace kelvane::bench
