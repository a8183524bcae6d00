#include "hidserv/hidapi/node_access.h"

#include <algorithm>

namespace quorvel {
namespace {

struct Usage {
    uint16_t page;
    uint16_t usage;
};

constexpr Usage PROGRAM_COLLECTIONS[] = {{0xFF1C, 0x0092}, {0x000C, 0x0001}, {0x0008, 0x0089}};
constexpr Usage TYPING_COLLECTIONS[] = {{0x0001, 0x0006}, {0x0001, 0x0007}};

template <size_t N>
bool Holds(const ReportLayout& layout, const Usage (&usages)[N]) {
    return std::any_of(
        layout.collections.begin(), layout.collections.end(),
        [&usages](const ReportCollection& collection) {
            return std::any_of(std::begin(usages), std::end(usages), [&collection](const Usage& u) {
                return u.page == collection.usagePage && u.usage == collection.usage;
            });
        });
}

}  // namespace

bool SeatMayOpenNode(const ReportLayout& layout) {
    return Holds(layout, PROGRAM_COLLECTIONS) && !Holds(layout, TYPING_COLLECTIONS);
}

}  // namespace quorvel
