#include "base/byte_order.h"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

TEST(ByteOrder, RoundTripsLittleEndianFields) {
    uint8_t buf[6] = {};
    WriteLe16(buf, 0xBEEF);
    WriteLe32(buf + 2, 0x80000001u);
    EXPECT_EQ(buf[0], 0xEF);
    EXPECT_EQ(buf[1], 0xBE);
    EXPECT_EQ(buf[2], 0x01);
    EXPECT_EQ(buf[5], 0x80);
    EXPECT_EQ(ReadLe16(buf), 0xBEEF);
    EXPECT_EQ(ReadLeS32(buf + 2), INT32_MIN + 1);
}

}  // namespace
}  // namespace quorvel
