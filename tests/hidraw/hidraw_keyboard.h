#pragma once
// Test fixture: the keyboard as the kernel shows it over hidraw, built with umockdev, so that
// the unmodified libHidServ.so (hidapi, libudev) can enumerate, open, read and write it.
//
// Sysfs holds the USB device, one USB interface per HID interface, a `hid` device under each
// (uevent with HID_ID, HID_NAME, HID_UNIQ, HID_PHYS, and its report_descriptor) and a hidraw
// node under that. Each /dev node is a pseudo-terminal: the library reads and writes it like a
// hidraw node, and a bridge thread on the other side forwards the control and indicator
// output reports to quorvel-vkbd and the daemon's input reports back to the node they belong
// to. An ioctl handler answers the report descriptor requests that hidapi makes on open.
//
// Needs the umockdev preload library: run the test under umockdev-wrapper.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "tests/support/virtual_keyboard.h"

namespace quorvel::testing {

class HidrawKeyboard {
public:
    enum Node { CONSUMER, CONTROL, INDICATOR, TYPING };

    struct Options {
        // Control and consumer collections share one interface (numbered reports), as some
        // firmware does; otherwise each has its own interface and hidraw node.
        bool sharedControlInterface = false;
        // The keyboard's ordinary typing interface (a boot keyboard collection, with its lock
        // lights) as interface 0. The library never opens it; nothing is ever typed on it.
        bool typingInterface = false;
        bool plugged = true;
    };

    HidrawKeyboard(VirtualKeyboard& firmware, Options options);
    ~HidrawKeyboard();
    HidrawKeyboard(const HidrawKeyboard&) = delete;
    HidrawKeyboard& operator=(const HidrawKeyboard&) = delete;

    // Attaches the keyboard: the firmware first, then the devices, then one "add" uevent per
    // hidraw node. Nodes in refused cannot be opened (mode 000) until Grant.
    void Plug(const std::set<Node>& refused = {});
    // Removes the devices the way the kernel does: they stop being enumerable, a "remove"
    // uevent goes out per hidraw node, then their sysfs entries go; the firmware is unplugged.
    void Unplug();
    void Grant(Node node);

    // The node's report descriptor can no longer be read: neither from sysfs nor, unless
    // throughNodeStillWorks, with HIDIOCGRDESC (the size request keeps working, as hidapi
    // needs it to open the node).
    void HideReportDescriptor(Node node, bool throughNodeStillWorks);

    // An input report on the node, delivered after every report already queued for it.
    void Inject(Node node, std::vector<uint8_t> report);
    // True once every report queued for the node has been read by the host.
    bool WaitInputTaken(Node node, int timeoutMs = 2000);
    // Output reports the host wrote to the node, in order.
    std::vector<std::vector<uint8_t>> Written(Node node);
    // Input reports the host read from the node, in order.
    std::vector<std::vector<uint8_t>> Delivered(Node node);

    std::string DevicePath(Node node) const;
    // The node's folder under /sys/devices, as udev names it (%S%p).
    std::string SysfsPath(Node node) const;
    // The sysfs tree in the text format of umockdev-record, for the devices of one plug.
    std::string Description() const;

private:
    struct Bridge;
    std::unique_ptr<Bridge> bridge_;
};

}  // namespace quorvel::testing
