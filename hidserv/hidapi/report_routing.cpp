#include "hidserv/hidapi/report_routing.h"

namespace quorvel {

bool ReportReaches(const InterfaceKey& key, const HidInterface& node, const ReportLayout& layout,
                   const uint8_t* report, size_t size) {
    const ReportCollection* collection = CollectionOfReport(layout, report, size);
    if (!collection) return true;
    HidInterface origin = node;
    origin.usagePage = collection->usagePage;
    origin.usage = collection->usage;
    return KeyMatches(key, origin);
}

}  // namespace quorvel
