#include "hidserv/hidapi/report_layout.h"

#include <algorithm>

namespace quorvel {

namespace {

enum : uint8_t { ITEM_MAIN = 0, ITEM_GLOBAL = 1, ITEM_LOCAL = 2 };
enum : uint8_t {
    MAIN_INPUT = 0x8,
    MAIN_OUTPUT = 0x9,
    MAIN_COLLECTION = 0xA,
    MAIN_FEATURE = 0xB,
    MAIN_END_COLLECTION = 0xC
};
enum : uint8_t {
    GLOBAL_USAGE_PAGE = 0x0,
    GLOBAL_REPORT_ID = 0x8,
    GLOBAL_PUSH = 0xA,
    GLOBAL_POP = 0xB
};
enum : uint8_t { LOCAL_USAGE = 0x0 };
constexpr uint8_t LONG_ITEM_PREFIX = 0xFE;

struct GlobalState {
    uint16_t usagePage = 0;
    uint8_t reportId = 0;
};

uint32_t ItemValue(const uint8_t* p, size_t width) {
    uint32_t value = 0;
    for (size_t i = 0; i < width; ++i) value |= static_cast<uint32_t>(p[i]) << (8 * i);
    return value;
}

}  // namespace

ReportLayout ParseReportDescriptor(const uint8_t* data, size_t size) {
    ReportLayout layout;
    GlobalState global;
    std::vector<GlobalState> pushed;
    bool haveUsage = false;
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    int depth = 0;

    size_t pos = 0;
    while (pos < size) {
        const uint8_t prefix = data[pos];
        if (prefix == LONG_ITEM_PREFIX) {
            if (pos + 1 >= size) break;
            pos += 3 + data[pos + 1];
            continue;
        }
        const size_t width = (prefix & 0x3) == 3 ? 4 : (prefix & 0x3);
        if (pos + 1 + width > size) break;
        const uint32_t value = ItemValue(data + pos + 1, width);
        const uint8_t type = (prefix >> 2) & 0x3;
        const uint8_t tag = prefix >> 4;
        pos += 1 + width;

        if (type == ITEM_GLOBAL) {
            if (tag == GLOBAL_USAGE_PAGE) global.usagePage = static_cast<uint16_t>(value);
            if (tag == GLOBAL_REPORT_ID) global.reportId = static_cast<uint8_t>(value);
            if (tag == GLOBAL_PUSH) pushed.push_back(global);
            if (tag == GLOBAL_POP && !pushed.empty()) {
                global = pushed.back();
                pushed.pop_back();
            }
        } else if (type == ITEM_LOCAL) {
            // The first usage of a local set names the collection that follows it; a 4-byte
            // usage carries its own page in the high half.
            if (tag == LOCAL_USAGE && !haveUsage) {
                haveUsage = true;
                usagePage = width == 4 ? static_cast<uint16_t>(value >> 16) : global.usagePage;
                usage = static_cast<uint16_t>(value);
            }
        } else if (type == ITEM_MAIN) {
            if (tag == MAIN_COLLECTION) {
                if (depth == 0) {
                    layout.collections.push_back({haveUsage ? usagePage : global.usagePage,
                                                  haveUsage ? usage : uint16_t{0},
                                                  {}});
                }
                ++depth;
            } else if (tag == MAIN_END_COLLECTION) {
                if (depth > 0) --depth;
            } else if ((tag == MAIN_INPUT || tag == MAIN_OUTPUT || tag == MAIN_FEATURE) &&
                       global.reportId != 0) {
                layout.numbered = true;
                if (depth > 0) {
                    std::vector<uint8_t>& ids = layout.collections.back().reportIds;
                    if (std::find(ids.begin(), ids.end(), global.reportId) == ids.end()) {
                        ids.push_back(global.reportId);
                    }
                }
            }
            haveUsage = false;
        }
    }
    return layout;
}

const ReportCollection* CollectionOfReport(const ReportLayout& layout, const uint8_t* report,
                                           size_t size) {
    if (!layout.numbered) {
        // Without report ids a device has only one top-level collection to report from.
        return layout.collections.size() == 1 ? &layout.collections.front() : nullptr;
    }
    if (size == 0) return nullptr;
    for (const ReportCollection& collection : layout.collections) {
        const auto& ids = collection.reportIds;
        if (std::find(ids.begin(), ids.end(), report[0]) != ids.end()) return &collection;
    }
    return nullptr;
}

}  // namespace quorvel
