#include "tests/hidraw/hidraw_keyboard.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <umockdev.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "emulator/vkbd_wire.h"

namespace quorvel::testing {

namespace {

constexpr uint8_t CONSUMER_REPORT_ID = 0x03;

// Report descriptors as the keyboard's interfaces declare them.
// Vendor control collection 0xFF1C/0x0092: report 4, 63 data bytes in and out.
const std::vector<uint8_t> CONTROL_COLLECTION = {
    0x06, 0x1C, 0xFF, 0x09, 0x92, 0xA1, 0x01, 0x85, 0x04, 0x15, 0x00, 0x26, 0xFF, 0x00,
    0x75, 0x08, 0x95, 0x3F, 0x09, 0x01, 0x81, 0x02, 0x09, 0x02, 0x91, 0x02, 0xC0};
// Consumer control 0x000C/0x0001: one 16-bit usage; numbered (report 3) when it shares its
// interface with the control collection.
std::vector<uint8_t> ConsumerCollection(bool numbered) {
    std::vector<uint8_t> d = {0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01};
    if (numbered) d.insert(d.end(), {0x85, CONSUMER_REPORT_ID});
    d.insert(d.end(), {0x15, 0x00, 0x26, 0xFF, 0x7F, 0x19, 0x00, 0x2A, 0xFF, 0x7F, 0x75, 0x10, 0x95,
                       0x01, 0x81, 0x00, 0xC0});
    return d;
}
// Indicator 0x0008/0x0089: output report 5 with one byte.
const std::vector<uint8_t> INDICATOR_COLLECTION = {0x05, 0x08, 0x09, 0x89, 0xA1, 0x01, 0x85, 0x05,
                                                   0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95,
                                                   0x01, 0x09, 0x01, 0x91, 0x02, 0xC0};

// Boot keyboard 0x0001/0x0006: modifiers, a reserved byte and six key codes in, the five lock
// lights (usage page 0x08) out.
const std::vector<uint8_t> TYPING_COLLECTION = {
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15, 0x00, 0x25, 0x01,
    0x75, 0x01, 0x95, 0x08, 0x81, 0x02, 0x95, 0x01, 0x75, 0x08, 0x81, 0x01, 0x95, 0x05, 0x75, 0x01,
    0x05, 0x08, 0x19, 0x01, 0x29, 0x05, 0x91, 0x02, 0x95, 0x01, 0x75, 0x03, 0x91, 0x01, 0x95, 0x06,
    0x75, 0x08, 0x15, 0x00, 0x25, 0x65, 0x05, 0x07, 0x19, 0x00, 0x29, 0x65, 0x81, 0x00, 0xC0};
constexpr size_t TYPING_REPORT_SIZE = 8;

constexpr size_t CONTROL_REPORT_SIZE = vkbd::FRAME_SIZE;
constexpr size_t INDICATOR_REPORT_SIZE = 2;
constexpr int PACING_POLL_MS = 1;

const char* const USB_PATH = "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-1";

std::string HexString(const std::vector<uint8_t>& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (uint8_t b : bytes) {
        text += digits[b >> 4];
        text += digits[b & 0xF];
    }
    return text;
}

}  // namespace

// One hidraw node: its interface, its pseudo-terminal and what flows through it.
struct NodeState {
    std::set<HidrawKeyboard::Node> roles;
    std::vector<uint8_t> descriptor;
    size_t inputSizeMin = 0;
    size_t outputSize = 0;
    int index = 0;   // USB interface number
    int number = 0;  // hidraw minor, hid device sequence: new on every plug, as the kernel counts

    bool active = false;
    std::atomic<bool> descriptorByIoctl{true};  // read by umockdev's handler thread
    int masterFd = -1;
    int lineFd = -1;  // the terminal side, held open to see what waits unread
    std::vector<uint8_t> outBuffer;
    std::deque<std::vector<uint8_t>> pending;
    bool inFlight = false;
    std::vector<std::vector<uint8_t>> written;
    std::vector<std::vector<uint8_t>> delivered;
    UMockdevIoctlBase* handler = nullptr;

    std::string Interface() const {
        return std::string(USB_PATH) + "/1-1:1." + std::to_string(index);
    }
    std::string HidName() const {
        char name[32];
        std::snprintf(name, sizeof name, "0003:0C45:7A3D.%04X", number + 1);
        return name;
    }
    std::string Hid() const { return Interface() + "/" + HidName(); }
    std::string Hidraw() const { return Hid() + "/hidraw/hidraw" + std::to_string(number); }
    std::string DevNode() const { return "/dev/hidraw" + std::to_string(number); }
};

struct HidrawKeyboard::Bridge {
    VirtualKeyboard& firmware;
    Options options;
    UMockdevTestbed* testbed = nullptr;
    std::deque<NodeState> nodes;  // stays in place: the ioctl handlers point into it

    std::mutex mutex;
    std::condition_variable changed;
    uint64_t loops = 0;
    bool stopping = false;
    int wakeFd = -1;
    int firmwareFd = -1;
    std::thread thread;
    int plugs = 0;

    Bridge(VirtualKeyboard& keyboard, Options opts) : firmware(keyboard), options(opts) {}

    NodeState& NodeOf(Node node) {
        for (NodeState& state : nodes)
            if (state.roles.contains(node)) return state;
        throw std::logic_error("no such node");
    }

    void Wake() {
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t n = write(wakeFd, &one, sizeof one);
    }

    // Waits until the thread has gone round its loop once more, so it no longer uses what
    // was deactivated before the call.
    void Settle(std::unique_lock<std::mutex>& lock) {
        const uint64_t target = loops + 1;
        Wake();
        changed.wait_for(lock, std::chrono::seconds(5), [&] { return loops >= target; });
    }

    void Run();
    void ReadFirmware();
    void ReadHost(NodeState& node);
    void Pump(NodeState& node);
};

void HidrawKeyboard::Bridge::Run() {
    std::unique_lock lock(mutex);
    while (!stopping) {
        std::vector<pollfd> fds = {{wakeFd, POLLIN, 0}, {firmwareFd, POLLIN, 0}};
        std::vector<NodeState*> polled;
        bool pacing = false;
        for (NodeState& node : nodes) {
            if (!node.active) continue;
            Pump(node);
            pacing = pacing || node.inFlight || !node.pending.empty();
            if (node.outputSize > 0) {
                fds.push_back({node.masterFd, POLLIN, 0});
                polled.push_back(&node);
            }
        }
        ++loops;
        changed.notify_all();
        lock.unlock();
        poll(fds.data(), fds.size(), pacing ? PACING_POLL_MS : -1);
        lock.lock();
        if (fds[0].revents) {
            uint64_t count;
            [[maybe_unused]] ssize_t n = read(wakeFd, &count, sizeof count);
        }
        if (fds[1].revents & (POLLIN | POLLHUP)) ReadFirmware();
        for (size_t i = 0; i < polled.size(); ++i) {
            if (polled[i]->active && (fds[i + 2].revents & POLLIN)) ReadHost(*polled[i]);
        }
    }
}

void HidrawKeyboard::Bridge::ReadFirmware() {
    std::vector<uint8_t> message;
    if (!vkbd::ReceiveMessage(firmwareFd, message) || message.size() < 2) return;
    if (message[0] != vkbd::MSG_INPUT) return;  // acknowledgements and counts
    std::vector<uint8_t> report(message.begin() + 2, message.end());
    Node target = CONTROL;
    if (message[1] == vkbd::IFACE_CONS) {
        target = CONSUMER;
        if (options.sharedControlInterface) report.insert(report.begin(), CONSUMER_REPORT_ID);
    } else if (message[1] != vkbd::IFACE_CTRL) {
        return;
    }
    NodeState& node = NodeOf(target);
    if (node.active) node.pending.push_back(std::move(report));
}

void HidrawKeyboard::Bridge::ReadHost(NodeState& node) {
    uint8_t buffer[4096];
    const ssize_t size = read(node.masterFd, buffer, sizeof buffer);
    if (size <= 0) return;
    node.outBuffer.insert(node.outBuffer.end(), buffer, buffer + size);
    // The terminal is a byte stream; every output report of a node has the same size.
    while (node.outBuffer.size() >= node.outputSize) {
        std::vector<uint8_t> report(node.outBuffer.begin(),
                                    node.outBuffer.begin() + node.outputSize);
        node.outBuffer.erase(node.outBuffer.begin(), node.outBuffer.begin() + node.outputSize);
        std::vector<uint8_t> message(1 + report.size());
        message[0] = node.roles.contains(INDICATOR) ? vkbd::MSG_WRITE_LED : vkbd::MSG_WRITE_CTRL;
        std::copy(report.begin(), report.end(), message.begin() + 1);
        node.written.push_back(std::move(report));
        vkbd::SendMessage(firmwareFd, message);
    }
}

// Hands the node's next input report over once the host has read the previous one, so that
// one read never returns two reports, as on a hidraw node. Polling the terminal first moves
// what was written to it into its input queue, so "nothing to read" means read, not on its way.
void HidrawKeyboard::Bridge::Pump(NodeState& node) {
    if (node.inFlight) {
        pollfd line = {node.lineFd, POLLIN, 0};
        if (poll(&line, 1, 0) > 0 && (line.revents & POLLIN)) return;
        node.inFlight = false;
    }
    if (node.pending.empty()) return;
    std::vector<uint8_t> report = std::move(node.pending.front());
    node.pending.pop_front();
    if (write(node.masterFd, report.data(), report.size()) != static_cast<ssize_t>(report.size()))
        return;
    node.inFlight = true;
    node.delivered.push_back(std::move(report));
}

namespace {

gboolean HandleIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer data) {
    auto* node = static_cast<NodeState*>(data);
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    const auto size = static_cast<uint32_t>(node->descriptor.size());
    if (request == HIDIOCGRDESCSIZE) {
        UMockdevIoctlData* out = umockdev_ioctl_data_resolve(arg, 0, sizeof(int), nullptr);
        if (!out) return FALSE;
        std::memcpy(out->data, &size, sizeof size);
        umockdev_ioctl_client_complete(client, 0, 0);
        return TRUE;
    }
    if (request == HIDIOCGRDESC) {
        if (!node->descriptorByIoctl) {
            umockdev_ioctl_client_complete(client, -1, EIO);
            return TRUE;
        }
        UMockdevIoctlData* out =
            umockdev_ioctl_data_resolve(arg, 0, sizeof(hidraw_report_descriptor), nullptr);
        if (!out) return FALSE;
        auto* descriptor = reinterpret_cast<hidraw_report_descriptor*>(out->data);
        const uint32_t copied = std::min(descriptor->size, size);
        std::memcpy(descriptor->value, node->descriptor.data(), copied);
        umockdev_ioctl_client_complete(client, 0, 0);
        return TRUE;
    }
    if (request == HIDIOCGRAWINFO) {
        UMockdevIoctlData* out =
            umockdev_ioctl_data_resolve(arg, 0, sizeof(hidraw_devinfo), nullptr);
        if (!out) return FALSE;
        const hidraw_devinfo info = {3, static_cast<__s16>(0x0C45), static_cast<__s16>(0x7A3D)};
        std::memcpy(out->data, &info, sizeof info);
        umockdev_ioctl_client_complete(client, 0, 0);
        return TRUE;
    }
    return FALSE;  // reads and writes go to the terminal itself
}

void AddDevices(UMockdevTestbed* testbed, const std::string& description) {
    GError* error = nullptr;
    if (!umockdev_testbed_add_from_string(testbed, description.c_str(), &error)) {
        std::string message = error ? error->message : "unknown error";
        g_clear_error(&error);
        throw std::runtime_error("umockdev cannot add the devices: " + message);
    }
}

std::string NodeParagraph(const NodeState& node) {
    const std::string minor = std::to_string(node.number);
    return "P: " + node.Hidraw().substr(4) + "\nN: hidraw" + minor +
           "\nE: SUBSYSTEM=hidraw\nE: DEVNAME=" + node.DevNode() +
           "\nE: MAJOR=240\nE: MINOR=" + minor + "\nA: dev=240:" + minor + "\nL: device=../../../" +
           node.HidName() + "\n\n";
}

std::string ParentParagraphs(const std::deque<NodeState>& nodes) {
    std::string text = std::string("P: ") + (USB_PATH + 4) +
                       "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: PRODUCT=c45/7a3d/100"
                       "\nA: idVendor=0c45\nA: idProduct=7a3d\nA: bcdDevice=0100"
                       "\nA: manufacturer=Nolvane\nA: product=G7 Keyboard\nA: busnum=1"
                       "\nA: devnum=2\n\n";
    for (const NodeState& node : nodes) {
        const std::string number = std::to_string(node.index);
        text += "P: " + node.Interface().substr(4) +
                "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\nE: INTERFACE=3/0/0"
                "\nA: bInterfaceNumber=0" +
                number + "\nA: bInterfaceClass=03\n\n";
        text += "P: " + node.Hid().substr(4) +
                "\nE: SUBSYSTEM=hid\nE: DRIVER=hid-generic\nE: HID_ID=0003:00000C45:00007A3D"
                "\nE: HID_NAME=Nolvane G7 Keyboard\nE: HID_PHYS=usb-0000:00:14.0-1/input" +
                number + "\nE: HID_UNIQ=\nE: MODALIAS=hid:b0003g0001v00000C45p00007A3D" +
                "\nH: report_descriptor=" + HexString(node.descriptor) + "\n\n";
    }
    return text;
}

}  // namespace

HidrawKeyboard::HidrawKeyboard(VirtualKeyboard& firmware, Options options)
    : bridge_(std::make_unique<Bridge>(firmware, options)) {
    Bridge& b = *bridge_;
    auto add = [&b](std::set<Node> roles, std::vector<uint8_t> descriptor, size_t inputSizeMin,
                    size_t outputSize) {
        NodeState& node = b.nodes.emplace_back();
        node.roles = std::move(roles);
        node.descriptor = std::move(descriptor);
        node.inputSizeMin = inputSizeMin;
        node.outputSize = outputSize;
        node.index = static_cast<int>(b.nodes.size() - 1);
    };
    // Output size 0 keeps the bridge off the node: what it is written is no firmware's business.
    if (options.typingInterface) add({TYPING}, TYPING_COLLECTION, TYPING_REPORT_SIZE, 0);
    if (options.sharedControlInterface) {
        std::vector<uint8_t> descriptor = ConsumerCollection(true);
        descriptor.insert(descriptor.end(), CONTROL_COLLECTION.begin(), CONTROL_COLLECTION.end());
        add({CONSUMER, CONTROL}, descriptor, 3, CONTROL_REPORT_SIZE);
    } else {
        add({CONSUMER}, ConsumerCollection(false), 2, 0);
        add({CONTROL}, CONTROL_COLLECTION, CONTROL_REPORT_SIZE, CONTROL_REPORT_SIZE);
    }
    add({INDICATOR}, INDICATOR_COLLECTION, 0, INDICATOR_REPORT_SIZE);

    b.testbed = umockdev_testbed_new();
    if (!umockdev_in_mock_environment()) {
        g_object_unref(b.testbed);
        throw std::runtime_error("run this test under umockdev-wrapper");
    }
    b.wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    b.firmwareFd = vkbd::ConnectSocket(firmware.SocketPath());
    if (b.firmwareFd < 0) throw std::runtime_error("cannot reach quorvel-vkbd");
    vkbd::SendMessage(b.firmwareFd, {vkbd::MSG_SUBSCRIBE});
    b.thread = std::thread([&b] { b.Run(); });
    if (options.plugged) {
        Plug();
    } else {
        firmware.Run({"unplug"});
    }
}

HidrawKeyboard::~HidrawKeyboard() {
    Bridge& b = *bridge_;
    if (b.nodes.front().active) Unplug();
    {
        std::lock_guard lock(b.mutex);
        b.stopping = true;
    }
    b.Wake();
    b.thread.join();
    close(b.firmwareFd);
    close(b.wakeFd);
    g_object_unref(b.testbed);
}

void HidrawKeyboard::Plug(const std::set<Node>& refused) {
    Bridge& b = *bridge_;
    b.firmware.Run({"plug"});
    for (NodeState& node : b.nodes)
        node.number = b.plugs * static_cast<int>(b.nodes.size()) + node.index;
    ++b.plugs;
    // The nodes come first, while nothing makes them the keyboard's yet: whatever the library
    // makes of their "add" events, it cannot open them before they are set up.
    for (NodeState& node : b.nodes) {
        AddDevices(b.testbed, NodeParagraph(node));
        node.handler = umockdev_ioctl_base_new();
        g_signal_connect(node.handler, "handle-ioctl", G_CALLBACK(HandleIoctl), &node);
        GError* error = nullptr;
        if (!umockdev_testbed_attach_ioctl(b.testbed, node.DevNode().c_str(), node.handler,
                                           &error)) {
            std::string message = error ? error->message : "unknown error";
            g_clear_error(&error);
            throw std::runtime_error("cannot attach the ioctl handler: " + message);
        }
        const int master = umockdev_testbed_get_dev_fd(b.testbed, node.DevNode().c_str());
        char line[256] = {};
        if (master < 0 || ptsname_r(master, line, sizeof line) != 0)
            throw std::runtime_error("no terminal behind " + node.DevNode());
        fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
        const int lineFd = open(line, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        termios mode{};
        tcgetattr(lineFd, &mode);
        cfmakeraw(&mode);
        mode.c_cc[VMIN] = static_cast<cc_t>(std::max<size_t>(node.inputSizeMin, 1));
        mode.c_cc[VTIME] = 0;
        tcsetattr(lineFd, TCSANOW, &mode);
        for (Node role : node.roles)
            if (refused.contains(role)) chmod(node.DevNode().c_str(), 0);
        std::lock_guard lock(b.mutex);
        node.masterFd = master;
        node.lineFd = lineFd;
        node.descriptorByIoctl = true;
        node.outBuffer.clear();
        node.pending.clear();
        node.inFlight = false;
        node.active = true;
    }
    b.Wake();
    AddDevices(b.testbed, ParentParagraphs(b.nodes));
    for (NodeState& node : b.nodes)
        umockdev_testbed_uevent(b.testbed, node.Hidraw().c_str(), "add");
}

void HidrawKeyboard::Unplug() {
    Bridge& b = *bridge_;
    // Not enumerable any more before the events go out, as after a real removal.
    for (NodeState& node : b.nodes)
        umockdev_testbed_set_attribute(b.testbed, node.Hid().c_str(), "uevent", "");
    for (NodeState& node : b.nodes)
        umockdev_testbed_uevent(b.testbed, node.Hidraw().c_str(), "remove");
    {
        std::unique_lock lock(b.mutex);
        for (NodeState& node : b.nodes) node.active = false;
        b.Settle(lock);
    }
    for (NodeState& node : b.nodes) {
        umockdev_testbed_remove_device(b.testbed, node.Hidraw().c_str());
        GError* error = nullptr;
        umockdev_testbed_detach_ioctl(b.testbed, node.DevNode().c_str(), &error);
        g_clear_error(&error);
        g_clear_object(&node.handler);
        close(node.lineFd);
        node.lineFd = -1;
        node.masterFd = -1;
    }
    for (NodeState& node : b.nodes) {
        umockdev_testbed_remove_device(b.testbed, node.Hid().c_str());
        umockdev_testbed_remove_device(b.testbed, node.Interface().c_str());
    }
    umockdev_testbed_remove_device(b.testbed, USB_PATH);
    b.firmware.Run({"unplug"});
}

void HidrawKeyboard::Grant(Node node) {
    chmod(DevicePath(node).c_str(), 0600);
}

void HidrawKeyboard::HideReportDescriptor(Node node, bool throughNodeStillWorks) {
    Bridge& b = *bridge_;
    NodeState& state = b.NodeOf(node);
    gchar* sys = umockdev_testbed_get_sys_dir(b.testbed);
    std::filesystem::remove(std::string(sys) + state.Hid().substr(4) + "/report_descriptor");
    g_free(sys);
    std::lock_guard lock(b.mutex);
    state.descriptorByIoctl = throughNodeStillWorks;
}

void HidrawKeyboard::Inject(Node node, std::vector<uint8_t> report) {
    Bridge& b = *bridge_;
    {
        std::lock_guard lock(b.mutex);
        b.NodeOf(node).pending.push_back(std::move(report));
    }
    b.Wake();
}

bool HidrawKeyboard::WaitInputTaken(Node node, int timeoutMs) {
    Bridge& b = *bridge_;
    std::unique_lock lock(b.mutex);
    NodeState& state = b.NodeOf(node);
    return b.changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [&] { return !state.inFlight && state.pending.empty(); });
}

std::vector<std::vector<uint8_t>> HidrawKeyboard::Written(Node node) {
    std::lock_guard lock(bridge_->mutex);
    return bridge_->NodeOf(node).written;
}

std::vector<std::vector<uint8_t>> HidrawKeyboard::Delivered(Node node) {
    std::lock_guard lock(bridge_->mutex);
    return bridge_->NodeOf(node).delivered;
}

std::string HidrawKeyboard::DevicePath(Node node) const {
    return bridge_->NodeOf(node).DevNode();
}

std::string HidrawKeyboard::SysfsPath(Node node) const {
    return bridge_->NodeOf(node).Hidraw();
}

std::string HidrawKeyboard::Description() const {
    std::string text = ParentParagraphs(bridge_->nodes);
    for (const NodeState& node : bridge_->nodes) text += NodeParagraph(node);
    return text;
}

}  // namespace quorvel::testing
