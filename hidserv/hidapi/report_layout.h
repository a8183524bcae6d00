#pragma once
// The top-level collections of a HID report descriptor and the report ids each one uses, so
// that input read from a shared hidraw node reaches only the requests for its collection.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace quorvel {

struct ReportCollection {
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    std::vector<uint8_t> reportIds;  // ids of the reports declared inside the collection
};

struct ReportLayout {
    std::vector<ReportCollection> collections;
    bool numbered = false;  // reports start with a report id byte
};

// Never reads past size; a truncated descriptor yields what was parsed before the cut.
ReportLayout ParseReportDescriptor(const uint8_t* data, size_t size);

// The collection an input report belongs to, or null when the layout cannot tell.
const ReportCollection* CollectionOfReport(const ReportLayout& layout, const uint8_t* report,
                                           size_t size);

}  // namespace quorvel
