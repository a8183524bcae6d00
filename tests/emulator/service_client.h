#pragma once
// The virtual service library as the program sees it: dlopen'ed from the binary folder, its
// entry points looked up by name, replies and events collected from the standing requests.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

#include "hidserv/hidserv.h"

namespace quorvel::testing {

using Frame = std::vector<uint8_t>;

// A frame with report id, command, length and address set and the checksum filled in.
Frame MakeFrame(uint8_t command, uint8_t length = 0, uint16_t address = 0,
                const std::vector<uint8_t>& data = {});

class ServiceClient {
public:
    struct CountChange {
        uint32_t tag;
        uint32_t count;
    };

    // Loads the library (once per process), calls Init and registers CTRL and CONS.
    ServiceClient();
    ~ServiceClient();  // End: the library can be initialised again for the next daemon

    int Write(const Frame& frame);
    // Writes the frame and waits for the next control reply.
    std::optional<Frame> Transact(const Frame& frame,
                                  std::chrono::milliseconds wait = std::chrono::seconds(2));
    std::optional<Frame> NextReply(std::chrono::milliseconds wait);
    std::optional<uint16_t> NextConsumerCode(std::chrono::milliseconds wait);
    // Waits for a count notification carrying tag.
    std::optional<uint32_t> NextCount(uint32_t tag, std::chrono::milliseconds wait);

    int ControlCount() const;
    int WriteIndicator(uint8_t byte0, uint8_t byte1);

    HidServDescriptor control, consumer, indicator;

    // The twelve entry points, named as the library exports them.
    HidServDebugFn Debug = nullptr;
    HidServInitFn Init = nullptr;
    HidServEndFn End = nullptr;
    HidServRequestGetDeviceCountFn RequestGetDeviceCount = nullptr;
    HidServDeleteRequestFromUnitIdFn DeleteRequestFromUnitId = nullptr;
    HidServDeleteRequestFromHandleFn DeleteRequestFromHandle = nullptr;
    HidServWriteFn RequestWrite = nullptr;
    HidServWriteFn RequestWriteOne = nullptr;
    HidServWriteFn RequestStatusWrite = nullptr;
    HidServStatusGetFn RequestStatusGet = nullptr;
    HidServAsyncReadFn RequestAsyncRead = nullptr;
    HidServWriteFn RequestStatusSetFeature = nullptr;

    uint32_t ctrlUnitId = 0, consUnitId = 0;
};

constexpr uint32_t TAG_CTRL = 0x4354524C;
constexpr uint32_t TAG_CONS = 0x434F4E53;

}  // namespace quorvel::testing
