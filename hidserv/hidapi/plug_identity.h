#pragma once
// What names one plug-in of a hidraw keyboard: the USB device it hangs off (the attachment
// point) and, for the plug-in itself, the boot, the bus and device numbers the kernel hands out
// anew at every enumeration and the node's creation time.
#include <string>

namespace quorvel {

// "hidraw:USBDEVICE#BOOT.BUS.DEV.CTIME" for a node such as /dev/hidraw3, read from sysfs;
// empty when the node or its USB device cannot be found.
std::string HidrawPlugIdentity(const std::string& nodePath, const std::string& sysRoot = "/sys");

}  // namespace quorvel
