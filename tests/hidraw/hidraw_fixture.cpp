#include "tests/hidraw/hidraw_fixture.h"

#include <cstring>

#include "device/command_frame.h"

namespace quorvel::testing {

NotificationLog& NotificationLog::Instance() {
    static NotificationLog log;
    return log;
}

void NotificationLog::Clear() {
    std::lock_guard lock(mutex_);
    heard_.clear();
    holdTag_.reset();
    holding_ = false;
}

void NotificationLog::Add(uint32_t tag, Heard heard) {
    std::unique_lock lock(mutex_);
    heard_.emplace_back(tag, std::move(heard));
    changed_.notify_all();
    if (holdTag_ == tag) {
        holdTag_.reset();
        holding_ = true;
        changed_.notify_all();
        changed_.wait(lock, [this] { return !holding_; });
    }
}

std::vector<Heard> NotificationLog::Of(uint32_t tag) {
    std::lock_guard lock(mutex_);
    std::vector<Heard> found;
    for (const auto& [t, heard] : heard_)
        if (t == tag) found.push_back(heard);
    return found;
}

bool NotificationLog::WaitFor(uint32_t tag, size_t count, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] {
        size_t n = 0;
        for (const auto& entry : heard_) n += entry.first == tag;
        return n >= count;
    });
}

void NotificationLog::HoldNext(uint32_t tag) {
    std::lock_guard lock(mutex_);
    holdTag_ = tag;
}

void NotificationLog::Release() {
    std::lock_guard lock(mutex_);
    holding_ = false;
    changed_.notify_all();
}

bool NotificationLog::WaitHeld(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [this] { return holding_; });
}

int RecordingCallback(const void* notification) {
    const auto* bytes = static_cast<const uint8_t*>(notification);
    uint32_t kind;
    const uint8_t* request;
    std::memcpy(&kind, bytes, sizeof kind);
    std::memcpy(&request, bytes + 8, sizeof request);
    uint32_t tag, value;
    const uint8_t* data;
    const uint8_t* decoded;
    std::memcpy(&tag, request, sizeof tag);
    std::memcpy(&value, request + 4, sizeof value);
    std::memcpy(&data, request + 8, sizeof data);
    std::memcpy(&decoded, request + 16, sizeof decoded);
    Heard heard{kind, value, {}, 0};
    if (kind == HIDSERV_NOTIFY_DATA) {
        heard.data.assign(data, data + value);
        const uint8_t* code;
        std::memcpy(&code, decoded + HIDSERV_DECODED_CODE_PTR_OFFSET, sizeof code);
        std::memcpy(&heard.code, code, sizeof heard.code);
    }
    NotificationLog::Instance().Add(tag, std::move(heard));
    return 1;
}

HidServDescriptor Descriptor(uint16_t usagePage, uint16_t usage, uint16_t vendor,
                             uint16_t product) {
    HidServDescriptor descriptor{};
    const uint32_t flags = 0x0000000F;
    std::memcpy(descriptor.bytes, &flags, 4);
    std::memcpy(descriptor.bytes + 4, &vendor, 2);
    std::memcpy(descriptor.bytes + 6, &product, 2);
    std::memcpy(descriptor.bytes + 8, &usagePage, 2);
    std::memcpy(descriptor.bytes + 10, &usage, 2);
    return descriptor;
}

const HidServDescriptor& ControlDescriptor() {
    static const HidServDescriptor descriptor = Descriptor(0xFF1C, 0x0092);
    return descriptor;
}

const HidServDescriptor& ConsumerDescriptor() {
    static const HidServDescriptor descriptor = Descriptor(0x000C, 0x0001);
    return descriptor;
}

const HidServDescriptor& IndicatorDescriptor() {
    static const HidServDescriptor descriptor = Descriptor(0x0008, 0x0089);
    return descriptor;
}

void HidrawTest::SetUp() {
    NotificationLog::Instance().Clear();
    firmware_ = std::make_unique<VirtualKeyboard>();
    keyboard_ = std::make_unique<HidrawKeyboard>(*firmware_, KeyboardOptions());
    BindResult loaded = LoadServiceLibrary(BinDir() + "/" + SERVICE_LIBRARY_NAME, library_);
    ASSERT_TRUE(loaded.Ok()) << loaded.message;
    ASSERT_GT(library_.Init(0), 0);
}

void HidrawTest::TearDown() {
    // Each test has a testbed of its own; the next Init listens for its events.
    if (library_.End) library_.End();
    NotificationLog::Instance().Release();
    keyboard_.reset();
    firmware_.reset();
}

uint32_t HidrawTest::Subscribe(const HidServDescriptor& descriptor, uint32_t tag) {
    uint32_t unitId = 0;
    library_.RequestAsyncRead(&descriptor, RecordingCallback, tag, &unitId);
    return unitId;
}

std::vector<uint8_t> HidrawTest::Frame(uint8_t command, uint8_t length, uint16_t address) {
    CommandFrame frame = BuildCommandFrame(command, length, address);
    return {frame.begin(), frame.end()};
}

}  // namespace quorvel::testing
