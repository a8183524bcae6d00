#include "hidserv/hidapi/interface_match.h"

#include <gtest/gtest.h>

#include "base/byte_order.h"

namespace quorvel {
namespace {

HidServDescriptor Descriptor(uint32_t flags, uint16_t vid, uint16_t pid, uint16_t page,
                             uint16_t usage) {
    HidServDescriptor descriptor = {};
    WriteLe32(descriptor.bytes, flags);
    WriteLe16(descriptor.bytes + 4, vid);
    WriteLe16(descriptor.bytes + 6, pid);
    WriteLe16(descriptor.bytes + 8, page);
    WriteLe16(descriptor.bytes + 10, usage);
    return descriptor;
}

constexpr uint16_t VID = 0x0C45;
constexpr uint16_t PID = 0x7A3D;

// As hidraw enumerates a keyboard: one row per top-level collection, so the node carrying the
// consumer and indicator collections appears twice; a second keyboard and a foreign device.
const std::vector<HidInterface> ENUMERATED = {
    {"/dev/hidraw0", 0x046D, 0xC52B, 0x000C, 0x0001}, {"/dev/hidraw1", VID, PID, 0x0001, 0x0006},
    {"/dev/hidraw2", VID, PID, 0x000C, 0x0001},       {"/dev/hidraw2", VID, PID, 0x0008, 0x0089},
    {"/dev/hidraw2", VID, PID, 0x000C, 0x0001},       {"/dev/hidraw3", VID, PID, 0xFF1C, 0x0092},
    {"/dev/hidraw5", VID, PID, 0xFF1C, 0x0092},       {"/dev/hidraw4", VID, 0x7A3E, 0xFF1C, 0x0092},
};

TEST(InterfaceMatch, ReadsTheDescriptorFieldByField) {
    const InterfaceKey key = ReadInterfaceKey(Descriptor(0x0F, VID, PID, 0xFF1C, 0x0092));
    EXPECT_EQ(key.matchFlags, 0x0Fu);
    EXPECT_EQ(key.vendorId, VID);
    EXPECT_EQ(key.productId, PID);
    EXPECT_EQ(key.usagePage, 0xFF1C);
    EXPECT_EQ(key.usage, 0x0092);
}

TEST(InterfaceMatch, SelectsEachInterfaceOnceInEnumerationOrder) {
    struct Case {
        const char* name;
        HidServDescriptor descriptor;
        std::vector<std::string> paths;
    };
    const Case cases[] = {
        {"control", Descriptor(0x0F, VID, PID, 0xFF1C, 0x0092), {"/dev/hidraw3", "/dev/hidraw5"}},
        {"consumer", Descriptor(0x0F, VID, PID, 0x000C, 0x0001), {"/dev/hidraw2"}},
        {"indicator", Descriptor(0x0F, VID, PID, 0x0008, 0x0089), {"/dev/hidraw2"}},
        {"other product", Descriptor(0x0F, VID, 0x1111, 0xFF1C, 0x0092), {}},
        {"usage page only",
         Descriptor(0x07, VID, PID, 0xFF1C, 0x0000),
         {"/dev/hidraw3", "/dev/hidraw5"}},
        {"vendor only",
         Descriptor(0x01, VID, 0, 0, 0),
         {"/dev/hidraw1", "/dev/hidraw2", "/dev/hidraw3", "/dev/hidraw5", "/dev/hidraw4"}},
        {"no flags", Descriptor(0x00, VID, PID, 0xFF1C, 0x0092), {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MatchingPaths(ENUMERATED, ReadInterfaceKey(c.descriptor)), c.paths) << c.name;
    }
}

TEST(InterfaceMatch, NothingEnumeratedMatchesNothing) {
    EXPECT_TRUE(
        MatchingPaths({}, ReadInterfaceKey(Descriptor(0x0F, VID, PID, 0xFF1C, 0x0092))).empty());
}

}  // namespace
}  // namespace quorvel
