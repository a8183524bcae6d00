#include "hidserv/hidapi/hid_service.h"

#include <hidapi.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <set>

#include "hidserv/hidapi/consumer_report.h"
#include "hidserv/hidapi/plug_identity.h"
#include "hidserv/hidapi/report_routing.h"

namespace quorvel {

namespace {

std::vector<HidInterface> Enumerate() {
    std::vector<HidInterface> interfaces;
    std::lock_guard lock(HidApiMutex());
    hid_device_info* list = hid_enumerate(0, 0);
    for (const hid_device_info* info = list; info; info = info->next) {
        if (!info->path) continue;
        interfaces.push_back(
            {info->path, info->vendor_id, info->product_id, info->usage_page, info->usage});
    }
    hid_free_enumeration(list);
    return interfaces;
}

bool Contains(const std::vector<std::string>& paths, const std::string& path) {
    return std::find(paths.begin(), paths.end(), path) != paths.end();
}

}  // namespace

HidService& HidService::Instance() {
    // Never destroyed: the program does not call End, and joining threads that may be inside
    // its callbacks while its statics are torn down could hang the exit. Process exit ends them.
    static HidService* service = new HidService;
    return *service;
}

int HidService::Init() {
    {
        std::lock_guard lock(stateMutex_);
        if (initialized_) return 1;
        std::lock_guard hidLock(HidApiMutex());
        if (hid_init() != 0) return 0;
        initialized_ = true;
    }
    // Listening starts before the first enumeration, so no change can fall between the two.
    // The handler takes stateMutex_, hence the monitor is started without it.
    const bool started = monitor_.Start([this](bool arrival) { Refresh(arrival); });
    std::lock_guard lock(stateMutex_);
    monitorActive_ = started && HidrawMonitor::UdevRunning();
    RefreshLocked(false);
    return 1;
}

int HidService::End() {
    // The monitor's handler takes stateMutex_, so it is stopped before that lock is taken.
    monitor_.Stop();
    std::map<std::string, std::unique_ptr<OpenInterface>> open;
    {
        std::lock_guard lock(stateMutex_);
        if (!initialized_) return 1;
        initialized_ = false;
        monitorActive_ = false;
        interfaces_.clear();
        open.swap(open_);
    }
    open.clear();
    std::vector<std::unique_ptr<StandingRequest>> requests;
    {
        std::lock_guard lock(requestsMutex_);
        requests.swap(requests_);
        for (auto& request : retired_) requests.push_back(std::move(request));
        retired_.clear();
        writeRecords_.clear();
    }
    for (auto& request : requests) request->Stop();
    // Joined without any lock held: a running callback may still call into the library.
    requests.clear();
    std::lock_guard hidLock(HidApiMutex());
    hid_exit();
    return 1;
}

int HidService::Debug() {
    std::lock_guard lock(stateMutex_);
    for (const HidInterface& interface : interfaces_) {
        const auto open = open_.find(interface.path);
        const char* state = open == open_.end()      ? "closed"
                            : open->second->Failed() ? "failed"
                                                     : "open";
        std::fprintf(stderr, "%s %04x:%04x usage %04x:%04x %s\n", interface.path.c_str(),
                     interface.vendorId, interface.productId, interface.usagePage, interface.usage,
                     state);
    }
    return static_cast<int>(open_.size());
}

int HidService::DeviceCount(const InterfaceKey& key) {
    std::lock_guard lock(stateMutex_);
    if (!initialized_) return 0;
    // Without udevd hot-plug events may never come; looking again here still lets standing
    // requests learn of a change, one count query late.
    if (!monitorActive_) RefreshLocked(false);
    return static_cast<int>(MatchingPaths(interfaces_, key).size());
}

std::string HidService::PlugIdentity(const InterfaceKey& key) {
    std::lock_guard lock(stateMutex_);
    if (!initialized_) return {};
    const std::vector<std::string> paths = MatchingPaths(interfaces_, key);
    return paths.empty() ? std::string() : HidrawPlugIdentity(paths.front());
}

uint32_t HidService::AddStandingRequest(const InterfaceKey& key, HidServCallback callback,
                                        uint32_t tag) {
    std::lock_guard lock(stateMutex_);
    if (!initialized_ || !callback) return 0;
    auto request = std::make_unique<StandingRequest>(NextUnitId(), key, callback, tag);
    request->paths = MatchingPaths(interfaces_, key);
    // Only later changes are announced; the caller asks for the present count itself.
    request->lastCount = static_cast<uint32_t>(request->paths.size());
    const uint32_t unitId = request->UnitId();
    {
        std::lock_guard requestsLock(requestsMutex_);
        ReapRetiredLocked();
        requests_.push_back(std::move(request));
    }
    ReconcileLocked(false);
    return unitId;
}

uint32_t HidService::AddWriteRecord(HidServCallback callback) {
    const uint32_t unitId = NextUnitId();
    std::lock_guard lock(requestsMutex_);
    writeRecords_[unitId] = callback;
    return unitId;
}

int HidService::DeleteByUnitId(uint32_t unitId) {
    if (unitId == 0) return 0;
    std::lock_guard lock(requestsMutex_);
    ReapRetiredLocked();
    if (writeRecords_.erase(unitId) > 0) return 1;
    const auto found = std::find_if(requests_.begin(), requests_.end(),
                                    [unitId](const auto& r) { return r->UnitId() == unitId; });
    if (found == requests_.end()) return 0;
    // Not joined here: the caller may be another request's callback, or this one's own.
    (*found)->Stop();
    retired_.push_back(std::move(*found));
    requests_.erase(found);
    return 1;
}

int HidService::DeleteByCallback(HidServCallback callback) {
    if (!callback) return 0;
    std::lock_guard lock(requestsMutex_);
    ReapRetiredLocked();
    int removed = static_cast<int>(
        std::erase_if(writeRecords_, [callback](const auto& r) { return r.second == callback; }));
    for (auto it = requests_.begin(); it != requests_.end();) {
        if ((*it)->Callback() != callback) {
            ++it;
            continue;
        }
        (*it)->Stop();
        retired_.push_back(std::move(*it));
        it = requests_.erase(it);
        ++removed;
    }
    return removed;
}

int HidService::WriteOutput(const InterfaceKey& key, const uint8_t* data, size_t size,
                            bool dropStaleInput) {
    std::lock_guard lock(stateMutex_);
    const HidInterface* matched = nullptr;
    OpenInterface* target = InterfaceLocked(key, &matched);
    if (!target) return 0;
    if (dropStaleInput) {
        // Whatever the interface reported before this write cannot be the answer to it. The
        // reader keeps the kernel's queue empty, so what is left waits in the requests.
        std::lock_guard requestsLock(requestsMutex_);
        for (const auto& request : requests_) {
            if (Contains(request->paths, matched->path) && KeyMatches(request->Key(), *matched)) {
                request->DropQueuedData();
            }
        }
    }
    return target->Write(data, size);
}

int HidService::SendFeature(const InterfaceKey& key, const uint8_t* data, size_t size) {
    std::lock_guard lock(stateMutex_);
    OpenInterface* target = InterfaceLocked(key, nullptr);
    return target ? target->SendFeature(data, size) : 0;
}

int HidService::GetFeature(const InterfaceKey& key, uint8_t* data, size_t size) {
    std::lock_guard lock(stateMutex_);
    OpenInterface* target = InterfaceLocked(key, nullptr);
    return target ? target->GetFeature(data, size) : 0;
}

void HidService::Refresh(bool arrival) {
    std::lock_guard lock(stateMutex_);
    if (initialized_) RefreshLocked(arrival);
}

void HidService::RefreshLocked(bool arrival) {
    interfaces_ = Enumerate();
    ReconcileLocked(arrival);
}

void HidService::ReconcileLocked(bool arrival) {
    std::set<std::string> present;
    for (const HidInterface& interface : interfaces_) present.insert(interface.path);
    std::erase_if(open_, [&present](const auto& entry) {
        return entry.second->Failed() || !present.contains(entry.first);
    });

    std::set<std::string> needed;
    {
        std::lock_guard lock(requestsMutex_);
        for (const auto& request : requests_) {
            for (std::string& path : MatchingPaths(interfaces_, request->Key())) {
                needed.insert(std::move(path));
            }
        }
    }
    // Opened before any count change goes out, so that a caller reacting to an arrival finds
    // the keyboard's input already being read.
    for (const std::string& path : needed) {
        if (!open_.contains(path)) OpenLocked(path, arrival);
    }

    std::lock_guard lock(requestsMutex_);
    for (const auto& request : requests_) {
        request->paths = MatchingPaths(interfaces_, request->Key());
        const auto count = static_cast<uint32_t>(request->paths.size());
        if (count != request->lastCount) {
            request->lastCount = count;
            request->Post({HIDSERV_NOTIFY_COUNT, count, 0, {}});
        }
    }
}

OpenInterface* HidService::InterfaceLocked(const InterfaceKey& key, const HidInterface** matched) {
    if (!initialized_) return nullptr;
    const auto found = std::find_if(interfaces_.begin(), interfaces_.end(),
                                    [&key](const HidInterface& i) { return KeyMatches(key, i); });
    if (found == interfaces_.end()) return nullptr;
    if (matched) *matched = &*found;
    const auto open = open_.find(found->path);
    if (open != open_.end() && !open->second->Failed()) return open->second.get();
    open_.erase(found->path);
    return OpenLocked(found->path, false);
}

OpenInterface* HidService::OpenLocked(const std::string& path, bool arrival) {
    std::vector<HidInterface> node;
    std::copy_if(interfaces_.begin(), interfaces_.end(), std::back_inserter(node),
                 [&path](const HidInterface& i) { return i.path == path; });
    if (node.empty()) return nullptr;
    auto sink = [this](const OpenInterface& source, const uint8_t* data, size_t size) {
        OnReport(source, data, size);
    };
    std::unique_ptr<OpenInterface> open = OpenInterface::Open(std::move(node), sink, arrival);
    if (!open) return nullptr;
    OpenInterface* result = open.get();
    open_[path] = std::move(open);
    return result;
}

void HidService::OnReport(const OpenInterface& source, const uint8_t* data, size_t size) {
    const HidInterface& node = source.Info();
    const uint16_t code = DecodeConsumerCode(data, size, source.Numbering());
    std::lock_guard lock(requestsMutex_);
    for (const auto& request : requests_) {
        if (Contains(request->paths, node.path) &&
            ReportReaches(request->Key(), source.Collections(), source.Layout(), data, size)) {
            request->Post({HIDSERV_NOTIFY_DATA, 0, code, std::vector<uint8_t>(data, data + size)});
        }
    }
}

uint32_t HidService::NextUnitId() {
    uint32_t id = ++lastUnitId_;
    while (id == 0) id = ++lastUnitId_;  // 0 means "no registration" to callers
    return id;
}

void HidService::ReapRetiredLocked() {
    std::erase_if(retired_, [](const auto& request) { return request->Finished(); });
}

}  // namespace quorvel
