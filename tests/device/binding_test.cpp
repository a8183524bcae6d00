// Binding to service libraries that are missing, incomplete or refuse to start, and the
// behaviour of a link with no keyboard behind it.
#include <gtest/gtest.h>

#include <array>

#include "device/device_events.h"
#include "device/device_link.h"
#include "device/firmware_commands.h"
#include "device/result_codes.h"
#include "recording_shell_port.h"

namespace quorvel {
namespace {

BindOptions FakeLibrary(const std::string& folder) {
    BindOptions options;
    options.libraryDir = std::string(QUORVEL_FAKE_HIDSERV_DIR) + "/" + folder;
    return options;
}

TEST(DeviceBinding, FailuresAreDistinctAndExplained) {
    struct Case {
        std::string folder;
        BindError error;
        std::string inMessage;
    };
    const Case cases[] = {
        {"no_such_folder", BindError::LIBRARY_MISSING, "libHidServ.so"},
        {"missing_entry", BindError::ENTRY_POINT_MISSING, "RequestStatusSetFeature"},
        {"init_fails", BindError::INIT_FAILED, "Init returned 0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        testing::RecordingShellPort shell;
        DeviceLink link(shell);
        BindResult result = link.Bind(FakeLibrary(c.folder));
        EXPECT_EQ(result.error, c.error);
        EXPECT_NE(result.message.find(c.inMessage), std::string::npos) << result.message;
        EXPECT_EQ(link.CountControlInterfaces(), 0u);
        EXPECT_TRUE(shell.Events().empty());
    }
}

TEST(DeviceBinding, VirtualLibraryIsChosenByOptionOrEnvironment) {
    BindOptions options;
    options.libraryDir = "/opt/q";
    unsetenv("QUORVEL_HIDSERV");
    EXPECT_EQ(ServiceLibraryPath(options), "/opt/q/libHidServ.so");
    options.virtualKeyboard = true;
    EXPECT_EQ(ServiceLibraryPath(options), "/opt/q/libHidServVirtual.so");
    options.virtualKeyboard = false;
    setenv("QUORVEL_HIDSERV", "virtual", 1);
    EXPECT_EQ(ServiceLibraryPath(options), "/opt/q/libHidServVirtual.so");
    unsetenv("QUORVEL_HIDSERV");
}

TEST(DeviceBinding, AbsentKeyboardBindsAndEveryCommandReturnsNoDevice) {
    testing::RecordingShellPort shell;
    DeviceLink link(shell);
    ASSERT_TRUE(link.Bind(FakeLibrary("absent_keyboard")).Ok());
    link.Events().WaitUntilIdle();
    EXPECT_TRUE(shell.AutoOpenDone());
    EXPECT_EQ(link.CountControlInterfaces(), 0u);
    // The fake refuses every write, so anything but CMD_NO_DEVICE means a frame was tried.
    SettingsBlock settings{};
    EXPECT_EQ(BeginSession(link), CMD_NO_DEVICE);
    EXPECT_EQ(ReadSettingsBlock(link, settings), CMD_NO_DEVICE);
    EXPECT_EQ(GetActiveProfile(link), -1);
    EXPECT_EQ(link.CurrentProfileCache(), -1);
    // A start-up count of 0 is no change: the window hears nothing.
    EXPECT_TRUE(shell.Events().empty());

    testing::RecordingShellPort otherShell;
    DeviceLink second(otherShell);
    EXPECT_EQ(second.Bind(FakeLibrary("absent_keyboard")).error, BindError::ALREADY_BOUND);
}

}  // namespace
}  // namespace quorvel
