#include "hidserv/hidapi/node_access.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quorvel {
namespace {

TEST(NodeAccess, OnlyNodesWithTheProgramsCollectionsAndNoTyping) {
    struct Case {
        std::string what;
        std::vector<std::pair<uint16_t, uint16_t>> collections;
        bool granted;
    };
    const std::vector<Case> cases = {
        {"control", {{0xFF1C, 0x0092}}, true},
        {"control and consumer shared", {{0x000C, 0x0001}, {0xFF1C, 0x0092}}, true},
        {"indicator", {{0x0008, 0x0089}}, true},
        {"consumer beside system control", {{0x0001, 0x0080}, {0x000C, 0x0001}}, true},
        {"consumer beside the keyboard", {{0x0001, 0x0006}, {0x000C, 0x0001}}, false},
        {"control beside a keypad", {{0xFF1C, 0x0092}, {0x0001, 0x0007}}, false},
        {"boot keyboard", {{0x0001, 0x0006}}, false},
        {"another vendor collection", {{0xFF1C, 0x0093}}, false},
        {"a mouse", {{0x0001, 0x0002}}, false},
        {"no collection", {}, false},
    };
    for (const Case& c : cases) {
        ReportLayout layout;
        for (auto [page, usage] : c.collections) layout.collections.push_back({page, usage, {}});
        EXPECT_EQ(SeatMayOpenNode(layout), c.granted) << c.what;
    }
}

}  // namespace
}  // namespace quorvel
