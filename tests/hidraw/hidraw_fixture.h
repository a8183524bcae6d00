#pragma once
// Fixture: libHidServ.so, loaded the way the program loads it, in front of the keyboard's
// emulated hidraw nodes, with quorvel-vkbd as the firmware behind them.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "device/service_library.h"
#include "tests/hidraw/hidraw_keyboard.h"
#include "tests/support/virtual_keyboard.h"

namespace quorvel::testing {

// What one standing request was told, in order.
struct Heard {
    uint32_t kind;
    uint32_t value;  // kind 1: data length; kind 0: device count
    std::vector<uint8_t> data;
    uint16_t code;  // kind 1: the decoded consumer code
};

// Records the notifications of every request registered with RecordingCallback, by tag.
class NotificationLog {
public:
    static NotificationLog& Instance();
    void Clear();
    void Add(uint32_t tag, Heard heard);
    std::vector<Heard> Of(uint32_t tag);
    // Waits until the request with tag has been told at least count things.
    bool WaitFor(uint32_t tag, size_t count, std::chrono::milliseconds timeout);
    // While set, a callback for tag blocks until released (a busy receiver).
    void HoldNext(uint32_t tag);
    void Release();
    bool WaitHeld(std::chrono::milliseconds timeout);

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::pair<uint32_t, Heard>> heard_;
    std::optional<uint32_t> holdTag_;
    bool holding_ = false;
};

int RecordingCallback(const void* notification);

HidServDescriptor Descriptor(uint16_t usagePage, uint16_t usage, uint16_t vendor = 0x0C45,
                             uint16_t product = 0x7A3D);
const HidServDescriptor& ControlDescriptor();
const HidServDescriptor& ConsumerDescriptor();
const HidServDescriptor& IndicatorDescriptor();

class HidrawTest : public ::testing::Test {
protected:
    virtual HidrawKeyboard::Options KeyboardOptions() { return {}; }

    void SetUp() override;
    void TearDown() override;

    uint32_t Subscribe(const HidServDescriptor& descriptor, uint32_t tag);
    // A 64-byte command frame with its checksum.
    static std::vector<uint8_t> Frame(uint8_t command, uint8_t length, uint16_t address);

    std::unique_ptr<VirtualKeyboard> firmware_;
    std::unique_ptr<HidrawKeyboard> keyboard_;
    ServiceEntryPoints library_;
};

}  // namespace quorvel::testing
