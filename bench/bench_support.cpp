#include "bench/bench_support.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "device/device_events.h"
#include "device/macro_area.h"

namespace quorvel::bench {

testing::VirtualKeyboard::Options KeyboardOptions(int capacityUnits, int latencyUs) {
    testing::VirtualKeyboard::Options options;
    options.capacityUnits = capacityUnits;
    options.latencyUs = latencyUs;
    return options;
}

LinkedDevice::LinkedDevice(testing::VirtualKeyboard::Options options)
    : keyboard_(std::make_unique<testing::VirtualKeyboard>(std::move(options))),
      link_(std::make_unique<DeviceLink>(shell_)) {
    BindOptions bind;
    bind.virtualKeyboard = true;
    bind.libraryDir = testing::BinDir();
    const BindResult result = link_->Bind(bind);
    if (!result.Ok()) {
        std::fprintf(stderr, "cannot bind the virtual keyboard: %s\n", result.message.c_str());
        std::exit(1);
    }
    link_->Events().WaitUntilIdle();
}

LinkedDevice::~LinkedDevice() {
    link_.reset();
    // The library keeps one connection per process; the next daemon needs a fresh one.
    const std::string path = testing::BinDir() + "/libHidServVirtual.so";
    if (void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD)) {
        if (auto end = reinterpret_cast<int (*)()>(dlsym(library, "End"))) end();
        dlclose(library);
    }
    keyboard_.reset();
}

bool Report(std::string_view name, std::string_view details, double ratio, double goal) {
    const bool met = goal <= 0 || ratio <= goal;
    if (goal > 0)
        std::printf("%-36.*s %.*s; ratio %.3f (goal <= %.2f) %s\n", static_cast<int>(name.size()),
                    name.data(), static_cast<int>(details.size()), details.data(), ratio, goal,
                    met ? "ok" : "MISSED");
    else
        std::printf("%-36.*s %.*s; ratio %.3f\n", static_cast<int>(name.size()), name.data(),
                    static_cast<int>(details.size()), details.data(), ratio);
    std::fflush(stdout);
    return met;
}

std::vector<MacroRecord> MacrosFillingCapacity(size_t capacityBytes) {
    constexpr uint16_t KEY_A = 0x1E;
    std::vector<MacroRecord> macros(MACRO_MAX_ID);
    for (size_t i = 0; i < macros.size(); ++i) {
        char name[32];  // room for any size_t, so the name is never cut
        std::snprintf(name, sizeof name, "Macro%03zu", i + 1);
        macros[i].id = static_cast<uint16_t>(i + 1);
        macros[i].SetName(std::u16string(name, name + std::char_traits<char>::length(name)));
    }
    // Grow the macros one action at a time, round robin, while the area still fits.
    for (size_t i = 0;; i = (i + 1) % macros.size()) {
        macros[i].actions.push_back(
            {10, KEY_A, macros[i].actions.size() % 2 ? MACRO_STATE_RELEASE : MACRO_STATE_PRESS});
        if (MacroAreaSizes(macros).withNames > capacityBytes) {
            macros[i].actions.pop_back();
            break;
        }
    }
    return macros;
}

void Require(bool ok, std::string_view what) {
    if (ok) return;
    std::fprintf(stderr, "benchmark step failed: %.*s\n", static_cast<int>(what.size()),
                 what.data());
    std::exit(1);
}

}  // namespace quorvel::bench
