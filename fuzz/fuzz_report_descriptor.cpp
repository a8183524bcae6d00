// Report descriptors come from whatever device answers on a hidraw node: parsing one, and
// routing reports by it, must stay inside both buffers.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "hidserv/hidapi/report_layout.h"

using namespace quorvel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The first byte splits the input into descriptor and report.
    if (size == 0) return 0;
    const size_t split = std::min<size_t>(data[0], size - 1);
    const ReportLayout layout = ParseReportDescriptor(data + 1, split);
    const uint8_t* report = data + 1 + split;
    const size_t reportSize = size - 1 - split;
    const ReportCollection* collection = CollectionOfReport(layout, report, reportSize);
    if (collection != nullptr) {
        bool known = false;
        for (const ReportCollection& c : layout.collections) known = known || &c == collection;
        if (!known) std::abort();
    }
    return 0;
}
