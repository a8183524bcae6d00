#include "hidserv/hidapi/report_routing.h"

namespace quorvel {

bool ReportReaches(const InterfaceKey& key, const std::vector<HidInterface>& node,
                   const ReportLayout& layout, const uint8_t* report, size_t size) {
    if (node.empty()) return false;
    const ReportCollection* collection = CollectionOfReport(layout, report, size);
    if (!collection) return node.size() == 1 && KeyMatches(key, node.front());
    HidInterface origin = node.front();
    origin.usagePage = collection->usagePage;
    origin.usage = collection->usage;
    return KeyMatches(key, origin);
}

}  // namespace quorvel
