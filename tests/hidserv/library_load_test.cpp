// Loads the built libHidServ.so as the program does: by file name from the executables'
// folder, then every entry point by name.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "base/byte_order.h"
#include "hidserv/hidserv.h"

namespace {

struct Library {
#define QUORVEL_ENTRY_FIELD(name) void* name = nullptr;
    HIDSERV_ENTRY_POINTS(QUORVEL_ENTRY_FIELD)
#undef QUORVEL_ENTRY_FIELD
};

HidServDescriptor ControlDescriptor() {
    HidServDescriptor descriptor = {};
    quorvel::WriteLe32(descriptor.bytes, 0x0F);
    quorvel::WriteLe16(descriptor.bytes + 4, 0x0C45);
    quorvel::WriteLe16(descriptor.bytes + 6, 0x7A3D);
    quorvel::WriteLe16(descriptor.bytes + 8, 0xFF1C);
    quorvel::WriteLe16(descriptor.bytes + 10, 0x0092);
    return descriptor;
}

bool AnyHidrawNode() {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/dev", error)) {
        if (entry.path().filename().string().starts_with("hidraw")) return true;
    }
    return false;
}

int IgnoreNotification(const void*) {
    return 1;
}

TEST(HidServLibrary, LoadsAndStartsWithoutAKeyboard) {
    const char* binDir = std::getenv("QUORVEL_BIN_DIR");
    ASSERT_NE(binDir, nullptr) << "QUORVEL_BIN_DIR is set by ctest";
    const std::string path = std::string(binDir) + "/libHidServ.so";
    // Never closed: the library's threads may outlive the test body, as in the program.
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << dlerror();

    Library library;
#define QUORVEL_LOOK_UP(name)            \
    library.name = dlsym(handle, #name); \
    EXPECT_NE(library.name, nullptr) << #name;
    HIDSERV_ENTRY_POINTS(QUORVEL_LOOK_UP)
#undef QUORVEL_LOOK_UP
    ASSERT_FALSE(HasFailure());

    const auto init = reinterpret_cast<HidServInitFn>(library.Init);
    const auto count =
        reinterpret_cast<HidServRequestGetDeviceCountFn>(library.RequestGetDeviceCount);
    const auto asyncRead = reinterpret_cast<HidServAsyncReadFn>(library.RequestAsyncRead);
    const auto deleteUnit =
        reinterpret_cast<HidServDeleteRequestFromUnitIdFn>(library.DeleteRequestFromUnitId);
    const auto writeOne = reinterpret_cast<HidServWriteFn>(library.RequestWriteOne);
    const auto end = reinterpret_cast<HidServEndFn>(library.End);

    ASSERT_GT(init(0), 0);
    const HidServDescriptor control = ControlDescriptor();
    if (!AnyHidrawNode()) {
        EXPECT_EQ(count(&control, nullptr, 0, nullptr), 0);
        // With nothing to write to, a frame must not be reported as written.
        uint8_t frame[64] = {0x04};
        EXPECT_LE(writeOne(&control, nullptr, 0, frame, sizeof frame, nullptr), 0);
    }

    uint32_t unitId = 0;
    asyncRead(&control, IgnoreNotification, 0x4354524C, &unitId);
    EXPECT_NE(unitId, 0u);
    EXPECT_EQ(deleteUnit(unitId), 1);
    EXPECT_EQ(deleteUnit(unitId), 0);
    EXPECT_EQ(end(), 1);
}

}  // namespace
