#include "hidserv/hidapi/report_layout.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "hidserv/hidapi/report_routing.h"

namespace quorvel {
namespace {

// A composite keyboard node: boot keyboard, consumer control (named by a 4-byte usage while
// the keyboard page is still current), the vendor control collection, an indicator collection
// wrapped in Push/Pop, and one more vendor collection that must get the restored page back.
const std::vector<uint8_t> COMPOSITE = {
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x85, 0x01,              // keyboard, id 1
    0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x75, 0x01, 0x95, 0x08,  //
    0x81, 0x02, 0xC0,                                            //
    0x0B, 0x01, 0x00, 0x0C, 0x00, 0xA1, 0x01, 0x85, 0x03,        // consumer, id 3
    0x19, 0x00, 0x2A, 0xFF, 0x3F, 0x75, 0x10, 0x95, 0x01,        //
    0x81, 0x00, 0xC0,                                            //
    0xFE, 0x02, 0x00, 0xA1, 0x01,                                // a long item, skipped whole
    0x06, 0x1C, 0xFF, 0x09, 0x92, 0xA1, 0x01, 0x85, 0x04,        // control, id 4
    0x09, 0x01, 0x75, 0x08, 0x95, 0x3F, 0x81, 0x02,              //
    0xA1, 0x02, 0x09, 0x02, 0x91, 0x02, 0xC0, 0xC0,              // nested collection
    0xA4, 0x05, 0x08, 0x09, 0x89, 0xA1, 0x01, 0x85, 0x05,        // indicator, id 5
    0x09, 0x01, 0x75, 0x08, 0x95, 0x01, 0x91, 0x02, 0xC0, 0xB4,  //
    0x09, 0x93, 0xA1, 0x01, 0x09, 0x01, 0x81, 0x02, 0xC0,        // after Pop: page FF1C, id 4
};

TEST(ReportLayout, FindsTopLevelCollectionsAndTheirReportIds) {
    const ReportLayout layout = ParseReportDescriptor(COMPOSITE.data(), COMPOSITE.size());
    EXPECT_TRUE(layout.numbered);
    struct Expected {
        uint16_t page;
        uint16_t usage;
        std::vector<uint8_t> ids;
    };
    const std::vector<Expected> expected = {
        {0x0001, 0x0006, {1}}, {0x000C, 0x0001, {3}}, {0xFF1C, 0x0092, {4}},
        {0x0008, 0x0089, {5}}, {0xFF1C, 0x0093, {4}},
    };
    ASSERT_EQ(layout.collections.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(layout.collections[i].usagePage, expected[i].page) << i;
        EXPECT_EQ(layout.collections[i].usage, expected[i].usage) << i;
        EXPECT_EQ(layout.collections[i].reportIds, expected[i].ids) << i;
    }
}

TEST(ReportLayout, RoutesNumberedReportsByTheirId) {
    const ReportLayout layout = ParseReportDescriptor(COMPOSITE.data(), COMPOSITE.size());
    const uint8_t consumer[] = {0x03, 0xFF, 0x02};
    const uint8_t control[] = {0x04, 0x00, 0x00, 0x81};
    const uint8_t unknown[] = {0x09, 0x00};
    ASSERT_NE(CollectionOfReport(layout, consumer, sizeof consumer), nullptr);
    EXPECT_EQ(CollectionOfReport(layout, consumer, sizeof consumer)->usagePage, 0x000C);
    ASSERT_NE(CollectionOfReport(layout, control, sizeof control), nullptr);
    EXPECT_EQ(CollectionOfReport(layout, control, sizeof control)->usage, 0x0092);
    EXPECT_EQ(CollectionOfReport(layout, unknown, sizeof unknown), nullptr);
    EXPECT_EQ(CollectionOfReport(layout, consumer, 0), nullptr);
}

TEST(ReportLayout, UnnumberedReportsBelongToTheOnlyCollection) {
    const std::vector<uint8_t> single = {0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x75,
                                         0x10, 0x95, 0x01, 0x81, 0x00, 0xC0};
    const ReportLayout layout = ParseReportDescriptor(single.data(), single.size());
    EXPECT_FALSE(layout.numbered);
    const uint8_t report[] = {0xFF, 0x02};
    ASSERT_NE(CollectionOfReport(layout, report, sizeof report), nullptr);
    EXPECT_EQ(CollectionOfReport(layout, report, sizeof report)->usagePage, 0x000C);

    std::vector<uint8_t> twice = single;
    twice.insert(twice.end(), single.begin(), single.end());
    EXPECT_EQ(CollectionOfReport(ParseReportDescriptor(twice.data(), twice.size()), report,
                                 sizeof report),
              nullptr);
}

TEST(ReportLayout, TruncatedDescriptorsStopAtTheCut) {
    size_t previous = 0;
    for (size_t size = 0; size <= COMPOSITE.size(); ++size) {
        // A copy of exactly the cut length, so a read past it is a read past the allocation.
        const std::vector<uint8_t> cut(COMPOSITE.begin(), COMPOSITE.begin() + size);
        const size_t found = ParseReportDescriptor(cut.data(), cut.size()).collections.size();
        EXPECT_GE(found, previous) << size;
        previous = found;
    }
    EXPECT_EQ(previous, 5u);
}

TEST(ReportRouting, ReportsReachOnlyTheRequestsForTheirCollection) {
    // The node as hidraw enumerates it: once per top-level collection.
    std::vector<HidInterface> node;
    for (auto [page, usage] : {std::pair<uint16_t, uint16_t>{0x0001, 0x0006},
                               {0x000C, 0x0001},
                               {0xFF1C, 0x0092},
                               {0x0008, 0x0089},
                               {0xFF1C, 0x0093}})
        node.push_back({"/dev/hidraw2", 0x0C45, 0x7A3D, page, usage});
    const InterfaceKey consumer = {0x0F, 0x0C45, 0x7A3D, 0x000C, 0x0001};
    const InterfaceKey control = {0x0F, 0x0C45, 0x7A3D, 0xFF1C, 0x0092};
    const uint8_t consumerReport[] = {0x03, 0xFF, 0x02};
    // A control reply whose checksum bytes read as the bank key's consumer code.
    const uint8_t controlReport[] = {0x04, 0xFF, 0x02, 0x81};
    const uint8_t strayReport[] = {0x09, 0x00};

    const ReportLayout known = ParseReportDescriptor(COMPOSITE.data(), COMPOSITE.size());
    EXPECT_TRUE(ReportReaches(consumer, node, known, consumerReport, sizeof consumerReport));
    EXPECT_FALSE(ReportReaches(control, node, known, consumerReport, sizeof consumerReport));
    EXPECT_TRUE(ReportReaches(control, node, known, controlReport, sizeof controlReport));
    EXPECT_FALSE(ReportReaches(consumer, node, known, controlReport, sizeof controlReport));

    // Where the layout cannot place a report, a node of several collections gives it to no
    // request rather than to the wrong one.
    const ReportLayout unknown;
    for (const InterfaceKey& key : {consumer, control}) {
        EXPECT_FALSE(ReportReaches(key, node, known, strayReport, sizeof strayReport));
        EXPECT_FALSE(ReportReaches(key, node, unknown, controlReport, sizeof controlReport));
        EXPECT_FALSE(ReportReaches(key, node, unknown, consumerReport, sizeof consumerReport));
    }
}

TEST(ReportRouting, NodeOfOneCollectionNeedsNoLayout) {
    const std::vector<HidInterface> node = {{"/dev/hidraw1", 0x0C45, 0x7A3D, 0xFF1C, 0x0092}};
    const InterfaceKey control = {0x0F, 0x0C45, 0x7A3D, 0xFF1C, 0x0092};
    const InterfaceKey consumer = {0x0F, 0x0C45, 0x7A3D, 0x000C, 0x0001};
    const uint8_t controlReport[] = {0x04, 0xFF, 0x02, 0x81};
    const ReportLayout unknown;
    EXPECT_TRUE(ReportReaches(control, node, unknown, controlReport, sizeof controlReport));
    EXPECT_FALSE(ReportReaches(consumer, node, unknown, controlReport, sizeof controlReport));
}

}  // namespace
}  // namespace quorvel
