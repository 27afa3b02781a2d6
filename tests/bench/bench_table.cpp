#include "bench_table.h"

#include <cstdio>

namespace kelvane::bench {

namespace {

const double kMiB = 1024.0 * 1024.0;

std::string milliseconds(double ms) {
    if (ms < 0) {
        return "failed";
    }
    char text[32];
    std::snprintf(text, sizeof text, ms < 100 ? "%.1f" : "%.0f", ms);
    return text;
}

double ratioOf(const Timing& timing) {
    return timing.kelvaneMs >= 0 && timing.baselineMs > 0 ? timing.kelvaneMs / timing.baselineMs : -1;
}

}  // namespace

std::string sizeLabel(long long bytes) {
    char text[32];
    if (bytes < 1000 * 1024) {
        std::snprintf(text, sizeof text, "%.0f KB", bytes / 1024.0);
    } else {
        std::snprintf(text, sizeof text, "%.1f MB", bytes / kMiB);
    }
    return text;
}

void printTimings(const std::vector<Timing>& timings, int repeats) {
    std::printf("Best of %d runs each, milliseconds from the click to the command's end.\n", repeats);
    std::printf("%-8s %-11s %11s %12s %7s  %s\n", "size", "command", "kelvane ms", "baseline ms", "ratio", "aim");
    for (const Timing& timing : timings) {
        double ratio = ratioOf(timing);
        char ratioText[16] = "-";
        if (ratio >= 0) {
            std::snprintf(ratioText, sizeof ratioText, "%.2f", ratio);
        }
        char aimText[32] = "-";
        if (timing.aim > 0) {
            std::snprintf(aimText, sizeof aimText, "<= %.2f %s", timing.aim,
                          ratio < 0 ? "failed" : ratio <= timing.aim ? "met" : "MISSED");
        }
        std::printf("%-8s %-11s %11s %12s %7s  %s\n", sizeLabel(timing.fileBytes).c_str(),
                    timing.command.c_str(), milliseconds(timing.kelvaneMs).c_str(),
                    milliseconds(timing.baselineMs).c_str(), ratioText, aimText);
    }
}

void printGrowth(const std::vector<Timing>& timings) {
    long long largest = 0;
    long long second = 0;
    for (const Timing& timing : timings) {
        if (timing.fileBytes > largest) {
            second = largest;
            largest = timing.fileBytes;
        } else if (timing.fileBytes > second && timing.fileBytes < largest) {
            second = timing.fileBytes;
        }
    }
    if (second == 0) {
        return;
    }
    std::printf("Growth from %s to %s (file x%.2f):", sizeLabel(second).c_str(), sizeLabel(largest).c_str(),
                static_cast<double>(largest) / second);
    for (const Timing& big : timings) {
        if (big.fileBytes != largest) {
            continue;
        }
        for (const Timing& small : timings) {
            if (small.fileBytes == second && small.command == big.command && small.kelvaneMs > 0 &&
                small.baselineMs > 0) {
                std::printf(" %s x%.2f (baseline x%.2f);", big.command.c_str(), big.kelvaneMs / small.kelvaneMs,
                            big.baselineMs / small.baselineMs);
            }
        }
    }
    std::printf("\n");
}

void printMemory(const MemoryResult& memory, bool underWine) {
    double beyond = memory.kelvaneGrowth - memory.controlGrowth;
    double multiple = beyond / static_cast<double>(memory.fileBytes);
    std::printf("Peak memory of a %s Read (peak working set over the level before it):\n",
                sizeLabel(memory.fileBytes).c_str());
    std::printf("  kelvane.exe +%.1f MB; bare control +%.1f MB (its process +%.1f MB, less the UTF-16 text it "
                "was handed)\n",
                memory.kelvaneGrowth / kMiB, memory.controlGrowth / kMiB, memory.baselineGrowth / kMiB);
    std::printf("  beyond the control's own: %.1f MB = %.2f x the file (aim <= 4: %s)\n", beyond / kMiB, multiple,
                multiple <= 4 ? "met" : "MISSED");
    std::printf("  private bytes %s: kelvane.exe +%.1f MB, bare +%.1f MB\n",
                underWine ? "kept after the Read (Wine's PeakPagefileUsage is no peak)"
                          : "at the peak (PeakPagefileUsage)",
                memory.kelvanePrivate / kMiB, memory.baselinePrivate / kMiB);
}

}  // namespace kelvane::bench
