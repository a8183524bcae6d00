#include "tests/emulator/service_client.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

#include "base/byte_order.h"
#include "tests/support/virtual_keyboard.h"

namespace quorvel::testing {
namespace {

// What the callbacks collected; the library calls them on its own threads.
struct Inbox {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Frame> replies;
    std::deque<uint16_t> consumerCodes;
    std::deque<ServiceClient::CountChange> counts;
};
Inbox inbox;

const void* PointerAt(const uint8_t* record, int offset) {
    const void* pointer;
    std::memcpy(&pointer, record + offset, sizeof(pointer));
    return pointer;
}

int OnNotify(const void* notification) {
    auto* note = static_cast<const uint8_t*>(notification);
    auto* request = static_cast<const uint8_t*>(PointerAt(note, 8));
    uint32_t kind = ReadLe32(note);
    uint32_t tag = ReadLe32(request);
    uint32_t count = ReadLe32(request + 4);
    std::lock_guard lock(inbox.mutex);
    if (kind == HIDSERV_NOTIFY_COUNT) {
        inbox.counts.push_back({tag, count});
    } else if (tag == TAG_CTRL) {
        auto* data = static_cast<const uint8_t*>(PointerAt(request, 8));
        inbox.replies.emplace_back(data, data + count);
    } else if (tag == TAG_CONS) {
        auto* decoded = static_cast<const uint8_t*>(PointerAt(request, 16));
        auto* code =
            static_cast<const uint8_t*>(PointerAt(decoded, HIDSERV_DECODED_CODE_PTR_OFFSET));
        inbox.consumerCodes.push_back(ReadLe16(code));
    }
    inbox.changed.notify_all();
    return 1;
}

HidServDescriptor Descriptor(uint16_t usagePage, uint16_t usage) {
    HidServDescriptor desc{};
    WriteLe32(desc.bytes, 0x0F);
    WriteLe16(desc.bytes + 4, 0x0C45);
    WriteLe16(desc.bytes + 6, 0x7A3D);
    WriteLe16(desc.bytes + 8, usagePage);
    WriteLe16(desc.bytes + 10, usage);
    return desc;
}

template <typename T>
std::optional<T> Take(std::deque<T>& queue, std::chrono::milliseconds wait) {
    std::unique_lock lock(inbox.mutex);
    if (!inbox.changed.wait_for(lock, wait, [&] { return !queue.empty(); })) return std::nullopt;
    T value = queue.front();
    queue.pop_front();
    return value;
}

}  // namespace

Frame MakeFrame(uint8_t command, uint8_t length, uint16_t address,
                const std::vector<uint8_t>& data) {
    Frame frame(64, 0);
    frame[0] = 0x04;
    frame[3] = command;
    frame[4] = length;
    WriteLe16(&frame[5], address);
    std::copy(data.begin(), data.end(), frame.begin() + 8);
    unsigned sum = 0;
    for (int i = 3; i < 64; ++i) sum += frame[i];
    WriteLe16(&frame[1], static_cast<uint16_t>(sum));
    return frame;
}

ServiceClient::ServiceClient()
    : control(Descriptor(0xFF1C, 0x0092)),
      consumer(Descriptor(0x000C, 0x0001)),
      indicator(Descriptor(0x0008, 0x0089)) {
    std::string path = BinDir() + "/libHidServVirtual.so";
    void* library = dlopen(path.c_str(), RTLD_NOW);
    if (!library) throw std::runtime_error(dlerror());
#define QUORVEL_LOOKUP(name)                                        \
    name = reinterpret_cast<decltype(name)>(dlsym(library, #name)); \
    if (!name) throw std::runtime_error("missing entry point " #name);
    HIDSERV_ENTRY_POINTS(QUORVEL_LOOKUP)
#undef QUORVEL_LOOKUP
    {
        std::lock_guard lock(inbox.mutex);
        inbox.replies.clear();
        inbox.consumerCodes.clear();
        inbox.counts.clear();
    }
    if (Init(0) <= 0) throw std::runtime_error("Init failed");
    RequestAsyncRead(&consumer, OnNotify, TAG_CONS, &consUnitId);
    RequestAsyncRead(&control, OnNotify, TAG_CTRL, &ctrlUnitId);
}

ServiceClient::~ServiceClient() {
    End();
}

int ServiceClient::Write(const Frame& frame) {
    return RequestWriteOne(&control, nullptr, 0, frame.data(), static_cast<uint32_t>(frame.size()),
                           nullptr);
}

std::optional<Frame> ServiceClient::Transact(const Frame& frame, std::chrono::milliseconds wait) {
    if (Write(frame) <= 0) return std::nullopt;
    return NextReply(wait);
}

std::optional<Frame> ServiceClient::NextReply(std::chrono::milliseconds wait) {
    return Take(inbox.replies, wait);
}

std::optional<uint16_t> ServiceClient::NextConsumerCode(std::chrono::milliseconds wait) {
    return Take(inbox.consumerCodes, wait);
}

std::optional<uint32_t> ServiceClient::NextCount(uint32_t tag, std::chrono::milliseconds wait) {
    auto deadline = std::chrono::steady_clock::now() + wait;
    std::unique_lock lock(inbox.mutex);
    for (;;) {
        for (auto it = inbox.counts.begin(); it != inbox.counts.end(); ++it) {
            if (it->tag == tag) {
                uint32_t count = it->count;
                inbox.counts.erase(it);
                return count;
            }
        }
        if (inbox.changed.wait_until(lock, deadline) == std::cv_status::timeout)
            return std::nullopt;
    }
}

int ServiceClient::ControlCount() const {
    return RequestGetDeviceCount(&control, nullptr, 0, nullptr);
}

int ServiceClient::WriteIndicator(uint8_t byte0, uint8_t byte1) {
    uint8_t state[2] = {byte0, byte1};
    uint32_t unitId = 0;
    return RequestStatusWrite(&indicator, OnNotify, 0x004C4544, state, 2, &unitId);
}

}  // namespace quorvel::testing
