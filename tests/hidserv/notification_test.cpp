#include "hidserv/hidapi/notification.h"

#include <gtest/gtest.h>

#include <cstring>

#include "base/byte_order.h"

namespace quorvel {
namespace {

// Reads the records the way a caller of the library does: fields at their offsets.
const uint8_t* PointerAt(const void* record, size_t offset) {
    const uint8_t* pointer = nullptr;
    std::memcpy(&pointer, static_cast<const uint8_t*>(record) + offset, sizeof pointer);
    return pointer;
}

constexpr uint32_t TAG_CONS = 0x434F4E53;
constexpr uint32_t TAG_CTRL = 0x4354524C;

TEST(Notification, DataRecordsCarryTagLengthReportAndDecodedCode) {
    const std::vector<uint8_t> report = {0x03, 0xFF, 0x02};
    const Notification notification(TAG_CONS, report, 0x02FF);
    const auto* record = static_cast<const uint8_t*>(notification.Record());
    EXPECT_EQ(ReadLe32(record), static_cast<uint32_t>(HIDSERV_NOTIFY_DATA));

    const uint8_t* request = PointerAt(record, 8);
    ASSERT_NE(request, nullptr);
    EXPECT_EQ(ReadLe32(request), TAG_CONS);
    EXPECT_EQ(ReadLe32(request + 4), report.size());
    const uint8_t* data = PointerAt(request, 8);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(std::vector<uint8_t>(data, data + report.size()), report);

    const uint8_t* decoded = PointerAt(request, 16);
    ASSERT_NE(decoded, nullptr);
    const uint8_t* code = PointerAt(decoded, HIDSERV_DECODED_CODE_PTR_OFFSET);
    ASSERT_NE(code, nullptr);
    EXPECT_EQ(ReadLe16(code), 0x02FF);
}

TEST(Notification, CountRecordsCarryTheNewCount) {
    const Notification notification(TAG_CTRL, 2u);
    const auto* record = static_cast<const uint8_t*>(notification.Record());
    EXPECT_EQ(ReadLe32(record), static_cast<uint32_t>(HIDSERV_NOTIFY_COUNT));
    const uint8_t* request = PointerAt(record, 8);
    ASSERT_NE(request, nullptr);
    EXPECT_EQ(ReadLe32(request), TAG_CTRL);
    EXPECT_EQ(ReadLe32(request + 4), 2u);
    EXPECT_EQ(PointerAt(request, 8), nullptr);
}

}  // namespace
}  // namespace quorvel
