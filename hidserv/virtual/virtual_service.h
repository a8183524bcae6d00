#pragma once
// The client side of quorvel-vkbd behind the service-library entry points: one connection per
// process and a reader thread. Control-interface callbacks run on the reader itself, so a reply
// reaches its transaction without another thread hand-off; the other interfaces each have a
// delivery thread of their own, so that control replies never queue behind a consumer-event
// callback that is busy with a user interface. A control callback must therefore return
// promptly and never write through this library: the reader would not see the answer.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "base/notice_queue.h"
#include "emulator/vkbd_wire.h"
#include "hidserv/hidserv.h"

namespace quorvel::hidserv {

class VirtualService {
public:
    static VirtualService& Instance();

    // Connects, starting the daemon from the library's folder when nothing answers.
    bool Init();
    void End();

    // Number of present interfaces (0 or 1): the last count the daemon sent. It changes before
    // any callback hears of the change, and the daemon tells of an unplug before it refuses a
    // write for it, so an answer here is never older than what the caller has already seen.
    int Count();
    // > 0 once the daemon took the report; 0 when the keyboard is absent or unreachable.
    int WriteControl(const uint8_t* data, uint32_t length);
    int WriteIndicator(const uint8_t* data, uint32_t length);
    // "virtual:SOCKET#PLUG", PLUG as the daemon reports it (its own start and its plug
    // counter); empty when the keyboard is absent or the daemon does not answer.
    std::string PlugIdentity();

    uint32_t Register(vkbd::Interface iface, HidServCallback callback, uint32_t tag);
    uint32_t NewUnitId();
    void Unregister(uint32_t unitId);

private:
    struct Registration {
        vkbd::Interface iface;
        HidServCallback callback;
        uint32_t tag;
    };
    struct Event {
        bool isCount;
        uint32_t count;
        std::vector<uint8_t> report;

        std::optional<uint32_t> CountChange() const {
            return isCount ? std::optional<uint32_t>(count) : std::nullopt;
        }
    };
    // A keyboard flooding an interface while its callback is busy costs at most this many
    // reports; plug and unplug notices are never dropped.
    static constexpr size_t MAX_QUEUED_REPORTS = 1024;
    // Delivers one interface's events, in order, on a thread of its own.
    class Dispatcher {
    public:
        void Start(VirtualService* owner, vkbd::Interface iface);
        void Stop();
        void Push(Event event);

    private:
        void Run();
        VirtualService* owner_ = nullptr;
        vkbd::Interface iface_ = vkbd::IFACE_CTRL;
        std::mutex mutex_;
        std::condition_variable wake_;
        NoticeQueue<Event> events_{MAX_QUEUED_REPORTS};
        bool stopping_ = false;
        std::thread thread_;
    };

    VirtualService() = default;
    // The daemon's count, and the plug-in's name when it gives one (see SUBSCRIBE_PLUG_NAMES).
    int ConnectAndSubscribe(uint8_t& count, std::string& plugName);
    // From a count message: the count, and the plug-in's name when the message carries one.
    void CountMessage(std::span<const uint8_t> message);
    // The plug-in's name from the plug-id command, for a daemon that does not send it unasked.
    std::string AskPlugName();
    // With stamped, the message ends in room for the send stamp, filled in just before the send.
    std::optional<std::vector<uint8_t>> Request(std::vector<uint8_t> message, bool stamped = false);
    void ReadLoop();
    void CountChanged(uint8_t count);
    void Dispatch(vkbd::Interface iface, Event event);
    void Notify(vkbd::Interface iface, const Event& event);

    std::mutex lifeMutex_;  // Init / End
    bool running_ = false;

    std::mutex requestMutex_;  // one request on the socket at a time
    std::mutex stateMutex_;    // fd_, connected_, answer_, stopping_, plugName_
    std::condition_variable answered_;
    int fd_ = -1;
    bool connected_ = false;
    bool stopping_ = false;
    std::optional<std::vector<uint8_t>> answer_;
    // The attached keyboard's plug-in as the daemon last named it; empty when it has not.
    std::string plugName_;
    std::atomic<uint8_t> count_ = 0;  // written by Init, End and the reader thread

    std::mutex registryMutex_;
    std::map<uint32_t, Registration> registrations_;
    uint32_t nextUnitId_ = 1;

    std::thread reader_;
    // For every interface but the control one, which the reader serves (index = interface - 1).
    static_assert(vkbd::IFACE_CTRL == 0);
    Dispatcher dispatchers_[vkbd::INTERFACE_COUNT - 1];
};

}  // namespace quorvel::hidserv
