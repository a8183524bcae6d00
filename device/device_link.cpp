#include "device/device_link.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <shared_mutex>
#include <thread>

#include "base/byte_order.h"
#include "device/command_frame.h"
#include "device/device_events.h"
#include "device/result_codes.h"
#include "device/shell_port.h"

namespace quorvel {
namespace {

constexpr uint32_t DESCRIPTOR_MATCH_ALL = 0x0000000F;
constexpr size_t PLUG_IDENTITY_CAPACITY = 1024;

HidServDescriptor MakeDescriptor(uint16_t usagePage, uint16_t usage) {
    HidServDescriptor descriptor{};
    WriteLe32(&descriptor.bytes[0], DESCRIPTOR_MATCH_ALL);
    WriteLe16(&descriptor.bytes[4], KEYBOARD_VENDOR_ID);
    WriteLe16(&descriptor.bytes[6], KEYBOARD_PRODUCT_ID);
    WriteLe16(&descriptor.bytes[8], usagePage);
    WriteLe16(&descriptor.bytes[10], usage);
    return descriptor;
}

const HidServDescriptor CONTROL_DESCRIPTOR = MakeDescriptor(0xFF1C, 0x0092);
const HidServDescriptor CONSUMER_DESCRIPTOR = MakeDescriptor(0x000C, 0x0001);
const HidServDescriptor INDICATOR_DESCRIPTOR = MakeDescriptor(0x0008, 0x0089);

// The library's callback carries no context, so notifications reach the bound link through
// this registration. Dispatch holds it shared; unbinding takes it exclusively, so a link is
// never called after its destructor has unregistered it.
std::shared_mutex boundLinkMutex;
DeviceLink* boundLink = nullptr;

int NotifyBoundLink(const void* notification) {
    std::shared_lock lock(boundLinkMutex);
    return boundLink != nullptr ? boundLink->OnNotify(notification) : 1;
}

const uint8_t* ReadPointer(const uint8_t* record, size_t offset) {
    const uint8_t* pointer = nullptr;
    std::memcpy(&pointer, record + offset, sizeof pointer);
    return pointer;
}

// Notification and request record offsets.
constexpr size_t NOTIFY_KIND_OFFSET = 0;
constexpr size_t NOTIFY_REQUEST_OFFSET = 8;
constexpr size_t REQUEST_TAG_OFFSET = 0;
constexpr size_t REQUEST_COUNT_OFFSET = 4;
constexpr size_t REQUEST_DATA_OFFSET = 8;
constexpr size_t REQUEST_DECODED_OFFSET = 16;
static_assert(NOTIFY_REQUEST_OFFSET + sizeof(void*) <= HIDSERV_NOTIFY_SIZE);
static_assert(REQUEST_DECODED_OFFSET + sizeof(void*) <= HIDSERV_REQUEST_SIZE);
static_assert(HIDSERV_DECODED_CODE_PTR_OFFSET + sizeof(void*) <= HIDSERV_DECODED_SIZE);

}  // namespace

DeviceLink::DeviceLink(ShellPort& shell)
    : shell_(shell), events_(std::make_unique<DeviceEvents>(*this, shell)) {}

DeviceLink::~DeviceLink() {
    // The workers are told first, so that the reads the refused transactions cut short are
    // not reported to the window as the keyboard's failures.
    events_->Stop();
    closing_ = true;
    replySlot_.Cancel();
    if (bound_) {
        // Waits for notifications being dispatched; none reaches the events after this.
        std::unique_lock lock(boundLinkMutex);
        boundLink = nullptr;
    }
    events_.reset();
    if (bound_) {
        std::lock_guard lock(requestMutex_);
        entryPoints_.DeleteRequestFromUnitId(consUnitId_);
        entryPoints_.DeleteRequestFromUnitId(ctrlUnitId_);
        entryPoints_.DeleteRequestFromUnitId(ledUnitId_);
    }
}

BindResult DeviceLink::Bind(const BindOptions& options) {
    std::string path = ServiceLibraryPath(options);
    ServiceEntryPoints found;
    BindResult loaded = LoadServiceLibrary(path, found);
    if (!loaded.Ok()) return loaded;
    int init = found.Init(0);
    if (init <= 0) {
        return {BindError::INIT_FAILED, "the HID service library " + path +
                                            " failed to initialise (Init returned " +
                                            std::to_string(init) + ")"};
    }
    {
        std::unique_lock lock(boundLinkMutex);
        if (boundLink != nullptr) {
            return {BindError::ALREADY_BOUND, "the HID service library is already bound"};
        }
        boundLink = this;
    }
    entryPoints_ = found;
    bound_ = true;
    {
        std::lock_guard lock(requestMutex_);
        indicatorState_ = {INDICATOR_REPORT, INDICATOR_ALWAYS_SET};
        ledUnitId_ = 0;
    }
    SubscribeCons();
    replySlot_.Close();
    SubscribeCtrl();
    uint32_t count = CountControlInterfaces();
    if (options.arrivalHere)
        events_->HandlePresenceHere(count);
    else
        events_->StartPresenceWorker(count);
    if (count == 0) shell_.SetAutoOpenDone();
    return {};
}

void DeviceLink::Subscribe(const HidServDescriptor& descriptor, uint32_t tag, uint32_t& unitId) {
    std::lock_guard lock(requestMutex_);
    entryPoints_.DeleteRequestFromUnitId(unitId);
    entryPoints_.RequestAsyncRead(&descriptor, NotifyBoundLink, tag, &unitId);
}

void DeviceLink::SubscribeCons() {
    Subscribe(CONSUMER_DESCRIPTOR, TAG_CONS, consUnitId_);
}

void DeviceLink::SubscribeCtrl() {
    Subscribe(CONTROL_DESCRIPTOR, TAG_CTRL, ctrlUnitId_);
}

void DeviceLink::WriteLedState() {
    std::lock_guard lock(requestMutex_);
    if (!bound_) return;
    entryPoints_.DeleteRequestFromUnitId(ledUnitId_);
    entryPoints_.RequestStatusWrite(&INDICATOR_DESCRIPTOR, NotifyBoundLink, TAG_LED,
                                    indicatorState_.data(), indicatorState_.size(), &ledUnitId_);
}

int DeviceLink::OnNotify(const void* notification) {
    if (notification == nullptr) return 1;
    const auto* record = static_cast<const uint8_t*>(notification);
    uint32_t kind = ReadLe32(record + NOTIFY_KIND_OFFSET);
    const uint8_t* request = ReadPointer(record, NOTIFY_REQUEST_OFFSET);
    if (request == nullptr) return 1;
    uint32_t tag = ReadLe32(request + REQUEST_TAG_OFFSET);
    uint32_t count = ReadLe32(request + REQUEST_COUNT_OFFSET);
    if (kind == HIDSERV_NOTIFY_DATA && tag == TAG_CONS) {
        const uint8_t* decoded = ReadPointer(request, REQUEST_DECODED_OFFSET);
        if (decoded == nullptr) return 1;
        const uint8_t* code = ReadPointer(decoded, HIDSERV_DECODED_CODE_PTR_OFFSET);
        if (code != nullptr) events_->OnConsumerCode(ReadLe16(code));
    } else if (kind == HIDSERV_NOTIFY_DATA && tag == TAG_CTRL) {
        OnControlData(count, ReadPointer(request, REQUEST_DATA_OFFSET));
    } else if (kind == HIDSERV_NOTIFY_COUNT && tag == TAG_CTRL) {
        if (count == 0) {
            departures_.fetch_add(1);
            // Whatever comes back may have been changed anywhere in between.
            picture_.SetPlugIdentity("");
        }
        events_->StartPresenceWorker(count);
    }
    return 1;
}

uint32_t DeviceLink::CountControlInterfaces() {
    if (!bound_) return 0;
    int count = entryPoints_.RequestGetDeviceCount(&CONTROL_DESCRIPTOR, nullptr, 0, nullptr);
    return count > 0 ? static_cast<uint32_t>(count) : 0;
}

std::string DeviceLink::QueryPlugIdentity() {
    if (!bound_ || entryPoints_.PlugIdentity == nullptr) return {};
    std::array<char, PLUG_IDENTITY_CAPACITY> text{};
    int length = entryPoints_.PlugIdentity(&CONTROL_DESCRIPTOR, text.data(), text.size());
    if (length <= 0 || static_cast<size_t>(length) >= text.size()) return {};
    return std::string(text.data(), static_cast<size_t>(length));
}

int DeviceLink::TransactCommand(const uint8_t* request, size_t requestLength, uint8_t* reply,
                                uint32_t replyCapacity, uint32_t* receivedLength) {
    *receivedLength = 0;
    if (requestLength > COMMAND_FRAME_SIZE) return CMD_TOO_LONG;
    std::lock_guard transaction(transactionMutex_);
    if (closing_ || CountControlInterfaces() == 0) return CMD_NO_DEVICE;

    CommandFrame frame{};
    std::copy_n(request, std::min(requestLength, COMMAND_FRAME_SIZE), frame.begin());
    if (dryRun_) {
        dryRun_(frame);
        if (IsWriteCommand(frame[FRAME_COMMAND_OFFSET])) {
            // Answered as the keyboard would: the request's head echoed, status 0, no data.
            const size_t echoed = std::min<size_t>(replyCapacity, FRAME_DATA_OFFSET);
            std::fill_n(reply, replyCapacity, 0);
            std::copy_n(frame.begin(), echoed, reply);
            if (echoed > FRAME_STATUS_OFFSET) reply[FRAME_STATUS_OFFSET] = 0;
            *receivedLength = replyCapacity;
            return CMD_OK;
        }
    }

    for (int attempt = 1;; ++attempt) {
        if (closing_) return CMD_NO_DEVICE;
        replySlot_.Open(frame.data(), reply, replyCapacity);
        if (entryPoints_.RequestWriteOne(&CONTROL_DESCRIPTOR, nullptr, 0, frame.data(),
                                         frame.size(), nullptr) <= 0) {
            replySlot_.Close();
            return CMD_WRITE_FAILED;
        }
        // Only a reply to this frame ends the wait; one to another frame counts as none at all.
        auto received = replySlot_.WaitAndClose(std::chrono::milliseconds(replyWaitMs_.load()));
        if (received) {
            bool errorStatus =
                *received > FRAME_STATUS_OFFSET && (reply[FRAME_STATUS_OFFSET] == FRAME_STATUS_FF ||
                                                    reply[FRAME_STATUS_OFFSET] == FRAME_STATUS_FE);
            // An error status is retried, but the last one is handed to the caller to map.
            if (!errorStatus || attempt == TRANSACTION_ATTEMPTS) {
                *receivedLength = *received;
                return CMD_OK;
            }
        } else if (attempt == TRANSACTION_ATTEMPTS) {
            return CMD_NO_REPLY;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(RETRY_PAUSE_MS));
    }
}

void DeviceLink::OnControlData(uint32_t length, const uint8_t* data) {
    replySlot_.Deliver(data, length);
}

int DeviceLink::CurrentProfileCache() const {
    std::lock_guard lock(keyboardStateMutex_);
    return currentProfileCache_;
}

void DeviceLink::ResetCurrentProfileCache() {
    std::lock_guard lock(keyboardStateMutex_);
    currentProfileCache_ = -1;
    ++profileCacheResets_;
}

uint64_t DeviceLink::ProfileCacheResets() const {
    std::lock_guard lock(keyboardStateMutex_);
    return profileCacheResets_;
}

void DeviceLink::StoreCurrentProfileCache(int profile, uint64_t resetsAtStart) {
    std::lock_guard lock(keyboardStateMutex_);
    if (profile == -1 || resetsAtStart == profileCacheResets_) currentProfileCache_ = profile;
}

void DeviceLink::NoteKeyboardMacros(std::vector<int32_t> ids, bool everyTable) {
    std::lock_guard lock(keyboardStateMutex_);
    if (!everyTable && macroPositions_ != MacroPositions::KNOWN) return;
    keyboardMacroIds_ = std::move(ids);
    macroPositions_ = MacroPositions::KNOWN;
}

void DeviceLink::ForgetKeyboardMacros() {
    std::lock_guard lock(keyboardStateMutex_);
    keyboardMacroIds_.clear();
    macroPositions_ = MacroPositions::UNKNOWN;
}

void DeviceLink::MarkKeyboardMacrosTorn() {
    std::lock_guard lock(keyboardStateMutex_);
    keyboardMacroIds_.clear();
    macroPositions_ = MacroPositions::TORN;
}

bool DeviceLink::MacroPositionsMoved(std::span<const int32_t> ids) const {
    std::lock_guard lock(keyboardStateMutex_);
    switch (macroPositions_) {
        case MacroPositions::UNKNOWN:
            return false;
        case MacroPositions::TORN:
            return true;
        case MacroPositions::KNOWN:
            break;
    }
    return ids.size() < keyboardMacroIds_.size() ||
           !std::equal(keyboardMacroIds_.begin(), keyboardMacroIds_.end(), ids.begin());
}

std::array<uint8_t, 2> DeviceLink::IndicatorState() {
    std::lock_guard lock(requestMutex_);
    return indicatorState_;
}

bool DeviceLink::ToggleGKeyBank() {
    std::lock_guard lock(requestMutex_);
    indicatorState_[1] ^= INDICATOR_BANK_B;
    return (indicatorState_[1] & INDICATOR_BANK_B) != 0;
}

}  // namespace quorvel
