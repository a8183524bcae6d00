#pragma once
// Which requests an input report read from a hidraw node is for. One node may carry several
// top-level collections (consumer keys and the indicator, say), each with its own requests.
#include <cstddef>
#include <cstdint>

#include "hidserv/hidapi/interface_match.h"
#include "hidserv/hidapi/report_layout.h"

namespace quorvel {

// node: the node's enumerated identity. When the layout names the report's collection, the
// report reaches the requests for that collection; otherwise every request on the node.
bool ReportReaches(const InterfaceKey& key, const HidInterface& node, const ReportLayout& layout,
                   const uint8_t* report, size_t size);

}  // namespace quorvel
