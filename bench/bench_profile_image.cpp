// Loading and saving a profile file with a full macro list: time, and the most memory either
// holds beyond what was allocated before, as a multiple of the file's size. Every allocation
// of the process is counted, so the figure includes the stream buffers and the image.
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "model/profile_store.h"

using namespace quorvel;
using namespace quorvel::bench;

namespace {

std::atomic<size_t> liveBytes{0};
std::atomic<size_t> peakBytes{0};

void* Allocate(size_t size) {
    void* p = std::malloc(size ? size : 1);
    if (!p) throw std::bad_alloc();
    const size_t now = liveBytes.fetch_add(malloc_usable_size(p)) + malloc_usable_size(p);
    size_t peak = peakBytes.load();
    while (now > peak && !peakBytes.compare_exchange_weak(peak, now)) {
    }
    return p;
}

void Free(void* p) {
    if (!p) return;
    liveBytes.fetch_sub(malloc_usable_size(p));
    std::free(p);
}

constexpr int REPEATS = 15;
constexpr uint16_t KEY_A = 0x1E;
constexpr double MIB = 1024.0 * 1024.0;

WorkingSetData FullProfile() {
    WorkingSetData data = FreshWorkingSetData();
    std::vector<MacroRecord> macros(MACRO_LIST_MAX);
    for (size_t i = 0; i < macros.size(); ++i) {
        macros[i].id = static_cast<uint16_t>(i + 1);
        macros[i].SetName(u"A macro with a name of reasonable length " +
                          std::u16string(1, static_cast<char16_t>(u'0' + i % 10)));
        for (int a = 0; a < MACRO_MAX_ACTIONS; ++a)
            macros[i].actions.push_back(
                {40, KEY_A, a % 2 ? MACRO_STATE_RELEASE : MACRO_STATE_PRESS});
    }
    data.macros.Replace(std::move(macros));
    return data;
}

struct Figure {
    double ms = 0;
    size_t peak = 0;  // bytes above what was live before
};

template <typename Step>
Figure Measure(Step step) {
    std::vector<double> times;
    size_t peak = 0;
    for (int i = 0; i < REPEATS; ++i) {
        const size_t before = liveBytes.load();
        peakBytes.store(before);
        const Clock::time_point start = Clock::now();
        step();
        times.push_back(MillisecondsSince(start));
        peak = std::max(peak, peakBytes.load() - before);
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], peak};
}

bool ReportFigure(const char* name, const Figure& figure, uintmax_t fileSize) {
    char details[160];
    std::snprintf(details, sizeof details,
                  "median %.2f ms, peak %.2f MiB for a %.2f MiB file; peak / file size", figure.ms,
                  figure.peak / MIB, static_cast<double>(fileSize) / MIB);
    return Report(name, details, static_cast<double>(figure.peak) / static_cast<double>(fileSize),
                  0);
}

}  // namespace

void* operator new(size_t size) {
    return Allocate(size);
}
void* operator new[](size_t size) {
    return Allocate(size);
}
void operator delete(void* p) noexcept {
    Free(p);
}
void operator delete[](void* p) noexcept {
    Free(p);
}
void operator delete(void* p, size_t) noexcept {
    Free(p);
}
void operator delete[](void* p, size_t) noexcept {
    Free(p);
}

int main() {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("quorvel-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const std::string path = (folder / "$Profile0").string();

    WorkingSetData saved = FullProfile();
    Require(WriteProfileImage(path, saved), "first save");
    const uintmax_t fileSize = std::filesystem::file_size(path);

    const Figure save = Measure([&] { Require(WriteProfileImage(path, saved), "save"); });
    // Loading replaces the previous contents, as the program does when it reloads a profile.
    WorkingSetData loaded;
    const Figure load = Measure([&] { Require(LoadProfileFile(path, loaded), "load"); });
    Require(loaded == saved, "loaded data equals saved data");

    ReportFigure("save of a 100-macro profile", save, fileSize);
    ReportFigure("load of a 100-macro profile", load, fileSize);
    std::filesystem::remove_all(folder);
    return 0;
}
