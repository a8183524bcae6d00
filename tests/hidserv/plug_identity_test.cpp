// The plug identity of a hidraw node, read from a sysfs tree laid out as the kernel lays out a
// USB keyboard's HID interface.
#include "hidserv/hidapi/plug_identity.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace quorvel {
namespace {

namespace fs = std::filesystem;

void Write(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text << "\n";
}

TEST(HidrawPlugIdentity, NamesTheUsbDeviceAndChangesWithItsDeviceNumber) {
    const fs::path root = fs::path(::testing::TempDir()) / "plug-identity-sys";
    fs::remove_all(root);
    const fs::path usb = root / "devices/pci0000:00/usb1/1-2";
    const fs::path hid = usb / "1-2:1.1/0003:0C45:7A3D.0004";
    fs::create_directories(hid);
    Write(usb / "busnum", "1");
    Write(usb / "devnum", "7");
    fs::create_directories(root / "class/hidraw/hidraw3");
    fs::create_symlink(hid, root / "class/hidraw/hidraw3/device");
    const fs::path node = root / "dev/hidraw3";
    Write(node, "");

    const std::string identity = HidrawPlugIdentity(node.string(), root.string());
    ASSERT_EQ(identity.rfind("hidraw:" + fs::canonical(usb).string() + "#", 0), 0u) << identity;
    EXPECT_NE(identity.find(".1.7."), std::string::npos) << identity;

    // Plugged in again: the kernel numbers the device anew.
    Write(usb / "devnum", "8");
    const std::string again = HidrawPlugIdentity(node.string(), root.string());
    EXPECT_NE(again, identity);
    EXPECT_EQ(again.substr(0, again.find('#')), identity.substr(0, identity.find('#')));

    // No USB device above the interface, or no node: no identity.
    fs::remove(usb / "devnum");
    EXPECT_EQ(HidrawPlugIdentity(node.string(), root.string()), "");
    EXPECT_EQ(HidrawPlugIdentity((root / "dev/hidraw9").string(), root.string()), "");
    fs::remove_all(root);
}

}  // namespace
}  // namespace quorvel
