#pragma once
// Which requests an input report read from a hidraw node is for. One node may carry several
// top-level collections (consumer keys and the indicator, say), each with its own requests.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "hidserv/hidapi/interface_match.h"
#include "hidserv/hidapi/report_layout.h"

namespace quorvel {

// node: the node's enumerated collections (hidraw lists a node once per top-level
// collection). A report reaches a request only when it is known to come from a collection the
// request selects: the one the layout names by the report's id, or else the node's only
// collection. A report of a node with several collections that the layout cannot place
// reaches no request: taken for the wrong one, a control reply would pass for a consumer
// code.
bool ReportReaches(const InterfaceKey& key, const std::vector<HidInterface>& node,
                   const ReportLayout& layout, const uint8_t* report, size_t size);

}  // namespace quorvel
