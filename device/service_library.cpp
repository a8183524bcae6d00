#include "device/service_library.h"

#include <dlfcn.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "base/executable_dir.h"

namespace quorvel {
namespace {

bool VirtualRequestedByEnvironment() {
    const char* value = std::getenv("QUORVEL_HIDSERV");
    return value != nullptr && std::strcmp(value, "virtual") == 0;
}

}  // namespace

std::vector<std::string> ServiceLibraryDirs(const std::string& exeDir) {
    return {exeDir, exeDir + "/../lib/quorvel"};
}

std::string ServiceLibraryPath(const BindOptions& options) {
    bool useVirtual = options.virtualKeyboard || VirtualRequestedByEnvironment();
    const std::string name = useVirtual ? VIRTUAL_SERVICE_LIBRARY_NAME : SERVICE_LIBRARY_NAME;
    if (!options.libraryDir.empty()) return options.libraryDir + "/" + name;
    const std::vector<std::string> dirs = ServiceLibraryDirs(ExecutableDir());
    for (const std::string& dir : dirs) {
        std::error_code error;
        if (std::filesystem::is_regular_file(dir + "/" + name, error))
            return std::filesystem::path(dir + "/" + name).lexically_normal().string();
    }
    return dirs.front() + "/" + name;
}

BindResult LoadServiceLibrary(const std::string& path, ServiceEntryPoints& entryPoints) {
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        const char* reason = dlerror();
        return {BindError::LIBRARY_MISSING, "cannot load the HID service library " + path + ": " +
                                                (reason ? reason : "unknown error")};
    }
    ServiceEntryPoints found;
#define QUORVEL_LOOK_UP(name) \
    found.name = reinterpret_cast<decltype(found.name)>(dlsym(library, #name));
    HIDSERV_ENTRY_POINTS(QUORVEL_LOOK_UP)
#undef QUORVEL_LOOK_UP
#define QUORVEL_REQUIRE(name)                   \
    if (found.name == nullptr)                  \
        return {BindError::ENTRY_POINT_MISSING, \
                "the HID service library " + path + " lacks the entry point " #name};
    HIDSERV_ENTRY_POINTS(QUORVEL_REQUIRE)
#undef QUORVEL_REQUIRE
    found.PlugIdentity =
        reinterpret_cast<HidServPlugIdentityFn>(dlsym(library, HIDSERV_PLUG_IDENTITY_NAME));
    entryPoints = found;
    return {};
}

}  // namespace quorvel
