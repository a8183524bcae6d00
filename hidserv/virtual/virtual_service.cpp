#include "hidserv/virtual/virtual_service.h"

#include <dlfcn.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <utility>

#include "base/byte_order.h"

extern char** environ;

namespace quorvel::hidserv {
namespace {

constexpr auto ANSWER_TIMEOUT = std::chrono::seconds(10);
constexpr auto RECONNECT_PERIOD = std::chrono::milliseconds(100);
constexpr int REQUEST_TAG = 0;
constexpr int REQUEST_COUNT = 4;
constexpr int REQUEST_DATA = 8;
constexpr int REQUEST_DECODED = 16;
constexpr int NOTIFY_KIND = 0;
constexpr int NOTIFY_REQUEST = 8;

thread_local bool onReaderThread = false;

void StorePointer(uint8_t* at, const void* pointer) {
    std::memcpy(at, &pointer, sizeof(pointer));
}

// The daemon lives beside this library in the build tree, and in the bin folder of an
// installed tree, where the library sits in lib/quorvel.
std::string DaemonPath() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&DaemonPath), &info) == 0 || !info.dli_fname)
        return "quorvel-vkbd";
    std::string library = info.dli_fname;
    size_t slash = library.rfind('/');
    if (slash == std::string::npos) return "quorvel-vkbd";
    const std::string dir = library.substr(0, slash);
    const std::string beside = dir + "/quorvel-vkbd";
    const std::string installed = dir + "/../../bin/quorvel-vkbd";
    return access(beside.c_str(), X_OK) != 0 && access(installed.c_str(), X_OK) == 0 ? installed
                                                                                     : beside;
}

// Runs `quorvel-vkbd serve --daemon`, which returns once its socket listens.
void StartDaemon(const std::string& socketPath) {
    std::string program = DaemonPath();
    std::vector<std::string> args = {program, "serve", "--daemon", "--socket", socketPath};
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return;
    int status;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

}  // namespace

VirtualService& VirtualService::Instance() {
    static VirtualService* service = new VirtualService;  // outlives every callback thread
    return *service;
}

int VirtualService::ConnectAndSubscribe(uint8_t& count, std::string& plugName) {
    int fd = vkbd::ConnectSocket(vkbd::DefaultSocketPath());
    if (fd < 0) return -1;
    std::vector<uint8_t> answer;
    if (!vkbd::SendMessage(fd, {vkbd::MSG_SUBSCRIBE, vkbd::SUBSCRIBE_PLUG_NAMES}) ||
        !vkbd::ReceiveMessage(fd, answer) || answer.size() < 2 || answer[0] != vkbd::MSG_COUNT) {
        close(fd);
        return -1;
    }
    count = answer[1];
    plugName.assign(answer.begin() + 2, answer.end());
    return fd;
}

bool VirtualService::Init() {
    std::lock_guard life(lifeMutex_);
    if (running_) return true;
    uint8_t count = 0;
    std::string plugName;
    int fd = ConnectAndSubscribe(count, plugName);
    if (fd < 0) {
        StartDaemon(vkbd::DefaultSocketPath());
        fd = ConnectAndSubscribe(count, plugName);
    }
    if (fd < 0) return false;
    {
        std::lock_guard lock(stateMutex_);
        fd_ = fd;
        connected_ = true;
        stopping_ = false;
        plugName_ = plugName;
    }
    count_ = count;
    for (int i = 1; i < vkbd::INTERFACE_COUNT; ++i)
        dispatchers_[i - 1].Start(this, static_cast<vkbd::Interface>(i));
    reader_ = std::thread([this] { ReadLoop(); });
    running_ = true;
    return true;
}

void VirtualService::End() {
    std::lock_guard life(lifeMutex_);
    if (!running_) return;
    {
        std::lock_guard lock(stateMutex_);
        stopping_ = true;
        if (fd_ >= 0) shutdown(fd_, SHUT_RDWR);
    }
    answered_.notify_all();
    reader_.join();
    for (auto& dispatcher : dispatchers_) dispatcher.Stop();
    {
        std::lock_guard lock(stateMutex_);
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
        connected_ = false;
        plugName_.clear();
    }
    count_ = 0;
    std::lock_guard registry(registryMutex_);
    registrations_.clear();
    running_ = false;
}

void VirtualService::ReadLoop() {
    onReaderThread = true;
    std::vector<uint8_t> message;
    for (;;) {
        int fd;
        {
            std::unique_lock lock(stateMutex_);
            if (stopping_) return;
            fd = fd_;
            if (fd < 0) {
                // The daemon went away (a restart, say): come back when it listens again.
                answered_.wait_for(lock, RECONNECT_PERIOD, [this] { return stopping_; });
                if (stopping_) return;
            }
        }
        if (fd < 0) {
            uint8_t count = 0;
            std::string plugName;
            int newFd = ConnectAndSubscribe(count, plugName);
            if (newFd < 0) continue;
            {
                std::lock_guard lock(stateMutex_);
                fd_ = newFd;
                connected_ = true;
                plugName_ = plugName;
            }
            CountChanged(count);
            continue;
        }
        if (!vkbd::ReceiveMessage(fd, message) || message.empty()) {
            {
                std::lock_guard lock(stateMutex_);
                connected_ = false;
            }
            answered_.notify_all();
            {
                // A writer may still be sending on the descriptor; let it finish first.
                std::lock_guard request(requestMutex_);
                std::lock_guard lock(stateMutex_);
                close(fd_);
                fd_ = -1;
                plugName_.clear();
                if (stopping_) return;
            }
            CountChanged(0);
            continue;
        }
        switch (message[0]) {
            case vkbd::MSG_ACK:
            case vkbd::MSG_RESULT: {
                std::lock_guard lock(stateMutex_);
                answer_ = message;
                answered_.notify_all();
                break;
            }
            case vkbd::MSG_INPUT:
                if (message.size() >= 2 && message[1] < vkbd::INTERFACE_COUNT)
                    Dispatch(static_cast<vkbd::Interface>(message[1]),
                             {false, 0, std::vector<uint8_t>(message.begin() + 2, message.end())});
                break;
            case vkbd::MSG_COUNT:
                CountMessage(message);
                break;
            default:
                break;
        }
    }
}

void VirtualService::CountMessage(std::span<const uint8_t> message) {
    if (message.size() < 2) return;
    {
        // Named before the change is told, so whoever hears of an arrival finds its name.
        std::lock_guard lock(stateMutex_);
        plugName_.assign(message.begin() + 2, message.end());
    }
    CountChanged(message[1]);
}

void VirtualService::CountChanged(uint8_t count) {
    if (count == count_) return;
    count_ = count;
    for (int i = 0; i < vkbd::INTERFACE_COUNT; ++i)
        Dispatch(static_cast<vkbd::Interface>(i), {true, count, {}});
}

void VirtualService::Dispatch(vkbd::Interface iface, Event event) {
    if (iface == vkbd::IFACE_CTRL)
        Notify(iface, event);
    else
        dispatchers_[iface - 1].Push(std::move(event));
}

std::optional<std::vector<uint8_t>> VirtualService::Request(std::vector<uint8_t> message,
                                                            bool stamped) {
    // From a control callback the answer could never be read: fail now, not after the timeout.
    if (onReaderThread) return std::nullopt;
    std::lock_guard request(requestMutex_);
    int fd;
    {
        std::lock_guard lock(stateMutex_);
        if (!connected_) return std::nullopt;
        answer_.reset();
        fd = fd_;
    }
    // Stamped after waiting for the previous request: the frame is sent now, not when asked for.
    if (stamped)
        vkbd::WriteStamp(message.data() + message.size() - vkbd::STAMP_SIZE, vkbd::StampNow());
    if (!vkbd::SendMessage(fd, message)) return std::nullopt;
    std::unique_lock lock(stateMutex_);
    answered_.wait_for(lock, ANSWER_TIMEOUT, [this] { return answer_ || !connected_; });
    std::optional<std::vector<uint8_t>> answer = std::move(answer_);
    answer_.reset();
    return answer;
}

int VirtualService::Count() {
    return count_;
}

int VirtualService::WriteControl(const uint8_t* data, uint32_t length) {
    if (!data) return 0;
    // Like a HID write of one output report: exactly one frame, padded or cut to 64 bytes.
    std::vector<uint8_t> message(1 + vkbd::FRAME_SIZE + vkbd::STAMP_SIZE, 0);
    message[0] = vkbd::MSG_WRITE_CTRL;
    std::memcpy(message.data() + 1, data, std::min<size_t>(length, vkbd::FRAME_SIZE));
    auto answer = Request(std::move(message), true);
    return answer && answer->size() == 2 && (*answer)[0] == vkbd::MSG_ACK ? (*answer)[1] : 0;
}

int VirtualService::WriteIndicator(const uint8_t* data, uint32_t length) {
    if (!data || length < 2) return 0;
    std::vector<uint8_t> message(1 + length);
    message[0] = vkbd::MSG_WRITE_LED;
    std::memcpy(message.data() + 1, data, length);
    auto answer = Request(std::move(message));
    return answer && answer->size() == 2 && (*answer)[0] == vkbd::MSG_ACK ? (*answer)[1] : 0;
}

std::string VirtualService::PlugIdentity() {
    std::string name;
    {
        std::lock_guard lock(stateMutex_);
        name = plugName_;
    }
    if (name.empty()) name = AskPlugName();
    return name.empty() ? std::string() : "virtual:" + vkbd::DefaultSocketPath() + "#" + name;
}

std::string VirtualService::AskPlugName() {
    const std::string verb = "plug-id";
    std::vector<uint8_t> message = {vkbd::MSG_COMMAND};
    message.insert(message.end(), verb.begin(), verb.end());
    auto answer = Request(std::move(message));
    if (!answer || answer->size() <= 2 || (*answer)[0] != vkbd::MSG_RESULT || (*answer)[1] != 0)
        return {};
    return std::string(answer->begin() + 2, answer->end());
}

uint32_t VirtualService::Register(vkbd::Interface iface, HidServCallback callback, uint32_t tag) {
    std::lock_guard lock(registryMutex_);
    uint32_t unitId = nextUnitId_++;
    registrations_[unitId] = {iface, callback, tag};
    return unitId;
}

uint32_t VirtualService::NewUnitId() {
    std::lock_guard lock(registryMutex_);
    return nextUnitId_++;
}

void VirtualService::Unregister(uint32_t unitId) {
    std::lock_guard lock(registryMutex_);
    registrations_.erase(unitId);
}

void VirtualService::Notify(vkbd::Interface iface, const Event& event) {
    std::vector<Registration> targets;
    {
        std::lock_guard lock(registryMutex_);
        for (const auto& [unitId, registration] : registrations_)
            if (registration.iface == iface && registration.callback)
                targets.push_back(registration);
    }
    // The records live on this thread's stack for the duration of each call.
    uint16_t consumerCode = event.report.size() >= 2 ? ReadLe16(event.report.data()) : 0;
    alignas(8) uint8_t decoded[HIDSERV_DECODED_SIZE] = {};
    StorePointer(decoded + HIDSERV_DECODED_CODE_PTR_OFFSET, &consumerCode);
    for (const Registration& target : targets) {
        alignas(8) uint8_t request[HIDSERV_REQUEST_SIZE] = {};
        alignas(8) uint8_t notification[HIDSERV_NOTIFY_SIZE] = {};
        WriteLe32(request + REQUEST_TAG, target.tag);
        if (event.isCount) {
            WriteLe32(request + REQUEST_COUNT, event.count);
            WriteLe32(notification + NOTIFY_KIND, HIDSERV_NOTIFY_COUNT);
        } else {
            WriteLe32(request + REQUEST_COUNT, static_cast<uint32_t>(event.report.size()));
            StorePointer(request + REQUEST_DATA, event.report.data());
            StorePointer(request + REQUEST_DECODED, decoded);
            WriteLe32(notification + NOTIFY_KIND, HIDSERV_NOTIFY_DATA);
        }
        StorePointer(notification + NOTIFY_REQUEST, request);
        target.callback(notification);
    }
}

void VirtualService::Dispatcher::Start(VirtualService* owner, vkbd::Interface iface) {
    owner_ = owner;
    iface_ = iface;
    stopping_ = false;
    events_.Clear();
}

void VirtualService::Dispatcher::Stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void VirtualService::Dispatcher::Push(Event event) {
    {
        std::lock_guard lock(mutex_);
        if (stopping_) return;
        events_.Push(std::move(event));
        // Started with the first event: a short command seldom gets one on these interfaces,
        // and a thread is a good part of what such a command costs.
        if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
    }
    wake_.notify_all();
}

void VirtualService::Dispatcher::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !events_.Empty(); });
        if (stopping_) return;
        const std::optional<Event> event = events_.Pop();
        lock.unlock();
        owner_->Notify(iface_, *event);
        lock.lock();
    }
}

}  // namespace quorvel::hidserv
