#pragma once
// Fixture: a private virtual keyboard and a DeviceLink bound to it through the real virtual
// service library, with a recording window on the other side.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "device/device_events.h"
#include "device/device_link.h"
#include "recording_shell_port.h"
#include "tests/support/virtual_keyboard.h"

namespace quorvel::testing {

class LinkedKeyboard : public ::testing::Test {
protected:
    virtual VirtualKeyboard::Options KeyboardOptions() { return {}; }
    // True: Bind itself settles the arrival, as quorvelctl binds.
    virtual bool ArrivalHere() { return false; }

    void SetUp() override {
        keyboard_ = std::make_unique<VirtualKeyboard>(KeyboardOptions());
        link_ = std::make_unique<DeviceLink>(shell_);
        BindOptions options;
        options.virtualKeyboard = true;
        options.libraryDir = BinDir();
        options.arrivalHere = ArrivalHere();
        BindResult result = link_->Bind(options);
        ASSERT_TRUE(result.Ok()) << result.message;
        if (!options.arrivalHere) link_->Events().WaitUntilIdle();
    }

    void TearDown() override {
        link_.reset();
        // The library keeps one connection per process; let the next test's daemon get a
        // fresh one.
        std::string path = BinDir() + "/libHidServVirtual.so";
        if (void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD)) {
            if (auto end = reinterpret_cast<int (*)()>(dlsym(library, "End"))) end();
            dlclose(library);
        }
        keyboard_.reset();
    }

    // Waits until the window has been told at least count things.
    void ExpectShellEvents(size_t count) {
        ASSERT_TRUE(shell_.WaitForEvents(count)) << ::testing::PrintToString(shell_.Events());
        link_->Events().WaitUntilIdle();
    }

    // Lines of the trace that start with prefix, waiting a little for ones still on their way.
    std::vector<std::string> TraceLines(size_t mark, const std::string& prefix, size_t atLeast) {
        std::vector<std::string> found;
        for (int i = 0; i < 200; ++i) {
            found.clear();
            for (const auto& line : keyboard_->TraceSince(mark))
                if (line.rfind(prefix, 0) == 0) found.push_back(line);
            if (found.size() >= atLeast) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return found;
    }

    static std::string Hex(std::span<const uint8_t> bytes) {
        std::string text;
        for (uint8_t b : bytes) {
            char digits[4];
            std::snprintf(digits, sizeof digits, text.empty() ? "%02X" : " %02X", b);
            text += digits;
        }
        return text;
    }

    // A 64-byte frame as the trace shows it: the given leading bytes, then zeros.
    static std::string FrameHex(std::vector<uint8_t> head) {
        head.resize(64, 0);
        return Hex(head);
    }

    RecordingShellPort shell_;
    std::unique_ptr<VirtualKeyboard> keyboard_;
    std::unique_ptr<DeviceLink> link_;
};

}  // namespace quorvel::testing
