#pragma once
// The client side of quorvel-vkbd behind the service-library entry points: one connection per
// process, a reader thread, and one delivery thread per keyboard interface, so that control
// replies never queue behind a consumer-event callback that is busy with a user interface.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "emulator/vkbd_wire.h"
#include "hidserv/hidserv.h"

namespace quorvel::hidserv {

class VirtualService {
public:
    static VirtualService& Instance();

    // Connects, starting the daemon from the library's folder when nothing answers.
    bool Init();
    void End();

    // Number of present interfaces (0 or 1), asked of the daemon.
    int Count();
    // > 0 once the daemon took the report; 0 when the keyboard is absent or unreachable.
    int WriteControl(const uint8_t* data, uint32_t length);
    int WriteIndicator(const uint8_t* data, uint32_t length);

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
    };
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
        std::deque<Event> events_;
        bool stopping_ = false;
        std::thread thread_;
    };

    VirtualService() = default;
    int ConnectAndSubscribe(uint8_t& count);
    std::optional<std::vector<uint8_t>> Request(const std::vector<uint8_t>& message);
    void ReadLoop();
    void CountChanged(uint8_t count);
    void Notify(vkbd::Interface iface, const Event& event);

    std::mutex lifeMutex_;  // Init / End
    bool running_ = false;

    std::mutex requestMutex_;  // one request on the socket at a time
    std::mutex stateMutex_;    // fd_, connected_, answer_, stopping_
    std::condition_variable answered_;
    int fd_ = -1;
    bool connected_ = false;
    bool stopping_ = false;
    std::optional<std::vector<uint8_t>> answer_;
    uint8_t lastCount_ = 0;  // reader thread only

    std::mutex registryMutex_;
    std::map<uint32_t, Registration> registrations_;
    uint32_t nextUnitId_ = 1;

    std::thread reader_;
    Dispatcher dispatchers_[vkbd::INTERFACE_COUNT];
};

}  // namespace quorvel::hidserv
