#include "emulator/daemon.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>
#include <type_traits>
#include <utility>
#include <variant>

#include "base/byte_order.h"
#include "emulator/daemon_command.h"
#include "emulator/daemon_process.h"
#include "emulator/delivery_queue.h"
#include "emulator/flat_json.h"
#include "emulator/state_file.h"
#include "emulator/state_saver.h"
#include "emulator/trace.h"
#include "emulator/vkbd_wire.h"

namespace quorvel::vkbd {
namespace {

constexpr const char* INTERFACE_NAMES[INTERFACE_COUNT] = {"CTRL", "CONS", "LED"};
constexpr uint16_t CODE_BANK = 0x02FF;
constexpr uint16_t CODE_LIGHTING_CHANGED = 0x0401;
constexpr uint16_t CODE_SPECIAL_ENTERED = 0x1811;
constexpr uint16_t CODE_SPECIAL_LEFT = 0x1810;
constexpr int BYTE_COMMAND = 3;
constexpr int BYTE_STATUS = 7;
constexpr uint8_t OP_END = 0x02;
// A duplicated reply comes this long after the first copy: after the host has moved on.
constexpr auto DUPLICATE_GAP = std::chrono::milliseconds(1);
constexpr uint8_t WRONG_ECHO_MASK = 0x80;
constexpr int SOCKET_BUFFER = 1 << 20;
constexpr uint8_t INITIAL_INDICATOR[INDICATOR_SIZE] = {0x05, 0x02};
// Timer slack in nanoseconds for the threads that model the link: the default 50 us would add
// to every modelled transfer.
constexpr unsigned long LINK_TIMER_SLACK_NS = 1;

class Server {
public:
    Server(const DaemonOptions& options, SavedState state, bool loaded)
        : options_(options),
          saver_(options.statePath),
          firmware_(options.hardware),
          plugged_(options.startPlugged),
          plugs_(options.startPlugged ? 1 : 0) {
        if (loaded) firmware_.LoadFlash(state.flash);
        indicator_ = state.indicator;
        bankB_ = state.bankB;
        if (!loaded)
            std::copy(std::begin(INITIAL_INDICATOR), std::end(INITIAL_INDICATOR),
                      indicator_.begin());
        if (!options.tracePath.empty() && !trace_.Open(options.tracePath))
            std::fprintf(stderr, "quorvel-vkbd: cannot open trace file %s: %s\n",
                         options.tracePath.c_str(), std::strerror(errno));
    }

    void Accept(int listenFd) {
        for (;;) {
            const int fd = AcceptOwnClient(listenFd);
            if (fd < 0) {
                std::perror("quorvel-vkbd: accept");
                return;
            }
            setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &SOCKET_BUFFER, sizeof(SOCKET_BUFFER));
            std::thread([this, fd] { Serve(fd); }).detach();
        }
    }

    // Waits for the flash writes already started; for a clean stop.
    void FlushState() { saver_.Flush(); }

private:
    using Clock = DeliveryQueue::Clock;
    static_assert(std::is_same_v<Clock, StampClock>, "stamps are read on the queue's clock");

    void Serve(int fd) {
        prctl(PR_SET_TIMERSLACK, LINK_TIMER_SLACK_NS);
        std::vector<uint8_t> message;
        while (ReceiveMessage(fd, message)) {
            std::vector<uint8_t> answer;
            switch (message[0]) {
                case MSG_SUBSCRIBE:
                    Subscribe(fd, message.size() > 1 && (message[1] & SUBSCRIBE_PLUG_NAMES) != 0);
                    continue;
                case MSG_WRITE_CTRL:
                    answer = {MSG_ACK, WriteControl(message)};
                    break;
                case MSG_WRITE_LED:
                    answer = {MSG_ACK, WriteIndicator(message)};
                    break;
                case MSG_COMMAND: {
                    CommandResult result = Command(std::string(message.begin() + 1, message.end()));
                    answer = {MSG_RESULT, static_cast<uint8_t>(result.code)};
                    answer.insert(answer.end(), result.text.begin(), result.text.end());
                    break;
                }
                default:
                    answer = {MSG_ACK, 0};
            }
            if (!SendMessage(fd, answer)) break;
        }
        {
            std::lock_guard lock(mutex_);
            subscribers_.erase(fd);
        }
        close(fd);
    }

    void Subscribe(int fd, bool namesPlugIns) {
        std::lock_guard lock(mutex_);
        subscribers_[fd] = namesPlugIns;
        // The current count first, so the subscriber starts from the truth.
        SendCount(fd, namesPlugIns, plugged_ ? 1 : 0, PlugName());
    }

    // A transfer in one direction of the USB link, starting at start.
    Clock::time_point AfterTransfer(Clock::time_point start = Clock::now()) const {
        return start + std::chrono::microseconds(options_.latencyUs);
    }

    // The host's write takes one transfer from the moment it was sent; returns that moment.
    Clock::time_point TransferOut(Clock::time_point sent = Clock::now()) const {
        if (options_.latencyUs > 0) std::this_thread::sleep_until(AfterTransfer(sent));
        return sent;
    }

    // When the host handed the frame over. Without a stamp, its arrival here; a stamp ahead of
    // this clock cannot be true and would only lengthen the link.
    static Clock::time_point SentAt(const std::vector<uint8_t>& message) {
        const Clock::time_point now = Clock::now();
        if (message.size() < 1 + FRAME_SIZE + STAMP_SIZE) return now;
        const uint64_t stamp = ReadStamp(message.data() + 1 + FRAME_SIZE);
        return stamp == 0 ? now : std::min(StampTime(stamp), now);
    }

    uint8_t WriteControl(const std::vector<uint8_t>& message) {
        if (message.size() != 1 + FRAME_SIZE && message.size() != 1 + FRAME_SIZE + STAMP_SIZE)
            return 0;
        // Timed from the send, so that neither this thread's wake-up before the frame reached
        // it nor oversleeping the way out delays the reply.
        const Clock::time_point sent = TransferOut(SentAt(message));
        // A keyboard committing its flash does not take the frame until it is done.
        if (!options_.endBusyRefuse) std::this_thread::sleep_until(BusyUntil());
        Frame frame;
        std::copy_n(message.begin() + 1, FRAME_SIZE, frame.begin());

        std::lock_guard lock(mutex_);
        if (!plugged_) return 0;
        trace_.Report('>', INTERFACE_NAMES[IFACE_CTRL], frame.data(), frame.size());
        if (!faults_.later.empty() && faults_.laterSkip-- == 0)
            ArmFaultTraced(std::exchange(faults_.later, {}));
        // Not before now: work already due (a plug notice) keeps its place ahead of the reply.
        Clock::time_point replyAt = std::max(AfterTransfer(AfterTransfer(sent)), Clock::now());
        const bool unplugNow = faults_.unplugAfter > 0 && --faults_.unplugAfter == 0;
        if (faults_.drop > 0) {
            --faults_.drop;
            trace_.Event("fault: frame dropped");
            if (unplugNow) QueueUnplugNotice(replyAt);
        } else {
            Frame reply = Answer(frame);
            if (faults_.delayFrames > 0) {
                --faults_.delayFrames;
                replyAt += std::chrono::milliseconds(faults_.delayMs);
                trace_.Event("fault: reply " + std::to_string(faults_.delayMs) + " ms late");
            }
            if (options_.inOrderReplies) replyAt = std::max(replyAt, lastReplyAt_);
            std::vector<uint8_t> report(reply.begin(), reply.end());
            uint64_t generation = generation_;
            if (faults_.loseReply > 0) {
                // The keyboard did the work; only the host never hears of it.
                --faults_.loseReply;
                trace_.Event("fault: reply lost");
                if (unplugNow) QueueUnplugNotice(replyAt);
                LeaveLinkIf(unplugNow);
                return 1;
            }
            const bool duplicate = faults_.duplicate > 0;
            // The notice of the unplug goes out with the last reply, under one lock: a write
            // refused for the missing keyboard can then never reach the host before it.
            queue_.At(replyAt, [this, report, generation, unplugNow, duplicate] {
                std::lock_guard lock(mutex_);
                Deliver(IFACE_CTRL, report, generation);
                if (unplugNow && !duplicate) AnnounceUnplug();
            });
            if (duplicate) {
                --faults_.duplicate;
                trace_.Event("fault: reply sent twice");
                replyAt += DUPLICATE_GAP;
                queue_.At(replyAt, [this, report, generation, unplugNow] {
                    std::lock_guard lock(mutex_);
                    Deliver(IFACE_CTRL, report, generation);
                    if (unplugNow) AnnounceUnplug();
                });
            }
            lastReplyAt_ = std::max(lastReplyAt_, replyAt);
        }
        LeaveLinkIf(unplugNow);
        return 1;
    }

    void LeaveLinkIf(bool unplugNow) {
        if (unplugNow) LeaveLink();
    }

    Clock::time_point BusyUntil() const {
        return Clock::time_point(Clock::duration(busyUntil_.load()));
    }

    // An answer the firmware gives without executing the frame.
    static Frame Refusal(const Frame& frame, uint8_t status) {
        Frame reply{};
        reply[0] = frame[0];
        std::copy_n(frame.begin() + BYTE_COMMAND, BYTE_STATUS - BYTE_COMMAND,
                    reply.begin() + BYTE_COMMAND);
        reply[BYTE_STATUS] = status;
        return reply;
    }

    // The firmware's answer, spoiled by whatever fault is armed.
    Frame Answer(const Frame& frame) {
        Frame reply;
        if (faults_.statusFf > 0 || faults_.statusFe > 0) {
            uint8_t status = faults_.statusFf > 0 ? STATUS_REJECTED : STATUS_OUT_OF_AREA;
            --(faults_.statusFf > 0 ? faults_.statusFf : faults_.statusFe);
            trace_.Event(std::string("fault: status ") + (status == STATUS_REJECTED ? "FF" : "FE"));
            reply = Refusal(frame, status);
        } else if (options_.endBusyRefuse && Clock::now() < BusyUntil()) {
            trace_.Event("busy: frame refused");
            reply = Refusal(frame, STATUS_OUT_OF_AREA);
        } else {
            Firmware::Result result = firmware_.Handle(frame);
            reply = result.reply;
            if (result.flashChanged) Persist();
            if (frame[BYTE_COMMAND] == OP_END && reply[BYTE_STATUS] == STATUS_OK &&
                options_.endBusyMs > 0)
                busyUntil_ = (Clock::now() + std::chrono::milliseconds(options_.endBusyMs))
                                 .time_since_epoch()
                                 .count();
        }
        if (faults_.wrongEcho > 0) {
            --faults_.wrongEcho;
            reply[BYTE_COMMAND] ^= WRONG_ECHO_MASK;
            trace_.Event("fault: wrong command echo");
        }
        WriteLe16(&reply[1], FrameChecksum(reply.data()));
        return reply;
    }

    uint8_t WriteIndicator(const std::vector<uint8_t>& message) {
        if (message.size() < 1 + INDICATOR_SIZE) return 0;
        TransferOut();
        std::lock_guard lock(mutex_);
        if (!plugged_) return 0;
        trace_.Report('>', INTERFACE_NAMES[IFACE_LED], message.data() + 1, message.size() - 1);
        std::copy_n(message.begin() + 1, INDICATOR_SIZE, indicator_.begin());
        return 1;
    }

    // The unplug in steps, each called with mutex_ held. Writes fail from the moment the
    // keyboard leaves; replies still on their way are lost once the host is told.
    void LeaveLink() {
        plugged_ = false;
        firmware_.PowerOff();
    }

    void AnnounceUnplug() {
        ++generation_;
        trace_.Event("unplug");
        BroadcastCount(0, "");
    }

    void QueueUnplugNotice(Clock::time_point when) {
        queue_.At(when, [this] {
            std::lock_guard lock(mutex_);
            AnnounceUnplug();
        });
    }

    void Plug() {
        plugged_ = true;
        ++plugs_;
        // Named now: by the time the notice goes, the keyboard may have come again.
        queue_.At(Clock::now(), [this, name = PlugName()] {
            std::lock_guard lock(mutex_);
            trace_.Event("plug");
            BroadcastCount(1, name);
        });
    }

    void SendConsumerCode(uint16_t code) {
        std::vector<uint8_t> report(2);
        WriteLe16(report.data(), code);
        uint64_t generation = generation_;
        queue_.At(AfterTransfer(), [this, report, generation] {
            std::lock_guard lock(mutex_);
            Deliver(IFACE_CONS, report, generation);
        });
    }

    void Deliver(Interface iface, const std::vector<uint8_t>& report, uint64_t generation) {
        if (generation != generation_) return;
        trace_.Report('<', INTERFACE_NAMES[iface], report.data(), report.size());
        std::vector<uint8_t> message = {MSG_INPUT, iface};
        message.insert(message.end(), report.begin(), report.end());
        // Like a full hidraw queue, a subscriber that does not read loses reports.
        for (const auto& subscriber : subscribers_)
            send(subscriber.first, message.data(), message.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
    }

    void BroadcastCount(uint8_t count, const std::string& plugName) {
        for (const auto& [fd, namesPlugIns] : subscribers_)
            SendCount(fd, namesPlugIns, count, plugName);
    }

    static void SendCount(int fd, bool namesPlugIns, uint8_t count, const std::string& plugName) {
        std::vector<uint8_t> message = {MSG_COUNT, count};
        if (namesPlugIns && count > 0)
            message.insert(message.end(), plugName.begin(), plugName.end());
        send(fd, message.data(), message.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
    }

    // What a host keeps of the keyboard lasts one plug-in: the plug counter names it, and this
    // daemon's own start sets a restarted daemon apart from the one before it.
    std::string PlugName() const { return instance_ + "." + std::to_string(plugs_); }

    void Persist() {
        if (!options_.statePath.empty()) saver_.Save({firmware_.FlashToSave(), indicator_, bankB_});
    }

    CommandResult Command(const std::string& line) {
        auto parsed = ParseCommand(line);
        if (auto* refusal = std::get_if<CommandResult>(&parsed)) return *refusal;
        const DaemonCommand& command = std::get<DaemonCommand>(parsed);

        std::lock_guard lock(mutex_);
        uint16_t code = 0;
        switch (command.verb) {
            case CommandVerb::DUMP:
                return {EXIT_OK, Dump()};
            case CommandVerb::FAULT:
                ArmFaultTraced(command.words);
                return {EXIT_OK, ""};
            case CommandVerb::INJECT:
                return Inject(command.report);
            case CommandVerb::PLUG:
                if (!plugged_) Plug();
                return {EXIT_OK, ""};
            case CommandVerb::PLUG_ID:
                if (!plugged_) return {EXIT_FAILED, "the keyboard is unplugged"};
                return {EXIT_OK, PlugName()};
            case CommandVerb::UNPLUG:
                if (plugged_) {
                    LeaveLink();
                    QueueUnplugNotice(Clock::now());
                }
                return {EXIT_OK, ""};
            case CommandVerb::BANK:
                code = CODE_BANK;
                break;
            case CommandVerb::LIGHTING_KEY:
                code = CODE_LIGHTING_CHANGED;
                break;
            case CommandVerb::SPECIAL_ON:
                code = CODE_SPECIAL_ENTERED;
                break;
            case CommandVerb::SPECIAL_OFF:
                code = CODE_SPECIAL_LEFT;
                break;
        }
        if (!plugged_) return {EXIT_FAILED, "the keyboard is unplugged"};
        if (code == CODE_BANK) bankB_ = !bankB_;
        if (code == CODE_LIGHTING_CHANGED) {
            firmware_.StepLightingMode();
            Persist();
        }
        SendConsumerCode(code);
        return {EXIT_OK, ""};
    }

    // A control report nobody asked for, such as another program's traffic would cause.
    CommandResult Inject(std::vector<uint8_t> report) {
        if (!plugged_) return {EXIT_FAILED, "the keyboard is unplugged"};
        report.resize(FRAME_SIZE, 0);
        trace_.Event("injected control report");
        uint64_t generation = generation_;
        queue_.At(AfterTransfer(), [this, report, generation] {
            std::lock_guard lock(mutex_);
            Deliver(IFACE_CTRL, report, generation);
        });
        return {EXIT_OK, ""};
    }

    // Called with mutex_ held, for words ParseCommand accepted.
    void ArmFaultTraced(const std::vector<std::string>& words) {
        if (const std::optional<std::string> event = ArmFault(words, faults_)) trace_.Event(*event);
    }

    std::string Dump() const {
        FlatJsonWriter json;
        json.Bool("plugged", plugged_);
        json.Bool("session", firmware_.InSession());
        json.Number("capacityUnits", options_.hardware.capacityUnits);
        json.String("layout", options_.hardware.shuffledLayout ? "shuffled" : "default");
        json.Number("latencyUs", options_.latencyUs);
        json.Hex("defaultLayout", firmware_.DefaultLayout().data(), KEY_BLOCK_SIZE);
        WriteStateFields(json, SavedState{firmware_.GetFlash(), indicator_, bankB_});
        json.Number("faultDrop", faults_.drop);
        json.Number("faultEcho", faults_.wrongEcho);
        json.Number("faultStatusFF", faults_.statusFf);
        json.Number("faultStatusFE", faults_.statusFe);
        json.Number("faultDelayMs", faults_.delayMs);
        json.Number("faultDelayFrames", faults_.delayFrames);
        json.Number("faultDuplicate", faults_.duplicate);
        json.Number("faultLoseReply", faults_.loseReply);
        json.Number("faultUnplugAfter", faults_.unplugAfter);
        json.Number("endBusyMs", options_.endBusyMs);
        return json.Text();
    }

    const DaemonOptions& options_;
    StateSaver saver_;
    std::mutex mutex_;  // everything below
    Firmware firmware_;
    bool plugged_;
    uint64_t plugs_;  // plug-ins so far: see PlugName
    const std::string instance_ =
        std::to_string(getpid()) + "-" +
        std::to_string(std::chrono::system_clock::now().time_since_epoch().count());
    uint64_t generation_ = 0;  // counts unplugs; input made before one is never delivered
    std::array<uint8_t, INDICATOR_SIZE> indicator_{};
    bool bankB_ = false;
    Faults faults_;
    Clock::time_point lastReplyAt_{};  // the latest reply already scheduled
    // Nanoseconds on Clock until which the keyboard commits its flash; read without mutex_ by
    // a frame waiting to be taken.
    std::atomic<Clock::rep> busyUntil_{0};
    std::map<int, bool> subscribers_;  // descriptor, and whether it asked for plug-in names
    Trace trace_;
    DeliveryQueue queue_;  // last: its thread must stop before the rest goes
};

}  // namespace

int RunDaemon(const DaemonOptions& options) {
    int readyPipe[2] = {-1, -1};
    if (options.detach) {
        if (pipe2(readyPipe, O_CLOEXEC) != 0) {
            std::perror("quorvel-vkbd: pipe");
            return EXIT_FAILED;
        }
        pid_t child = fork();
        if (child < 0) {
            std::perror("quorvel-vkbd: fork");
            return EXIT_FAILED;
        }
        if (child > 0) {
            close(readyPipe[1]);
            char ready = 0;
            ssize_t got;
            do {
                got = read(readyPipe[0], &ready, 1);
            } while (got < 0 && errno == EINTR);
            return got == 1 ? EXIT_OK : EXIT_FAILED;
        }
        CloseInheritedFiles(readyPipe[1]);
        setsid();
    }

    // Signals are taken by sigwait below; every thread started from here inherits the mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    SavedState state;
    LoadResult loaded = LoadState(options.statePath, state);
    if (loaded == LoadResult::DAMAGED) {
        std::fprintf(stderr,
                     "quorvel-vkbd: state file %s is damaged; move it away to start with a "
                     "factory-fresh keyboard\n",
                     options.statePath.c_str());
        return EXIT_FAILED;
    }
    std::string error;
    int listenFd = Listen(options.socketPath, error);
    if (listenFd < 0) {
        std::fprintf(stderr, "quorvel-vkbd: %s\n", error.c_str());
        return EXIT_FAILED;
    }

    auto* server = new Server(options, std::move(state), loaded == LoadResult::LOADED);
    std::thread([server, listenFd] { server->Accept(listenFd); }).detach();
    if (options.detach) {
        DetachStandardStreams();
        char ready = 1;
        (void)!write(readyPipe[1], &ready, 1);
        close(readyPipe[1]);
    }

    int received = 0;
    sigwait(&stopSignals, &received);
    unlink(options.socketPath.c_str());
    // Client threads may still run; the flash is saved when it changes, so leave once the
    // writes already handed over are done.
    server->FlushState();
    _exit(EXIT_OK);
}

}  // namespace quorvel::vkbd
