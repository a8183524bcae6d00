#include "hidserv/hidapi/interface_match.h"

#include <algorithm>

#include "base/byte_order.h"

namespace quorvel {

static_assert(sizeof(HidServDescriptor) == 16);

InterfaceKey ReadInterfaceKey(const HidServDescriptor& descriptor) {
    const uint8_t* bytes = descriptor.bytes;
    InterfaceKey key;
    key.matchFlags = ReadLe32(bytes);
    key.vendorId = ReadLe16(bytes + 4);
    key.productId = ReadLe16(bytes + 6);
    key.usagePage = ReadLe16(bytes + 8);
    key.usage = ReadLe16(bytes + 10);
    return key;
}

bool KeyMatches(const InterfaceKey& key, const HidInterface& interface) {
    // A descriptor that asks for nothing would otherwise select every HID device present.
    if ((key.matchFlags & (MATCH_VENDOR | MATCH_PRODUCT | MATCH_USAGE_PAGE | MATCH_USAGE)) == 0) {
        return false;
    }
    return (!(key.matchFlags & MATCH_VENDOR) || key.vendorId == interface.vendorId) &&
           (!(key.matchFlags & MATCH_PRODUCT) || key.productId == interface.productId) &&
           (!(key.matchFlags & MATCH_USAGE_PAGE) || key.usagePage == interface.usagePage) &&
           (!(key.matchFlags & MATCH_USAGE) || key.usage == interface.usage);
}

std::vector<std::string> MatchingPaths(const std::vector<HidInterface>& interfaces,
                                       const InterfaceKey& key) {
    std::vector<std::string> paths;
    for (const HidInterface& interface : interfaces) {
        if (KeyMatches(key, interface) &&
            std::find(paths.begin(), paths.end(), interface.path) == paths.end()) {
            paths.push_back(interface.path);
        }
    }
    return paths;
}

}  // namespace quorvel
