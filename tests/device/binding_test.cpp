// Binding to service libraries that are missing, incomplete or refuse to start, and the
// behaviour of a link with no keyboard behind it.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

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

std::string TakeCallLog(const std::string& folder) {
    std::string path = std::string(QUORVEL_FAKE_HIDSERV_DIR) + "/" + folder + "/libHidServ.so";
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (library == nullptr) return "not loaded";
    auto take = reinterpret_cast<const char* (*)()>(dlsym(library, "FakeCallLog"));
    std::string log = take ? take() : "no log";
    dlclose(library);
    return log;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

// The records the service library hands to the callback, laid out at their offsets.
struct Notification {
    uint8_t notification[HIDSERV_NOTIFY_SIZE] = {};
    uint8_t request[HIDSERV_REQUEST_SIZE] = {};
    uint8_t decoded[HIDSERV_DECODED_SIZE] = {};
    uint16_t code = 0;

    Notification(uint32_t kind, uint32_t tag, uint32_t count, uint16_t consumerCode)
        : code(consumerCode) {
        const void* requestPointer = request;
        const void* decodedPointer = decoded;
        const void* codePointer = &code;
        std::memcpy(notification, &kind, 4);
        std::memcpy(notification + 8, &requestPointer, sizeof(void*));
        std::memcpy(request, &tag, 4);
        std::memcpy(request + 4, &count, 4);
        std::memcpy(request + 16, &decodedPointer, sizeof(void*));
        std::memcpy(decoded + HIDSERV_DECODED_CODE_PTR_OFFSET, &codePointer, sizeof(void*));
    }
};

TEST(DeviceBinding, NotificationsAreDispatchedAndIndicatorRequestsReplaced) {
    testing::RecordingShellPort shell;
    DeviceLink link(shell);
    TakeCallLog("absent_keyboard");
    ASSERT_TRUE(link.Bind(FakeLibrary("absent_keyboard")).Ok());
    link.Events().WaitUntilIdle();
    auto subscribed = Lines(TakeCallLog("absent_keyboard"));
    ASSERT_EQ(subscribed.size(), 4u);
    EXPECT_EQ(subscribed[0], "delete 0");
    EXPECT_EQ(subscribed[1].substr(0, 18), "subscribe 434F4E53");
    EXPECT_EQ(subscribed[2], "delete 0");
    EXPECT_EQ(subscribed[3].substr(0, 18), "subscribe 4354524C");

    // A count change reported on the consumer request is not a presence change.
    EXPECT_EQ(link.OnNotify(Notification(HIDSERV_NOTIFY_COUNT, TAG_CONS, 1, 0).notification), 1);
    link.Events().WaitUntilIdle();
    EXPECT_TRUE(shell.Events().empty());

    for (int press = 0; press < 2; ++press)
        link.OnNotify(Notification(HIDSERV_NOTIFY_DATA, TAG_CONS, 2, 0x02FF).notification);
    link.Events().WaitUntilIdle();
    // Each indicator write replaces the previous one, so only one is ever registered.
    auto written = Lines(TakeCallLog("absent_keyboard"));
    ASSERT_EQ(written.size(), 4u);
    EXPECT_EQ(written[0], "delete 0");
    EXPECT_EQ(written[1].substr(0, 27), "indicator 4C4544 0503 unit ");
    EXPECT_EQ(written[2], "delete " + written[1].substr(27));
    EXPECT_EQ(written[3].substr(0, 27), "indicator 4C4544 0502 unit ");
    EXPECT_EQ(shell.Events(), (std::vector<std::string>{"send 5045 004C4544", "bank B",
                                                        "send 5045 004C4544", "bank A"}));

    link.OnNotify(Notification(HIDSERV_NOTIFY_COUNT, TAG_CTRL, 1, 0).notification);
    link.Events().WaitUntilIdle();
    // The arrival finds no keyboard to read: the layout failure is reported, nothing opens.
    EXPECT_EQ(shell.Events().at(4), "message MAIN_DEFAULT_MATRIX_PROMPT");
    EXPECT_EQ(shell.Events().at(5), "send 5452 50524F46");
}

}  // namespace
}  // namespace quorvel
