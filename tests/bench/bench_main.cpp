// kelvane_bench [--repeats N] <kelvane.exe> <hosts-like file>...
//   Times Read, Save, Initialize and Add of the real program on each file, beside the bare edit
//   control doing the same work in this process, and the peak memory of a Read of the last file.
//   The files are put, in turn, at the real hosts path of this Wine prefix or Windows system.
// kelvane_bench --baseline-memory <file> <result file>
//   The bare control's memory for a Read of the file, in a fresh process: the first mode starts
//   this one.
#include "baseline_edit.h"
#include "bench_files.h"
#include "bench_table.h"
#include "process_memory.h"
#include "timed_program.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace kelvane::bench {
namespace {

struct Texts {
    std::wstring entry;         // what Add appends: CR LF, address, TAB, name
    std::wstring templateText;  // what Initialize sets
};

void fail(const std::wstring& message) {
    std::fprintf(stderr, "kelvane_bench: %ls\n", message.c_str());
}

double best(double current, double sample) {
    if (sample < 0 || current < 0) {
        return -1;
    }
    return current == 0 ? sample : std::min(current, sample);
}

// Characters the box holds once the file is read: the file's bytes in the ANSI code page.
int wideLength(const std::string& bytes) {
    return bytes.empty() ? 0
                         : MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
}

long long ansiLength(const std::wstring& text) {
    return text.empty() ? 0
                        : WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                              nullptr, nullptr);
}

bool learnTexts(TimedProgram& kelvane, Texts& texts) {
    texts.entry = L"\r\n" + kelvane.addressText() + L"\t" + kelvane.nameText();
    if (kelvane.clear() < 0 || kelvane.initialize(-1) < 0) {
        return false;
    }
    texts.templateText = kelvane.hostText();
    return !texts.templateText.empty() && kelvane.clear() >= 0;
}

bool measureKelvaneRead(const std::wstring& exe, const std::wstring& file, int expectedLength, Texts& texts,
                        MemoryResult& memory) {
    std::wstring error;
    std::unique_ptr<TimedProgram> kelvane = TimedProgram::start(exe, error);
    if (!kelvane) {
        fail(error);
        return false;
    }
    if (!learnTexts(*kelvane, texts)) {
        fail(L"Clear or Initialize did not change the large box");
        return false;
    }
    if (!CopyFileW(file.c_str(), hostsFilePath().c_str(), FALSE)) {
        fail(L"cannot put the file at " + hostsFilePath());
        return false;
    }
    kelvane->settle();
    MemorySample before = sampleMemory(kelvane->process());
    if (kelvane->read(expectedLength) < 0) {
        fail(L"Read did not fill the box with the file");
        return false;
    }
    MemorySample after = sampleMemory(kelvane->process());
    memory.kelvaneGrowth = peakWorkingSetGrowth(before, after);
    memory.kelvanePrivate = peakPagefileGrowth(before, after);
    return true;
}

bool measureBaselineRead(const std::wstring& file, MemoryResult& memory) {
    std::wstring self = ownFolder() + L"kelvane_bench.exe";
    std::wstring result = ownFolder() + L"kelvane_bench_memory.txt";
    DeleteFileW(result.c_str());
    std::wstring commandLine = L"\"" + self + L"\" --baseline-memory \"" + file + L"\" \"" + result + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(self.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info)) {
        fail(L"cannot start the baseline process");
        return false;
    }
    OwnedHandle process(info.hProcess);
    OwnedHandle thread(info.hThread);
    if (WaitForSingleObject(process.get(), 300000) != WAIT_OBJECT_0) {
        TerminateProcess(process.get(), 1);
        fail(L"the baseline process did not end");
        return false;
    }
    std::optional<std::string> text = readWholeFile(result);
    DeleteFileW(result.c_str());
    double handed = 0;
    if (!text || std::sscanf(text->c_str(), "%lf %lf %lf", &memory.baselineGrowth, &memory.baselinePrivate,
                             &handed) != 3) {
        fail(L"the baseline process gave no result");
        return false;
    }
    memory.controlGrowth = memory.baselineGrowth - handed;
    return true;
}

int runBaselineMemory(const std::wstring& file, const std::wstring& resultPath) {
    std::unique_ptr<BaselineEdit> edit = BaselineEdit::create(0, 0);
    if (!edit) {
        return 1;
    }
    MemorySample before = sampleMemory(GetCurrentProcess());
    if (edit->read(file) < 0) {
        return 1;
    }
    MemorySample after = sampleMemory(GetCurrentProcess());
    // The caller's UTF-16 copy of the text is alive while the control takes its own.
    double handed = 2.0 * (edit->textLength() + 1);
    char line[128];
    int length = std::snprintf(line, sizeof line, "%.0f %.0f %.0f\n", peakWorkingSetGrowth(before, after),
                               peakPagefileGrowth(before, after), handed);
    OwnedHandle out(CreateFileW(resultPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                               nullptr));
    DWORD written = 0;
    return out.valid() && WriteFile(out.get(), line, static_cast<DWORD>(length), &written, nullptr) ? 0 : 1;
}

struct CommandTimes {
    double kelvane = 0;
    double baseline = 0;
};

struct SizeTimes {
    CommandTimes read, add, save, initialize;
    double idleClick = 0;      // Clear of the template: what a click costs the program by itself
    double platformClick = 0;  // a click on a bare button that runs nothing
};

// Runs both sides of one command back to back, so that the load of the machine at the moment
// weighs on both alike; the side that goes first alternates from run to run.
template <typename Baseline, typename Kelvane>
void measurePair(CommandTimes& times, bool kelvaneFirst, Baseline baselineSide, Kelvane kelvaneSide) {
    for (int side = 0; side < 2; ++side) {
        if ((side == 0) == kelvaneFirst) {
            times.kelvane = best(times.kelvane, kelvaneSide());
        } else {
            times.baseline = best(times.baseline, baselineSide());
            pumpMessages();
        }
    }
}

// One run of the four commands on both sides; false when the program went wrong.
bool runOnce(TimedProgram& kelvane, BaselineEdit& baseline, const std::wstring& file, long long fileBytes,
             int fileLength, const Texts& texts, bool kelvaneFirst, SizeTimes& times) {
    baseline.clear();
    if (!CopyFileW(file.c_str(), hostsFilePath().c_str(), FALSE) || kelvane.clear() < 0) {
        fail(L"cannot put the file at the hosts path, or Clear did not empty the box");
        return false;
    }
    // Clear of the small template: about all that a click costs the program by itself.
    int templateLength = static_cast<int>(texts.templateText.size());
    kelvane.settle();
    if (kelvane.initialize(templateLength) < 0) {
        fail(L"Initialize did not set the template");
        return false;
    }
    kelvane.settle();
    times.idleClick = best(times.idleClick, kelvane.clear());
    kelvane.settle();
    for (int click = 0; click < 3; ++click) {
        times.platformClick = best(times.platformClick, baseline.idleClick());
        pumpMessages();
    }

    // Each side's step is timed alone; settling and pumping come after the clock stops.
    auto settled = [&kelvane](double ms) {
        kelvane.settle();
        return ms;
    };
    int added = fileLength + static_cast<int>(texts.entry.size());
    SaveOutcome saved;
    measurePair(times.read, kelvaneFirst, [&] { return baseline.read(file); },
                [&] { return settled(kelvane.read(fileLength)); });
    measurePair(times.add, kelvaneFirst, [&] { return baseline.add(texts.entry); },
                [&] { return settled(kelvane.add(added)); });
    measurePair(times.save, kelvaneFirst, [&] { return baseline.save(besideHostsFile(L"kelvane-bench-baseline")); },
                [&] {
                    saved = kelvane.save();
                    return settled(saved.ms);
                });
    measurePair(times.initialize, kelvaneFirst, [&] { return baseline.initialize(texts.templateText); },
                [&] { return settled(kelvane.initialize(templateLength)); });

    if (times.read.kelvane < 0 || times.add.kelvane < 0 || times.initialize.kelvane < 0 || times.idleClick < 0) {
        fail(L"Read, Add, Initialize or Clear did not give the box the expected length");
        return false;
    }
    long long savedBytes = fileBytes + ansiLength(texts.entry);
    if (saved.ms < 0 || saved.message != L"Host 修改成功" || fileSize(hostsFilePath()) != savedBytes) {
        fail(L"Save did not write the box's text (message: \"" + saved.message + L"\")");
        return false;
    }
    if (times.read.baseline < 0 || times.add.baseline < 0 || times.save.baseline < 0 ||
        times.initialize.baseline < 0 || baseline.textLength() != templateLength) {
        fail(L"the baseline edit control failed");
        return false;
    }
    return true;
}

int runBenchmark(const std::wstring& exe, const std::vector<std::wstring>& files, int repeats) {
    typedef const char* (*WineVersion)();
    // Wine's ntdll names its version; Windows' has no such export.
    FARPROC found = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version");
    WineVersion wineVersion = reinterpret_cast<WineVersion>(reinterpret_cast<void (*)()>(found));
    std::printf("Kelvane benchmark: %s%s, ANSI code page %u\n", wineVersion ? "Wine " : "Windows",
                wineVersion ? wineVersion() : "", GetACP());

    std::vector<long long> sizes;
    std::vector<int> lengths;
    for (const std::wstring& file : files) {
        std::optional<std::string> bytes = readWholeFile(file);
        if (!bytes || bytes->find('\0') != std::string::npos) {
            fail(L"cannot read " + file + L", or it holds a zero byte");
            return 1;
        }
        sizes.push_back(static_cast<long long>(bytes->size()));
        lengths.push_back(wideLength(*bytes));
    }

    Texts texts;
    MemoryResult memory{};
    memory.fileBytes = sizes.back();
    if (!measureKelvaneRead(exe, files.back(), lengths.back(), texts, memory) ||
        !measureBaselineRead(files.back(), memory)) {
        return 1;
    }

    std::unique_ptr<BaselineEdit> baseline = BaselineEdit::create(0, 0);
    std::wstring error;
    std::unique_ptr<TimedProgram> kelvane = TimedProgram::start(exe, error);
    if (!baseline || !kelvane) {
        fail(baseline ? error : L"cannot make the baseline window");
        return 1;
    }
    std::vector<Timing> timings;
    double idleClick = 0;
    double platformClick = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        SizeTimes times;
        for (int run = 0; run < repeats; ++run) {
            if (!runOnce(*kelvane, *baseline, files[i], sizes[i], lengths[i], texts, run % 2 == 1, times)) {
                return 1;
            }
        }
        // An aim holds from 1 MB up: below that, fixed costs of a click outweigh the text.
        bool aimed = sizes[i] >= 1000 * 1024;
        timings.push_back({sizes[i], "Read", times.read.kelvane, times.read.baseline, aimed ? 1.10 : 0});
        timings.push_back({sizes[i], "Save", times.save.kelvane, times.save.baseline, aimed ? 1.50 : 0});
        timings.push_back(
            {sizes[i], "Initialize", times.initialize.kelvane, times.initialize.baseline, aimed ? 1.10 : 0});
        timings.push_back({sizes[i], "Add", times.add.kelvane, times.add.baseline, aimed ? 1.10 : 0});
        idleClick = best(idleClick, times.idleClick);
        platformClick = best(platformClick, times.platformClick);
    }
    printTimings(timings, repeats);
    std::printf("Fixed costs: a click on a bare button that runs nothing %.1f ms; Clear of the template in the "
                "program %.1f ms.\n",
                platformClick, idleClick);
    printGrowth(timings);
    printMemory(memory, wineVersion != nullptr);
    std::fflush(stdout);
    return 0;
}

}  // namespace
}  // namespace kelvane::bench

int wmain(int argc, wchar_t** argv) {
    using namespace kelvane::bench;
    if (argc == 4 && std::wcscmp(argv[1], L"--baseline-memory") == 0) {
        return runBaselineMemory(argv[2], argv[3]);
    }
    int first = 1;
    int repeats = 3;
    if (argc > 2 && std::wcscmp(argv[1], L"--repeats") == 0) {
        repeats = std::max(1, _wtoi(argv[2]));
        first = 3;
    }
    if (argc - first < 2) {
        std::fprintf(stderr, "usage: kelvane_bench [--repeats N] <kelvane.exe> <hosts-like file>...\n");
        return 2;
    }
    std::vector<std::wstring> files(argv + first + 1, argv + argc);
    return runBenchmark(argv[first], files, repeats);
}
