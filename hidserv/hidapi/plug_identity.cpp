#include "hidserv/hidapi/plug_identity.h"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

namespace quorvel {
namespace {

std::string FirstLine(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

}  // namespace

std::string HidrawPlugIdentity(const std::string& nodePath, const std::string& sysRoot) {
    namespace fs = std::filesystem;
    const std::string node = fs::path(nodePath).filename().string();
    std::error_code error;
    fs::path device = fs::canonical(fs::path(sysRoot) / "class/hidraw" / node / "device", error);
    if (error) return {};
    // The USB device is the nearest ancestor that carries the bus and device numbers.
    while (!device.empty() && device != device.root_path() && !fs::exists(device / "devnum", error))
        device = device.parent_path();
    if (device.empty() || device == device.root_path()) return {};
    struct stat nodeStat {};
    if (stat(nodePath.c_str(), &nodeStat) != 0) return {};
    const long long created =
        static_cast<long long>(nodeStat.st_ctim.tv_sec) * 1000000000LL + nodeStat.st_ctim.tv_nsec;
    return "hidraw:" + device.string() + "#" + FirstLine("/proc/sys/kernel/random/boot_id") + "." +
           FirstLine(device / "busnum") + "." + FirstLine(device / "devnum") + "." +
           std::to_string(created);
}

}  // namespace quorvel
