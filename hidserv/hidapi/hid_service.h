#pragma once
// The service behind the exported entry points: enumeration, open interfaces, standing
// requests and hot-plug.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "hidserv/hidapi/hidraw_monitor.h"
#include "hidserv/hidapi/interface_match.h"
#include "hidserv/hidapi/open_interface.h"
#include "hidserv/hidapi/standing_request.h"
#include "hidserv/hidserv.h"

namespace quorvel {

class HidService {
public:
    static HidService& Instance();

    int Init();
    int End();
    int Debug();

    int DeviceCount(const InterfaceKey& key);
    uint32_t AddStandingRequest(const InterfaceKey& key, HidServCallback callback, uint32_t tag);
    // A write leaves nothing standing; its unit id only lets the caller delete it like any other.
    uint32_t AddWriteRecord(HidServCallback callback);
    int DeleteByUnitId(uint32_t unitId);
    int DeleteByCallback(HidServCallback callback);

    // Results as hidapi gives them (bytes transferred, or -1); 0 when nothing matches.
    int WriteOutput(const InterfaceKey& key, const uint8_t* data, size_t size, bool dropStaleInput);
    int SendFeature(const InterfaceKey& key, const uint8_t* data, size_t size);
    int GetFeature(const InterfaceKey& key, uint8_t* data, size_t size);
    // The plug identity of the first matching interface; empty when none is present.
    std::string PlugIdentity(const InterfaceKey& key);

private:
    HidService() = default;

    void Refresh(bool arrival);
    // The callers hold stateMutex_.
    void RefreshLocked(bool arrival);
    void ReconcileLocked(bool arrival);
    OpenInterface* InterfaceLocked(const InterfaceKey& key, const HidInterface** matched);
    OpenInterface* OpenLocked(const std::string& path, bool arrival);

    void OnReport(const OpenInterface& source, const uint8_t* data, size_t size);
    uint32_t NextUnitId();
    void ReapRetiredLocked();

    // Lock order: stateMutex_ before requestsMutex_. Reader threads take only requestsMutex_,
    // so an interface can be closed (its reader joined) while stateMutex_ is held.
    std::mutex stateMutex_;
    bool initialized_ = false;
    bool monitorActive_ = false;
    std::vector<HidInterface> interfaces_;
    std::map<std::string, std::unique_ptr<OpenInterface>> open_;
    HidrawMonitor monitor_;

    std::mutex requestsMutex_;
    std::vector<std::unique_ptr<StandingRequest>> requests_;
    std::vector<std::unique_ptr<StandingRequest>> retired_;
    std::map<uint32_t, HidServCallback> writeRecords_;

    std::atomic<uint32_t> lastUnitId_{0};
};

}  // namespace quorvel
