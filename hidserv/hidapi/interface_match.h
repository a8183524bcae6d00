#pragma once
// Which enumerated HID interfaces a request's descriptor selects.
#include <cstdint>
#include <string>
#include <vector>

#include "hidserv/hidserv.h"

namespace quorvel {

// One top-level collection of an enumerated hidraw node. hidraw lists a node once per
// top-level collection, so one path may appear several times with different usages.
struct HidInterface {
    std::string path;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t usagePage = 0;
    uint16_t usage = 0;
};

// Bits of the descriptor's match flags: each set bit makes its field take part in the match.
enum : uint32_t {
    MATCH_VENDOR = 0x1,
    MATCH_PRODUCT = 0x2,
    MATCH_USAGE_PAGE = 0x4,
    MATCH_USAGE = 0x8,
};

struct InterfaceKey {
    uint32_t matchFlags = 0;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t usagePage = 0;
    uint16_t usage = 0;
};

InterfaceKey ReadInterfaceKey(const HidServDescriptor& descriptor);

bool KeyMatches(const InterfaceKey& key, const HidInterface& interface);

// Paths of the interfaces the key selects, each once, in enumeration order.
std::vector<std::string> MatchingPaths(const std::vector<HidInterface>& interfaces,
                                       const InterfaceKey& key);

}  // namespace quorvel
