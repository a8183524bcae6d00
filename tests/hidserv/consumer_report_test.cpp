#include "hidserv/hidapi/consumer_report.h"

#include <gtest/gtest.h>

#include <vector>

namespace quorvel {
namespace {

TEST(ConsumerReport, DecodesTheLittleEndianCodeAfterAnyReportId) {
    using enum ReportNumbering;
    struct Case {
        std::vector<uint8_t> report;
        ReportNumbering numbering;
        uint16_t code;
    };
    const Case cases[] = {
        {{0x03, 0xFF, 0x02}, NUMBERED, 0x02FF},
        {{0x03, 0x01, 0x04, 0x00, 0x00}, NUMBERED, 0x0401},
        {{0x11, 0x18}, UNNUMBERED, 0x1811},
        {{0x10, 0x18, 0x00, 0x00}, UNNUMBERED, 0x1810},
        // Layout unknown: an odd length means an id byte before 16-bit codes.
        {{0x03, 0x01, 0x18}, UNKNOWN, 0x1801},
        {{0xFF, 0x02}, UNKNOWN, 0x02FF},
        {{0x03, 0x04, 0x18, 0x00, 0x00}, UNKNOWN, 0x1804},
        // Too short for a 16-bit code.
        {{0x03, 0xE9}, NUMBERED, 0x00E9},
        {{0x03}, NUMBERED, 0},
        {{}, UNNUMBERED, 0},
        {{}, UNKNOWN, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DecodeConsumerCode(c.report.data(), c.report.size(), c.numbering), c.code)
            << "report of " << c.report.size() << " bytes";
    }
}

}  // namespace
}  // namespace quorvel
