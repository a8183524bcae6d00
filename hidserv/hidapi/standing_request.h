#pragma once
// A standing request and the thread that runs its callback.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "hidserv/hidapi/interface_match.h"
#include "hidserv/hidserv.h"

namespace quorvel {

struct PendingEvent {
    uint32_t kind = HIDSERV_NOTIFY_DATA;
    uint32_t count = 0;         // kind 0: the new number of matching interfaces
    uint16_t code = 0;          // kind 1: the decoded consumer code
    std::vector<uint8_t> data;  // kind 1: the report as read

    std::optional<uint32_t> CountChange() const {
        return kind == HIDSERV_NOTIFY_COUNT ? std::optional<uint32_t>(count) : std::nullopt;
    }
};

// Each request delivers on a thread of its own, so a callback that blocks (waiting for the
// user interface, say) holds up neither the reader threads nor the other requests: control
// replies keep arriving while a consumer event is being handled.
class StandingRequest {
public:
    StandingRequest(uint32_t unitId, const InterfaceKey& key, HidServCallback callback,
                    uint32_t tag);
    ~StandingRequest();
    StandingRequest(const StandingRequest&) = delete;
    StandingRequest& operator=(const StandingRequest&) = delete;

    // Queues an event; past the bound the oldest report goes, never a count change.
    void Post(PendingEvent event);
    // Forgets reports not yet delivered; count changes stay queued.
    void DropQueuedData();
    // No callback starts after this returns; one already running finishes.
    void Stop();
    // The delivery thread has ended, so destroying the request will not block.
    bool Finished() const;

    uint32_t UnitId() const { return unitId_; }
    const InterfaceKey& Key() const { return key_; }
    HidServCallback Callback() const { return callback_; }

    // Kept up to date by the service, under its request lock.
    std::vector<std::string> paths;
    uint32_t lastCount = 0;

private:
    struct Queue;

    uint32_t unitId_;
    InterfaceKey key_;
    HidServCallback callback_;
    std::shared_ptr<Queue> queue_;  // shared with the thread, which may outlive this object
    std::thread thread_;
};

}  // namespace quorvel
