#include "hidserv/hidapi/consumer_report.h"

#include "base/byte_order.h"

namespace quorvel {

uint16_t DecodeConsumerCode(const uint8_t* report, size_t size, ReportNumbering numbering) {
    const bool numbered = numbering == ReportNumbering::NUMBERED ||
                          (numbering == ReportNumbering::UNKNOWN && size % 2 == 1);
    const size_t start = numbered ? 1 : 0;
    if (size <= start) return 0;
    if (size - start == 1) return report[start];
    return ReadLe16(report + start);
}

}  // namespace quorvel
