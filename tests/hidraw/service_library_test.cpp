// libHidServ.so through its C ABI, against the keyboard's emulated hidraw nodes.
#include <time.h>
#include <unistd.h>

#include <thread>

#include "device/command_frame.h"
#include "device/device_link.h"
#include "tests/hidraw/hidraw_fixture.h"

namespace quorvel::testing {
namespace {

using namespace std::chrono_literals;

constexpr auto WAIT = 3s;

double ProcessCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Catches: enumeration that ignores the usage of a node, or counts a node twice, or matches
// by vendor alone.
TEST_F(HidrawTest, CountsEachInterfaceByItsUsage) {
    EXPECT_EQ(library_.RequestGetDeviceCount(&ControlDescriptor(), nullptr, 0, nullptr), 1);
    EXPECT_EQ(library_.RequestGetDeviceCount(&ConsumerDescriptor(), nullptr, 0, nullptr), 1);
    EXPECT_EQ(library_.RequestGetDeviceCount(&IndicatorDescriptor(), nullptr, 0, nullptr), 1);

    const HidServDescriptor otherProduct = Descriptor(0xFF1C, 0x0092, 0x0C45, 0x7A3E);
    const HidServDescriptor otherVendor = Descriptor(0xFF1C, 0x0092, 0x0C46, 0x7A3D);
    const HidServDescriptor otherUsage = Descriptor(0xFF1C, 0x0093);
    const HidServDescriptor otherPage = Descriptor(0x0001, 0x0006);
    for (const HidServDescriptor* other : {&otherProduct, &otherVendor, &otherUsage, &otherPage})
        EXPECT_EQ(library_.RequestGetDeviceCount(other, nullptr, 0, nullptr), 0);
}

// Catches: consumer codes read at the wrong offset, and control replies reaching the
// consumer request (their bytes would be taken for a bank key press).
TEST_F(HidrawTest, ConsumerReportReachesOnlyTheConsumerRequestDecoded) {
    Subscribe(ConsumerDescriptor(), TAG_CONS);
    Subscribe(ControlDescriptor(), TAG_CTRL);
    firmware_->Run({"bank"});
    ASSERT_TRUE(NotificationLog::Instance().WaitFor(TAG_CONS, 1, WAIT));

    const std::vector<uint8_t> frame = Frame(OP_READ_SETTINGS_BLOCK, 44, 0);
    for (int i = 0; i < 3; ++i) {
        ASSERT_GT(
            library_.RequestWriteOne(&ControlDescriptor(), nullptr, 0, frame.data(), 64, nullptr),
            0);
        ASSERT_TRUE(NotificationLog::Instance().WaitFor(TAG_CTRL, i + 1, WAIT));
    }
    firmware_->Run({"special", "on"});
    ASSERT_TRUE(NotificationLog::Instance().WaitFor(TAG_CONS, 2, WAIT));

    const std::vector<Heard> consumer = NotificationLog::Instance().Of(TAG_CONS);
    ASSERT_EQ(consumer.size(), 2u);
    EXPECT_EQ(consumer[0].code, 0x02FF);
    EXPECT_EQ(consumer[0].data, (std::vector<uint8_t>{0xFF, 0x02}));
    EXPECT_EQ(consumer[1].code, 0x1811);
    for (const Heard& reply : NotificationLog::Instance().Of(TAG_CTRL)) {
        EXPECT_EQ(reply.value, 64u);
        EXPECT_EQ(reply.data[3], OP_READ_SETTINGS_BLOCK);
    }
}

// Catches: a reply taken from input that was already waiting before the frame went out
// (an unsolicited or late report would then answer the next transaction).
TEST_F(HidrawTest, InputQueuedBeforeAWriteIsNeverTakenAsItsReply) {
    Subscribe(ControlDescriptor(), TAG_CTRL);
    NotificationLog& log = NotificationLog::Instance();
    std::vector<uint8_t> first(64, 0), stale(64, 0);
    first[0] = stale[0] = 0x04;
    first[3] = 0x7E;
    stale[3] = OP_READ_SETTINGS_BLOCK;  // would pass for the reply by its command echo
    stale[8] = 0xEE;

    // The receiver is busy with the first report while the second one arrives.
    log.HoldNext(TAG_CTRL);
    keyboard_->Inject(HidrawKeyboard::CONTROL, first);
    ASSERT_TRUE(log.WaitHeld(WAIT));
    keyboard_->Inject(HidrawKeyboard::CONTROL, stale);
    ASSERT_TRUE(keyboard_->WaitInputTaken(HidrawKeyboard::CONTROL));
    std::this_thread::sleep_for(50ms);  // from the reader into the request's queue

    const std::vector<uint8_t> frame = Frame(OP_READ_SETTINGS_BLOCK, 44, 0);
    ASSERT_GT(library_.RequestWriteOne(&ControlDescriptor(), nullptr, 0, frame.data(), 64, nullptr),
              0);
    ASSERT_TRUE(keyboard_->WaitInputTaken(HidrawKeyboard::CONTROL));
    std::this_thread::sleep_for(50ms);
    log.Release();
    ASSERT_TRUE(log.WaitFor(TAG_CTRL, 2, WAIT));
    std::this_thread::sleep_for(100ms);

    const std::vector<Heard> heard = log.Of(TAG_CTRL);
    ASSERT_EQ(heard.size(), 2u);
    EXPECT_EQ(heard[0].data, first);
    EXPECT_EQ(heard[1].data, keyboard_->Delivered(HidrawKeyboard::CONTROL).back());
    EXPECT_NE(heard[1].data, stale);
}

// Catches: hot-plug that is noticed only when the program asks for the count again, counts
// announced twice or out of order, and a reader left on the removed node.
TEST_F(HidrawTest, HotPlugIsAnnouncedOnceEachInOrderByTheUdevMonitor) {
    Subscribe(ControlDescriptor(), TAG_CTRL);
    Subscribe(ConsumerDescriptor(), TAG_CONS);
    NotificationLog& log = NotificationLog::Instance();

    keyboard_->Unplug();
    ASSERT_TRUE(log.WaitFor(TAG_CTRL, 1, WAIT));
    keyboard_->Plug();
    ASSERT_TRUE(log.WaitFor(TAG_CTRL, 2, WAIT));
    std::this_thread::sleep_for(300ms);  // room for a duplicate

    std::vector<uint32_t> counts;
    for (const Heard& heard : log.Of(TAG_CTRL)) {
        EXPECT_EQ(heard.kind, static_cast<uint32_t>(HIDSERV_NOTIFY_COUNT));
        counts.push_back(heard.value);
    }
    EXPECT_EQ(counts, (std::vector<uint32_t>{0, 1}));
    ASSERT_EQ(log.Of(TAG_CONS).size(), 2u);

    // The new nodes are read: the keyboard answers and reports again.
    const std::vector<uint8_t> frame = Frame(OP_READ_SETTINGS_BLOCK, 44, 0);
    ASSERT_GT(library_.RequestWriteOne(&ControlDescriptor(), nullptr, 0, frame.data(), 64, nullptr),
              0);
    ASSERT_TRUE(log.WaitFor(TAG_CTRL, 3, WAIT));
    firmware_->Run({"bank"});
    ASSERT_TRUE(log.WaitFor(TAG_CONS, 3, WAIT));
    EXPECT_EQ(log.Of(TAG_CONS).back().code, 0x02FF);
}

// Catches: a node that udev has not yet opened to the user being given up at once (the
// keyboard would stay silent until replugged), and retries that spin.
TEST_F(HidrawTest, NodeRefusedOnArrivalIsRetriedWithoutSpinning) {
    if (geteuid() == 0) GTEST_SKIP() << "root opens any node; run as a user (ctest does)";
    Subscribe(ControlDescriptor(), TAG_CTRL);
    NotificationLog& log = NotificationLog::Instance();
    keyboard_->Unplug();
    ASSERT_TRUE(log.WaitFor(TAG_CTRL, 1, WAIT));

    const double cpuBefore = ProcessCpuSeconds();
    const auto wallBefore = std::chrono::steady_clock::now();
    keyboard_->Plug({HidrawKeyboard::CONTROL});
    std::this_thread::sleep_for(250ms);
    keyboard_->Grant(HidrawKeyboard::CONTROL);
    ASSERT_TRUE(log.WaitFor(TAG_CTRL, 2, WAIT));
    const double cpu = ProcessCpuSeconds() - cpuBefore;
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
    EXPECT_LT(cpu, 0.25 * wall) << "cpu " << cpu << " s in " << wall << " s";

    // Opened by the arrival's retries, not by a later write: unsolicited input is read.
    std::vector<uint8_t> report(64, 0);
    report[0] = 0x04;
    report[3] = 0x55;
    keyboard_->Inject(HidrawKeyboard::CONTROL, report);
    ASSERT_TRUE(log.WaitFor(TAG_CTRL, 3, WAIT));
    EXPECT_EQ(log.Of(TAG_CTRL).back().data, report);
}

// Catches: a node refused for longer than the arrival retries staying closed for good.
TEST_F(HidrawTest, NodeRefusedForLongIsOpenedByTheNextWrite) {
    if (geteuid() == 0) GTEST_SKIP() << "root opens any node; run as a user (ctest does)";
    Subscribe(ControlDescriptor(), TAG_CTRL);
    NotificationLog& log = NotificationLog::Instance();
    keyboard_->Unplug();
    keyboard_->Plug({HidrawKeyboard::CONTROL});
    ASSERT_TRUE(log.WaitFor(TAG_CTRL, 2, WAIT));
    std::this_thread::sleep_for(1200ms);

    const std::vector<uint8_t> frame = Frame(OP_READ_SETTINGS_BLOCK, 44, 0);
    EXPECT_LE(library_.RequestWriteOne(&ControlDescriptor(), nullptr, 0, frame.data(), 64, nullptr),
              0);
    keyboard_->Grant(HidrawKeyboard::CONTROL);
    ASSERT_GT(library_.RequestWriteOne(&ControlDescriptor(), nullptr, 0, frame.data(), 64, nullptr),
              0);
    ASSERT_TRUE(log.WaitFor(TAG_CTRL, 3, WAIT));
    EXPECT_EQ(log.Of(TAG_CTRL).back().data[3], OP_READ_SETTINGS_BLOCK);
}

class SharedInterfaceTest : public HidrawTest {
protected:
    HidrawKeyboard::Options KeyboardOptions() override {
        HidrawKeyboard::Options options;
        options.sharedControlInterface = true;
        return options;
    }

    // Three control transactions and a bank key press on the shared node.
    void Exchange() {
        Subscribe(ConsumerDescriptor(), TAG_CONS);
        Subscribe(ControlDescriptor(), TAG_CTRL);
        const std::vector<uint8_t> frame = Frame(OP_READ_SETTINGS_BLOCK, 44, 0);
        for (int i = 0; i < 3; ++i) {
            ASSERT_GT(library_.RequestWriteOne(&ControlDescriptor(), nullptr, 0, frame.data(), 64,
                                               nullptr),
                      0);
            ASSERT_TRUE(keyboard_->WaitInputTaken(HidrawKeyboard::CONTROL));
        }
        firmware_->Run({"bank"});
        ASSERT_TRUE(keyboard_->WaitInputTaken(HidrawKeyboard::CONSUMER));
        std::this_thread::sleep_for(200ms);
    }

    // Each request heard exactly the reports of its own collection.
    void ExpectEachCollectionHeardItsOwn() {
        const std::vector<Heard> consumer = NotificationLog::Instance().Of(TAG_CONS);
        ASSERT_EQ(consumer.size(), 1u);
        EXPECT_EQ(consumer[0].code, 0x02FF);
        EXPECT_EQ(NotificationLog::Instance().Of(TAG_CTRL).size(), 3u);
    }
};

// Catches: reports of a node with two collections going to both collections' requests.
TEST_F(SharedInterfaceTest, ReportsGoToTheirOwnCollection) {
    Exchange();
    ExpectEachCollectionHeardItsOwn();
}

// Catches: with the node's report descriptor unreadable in sysfs, control replies decoded
// as consumer codes (a checksum of 0x02FF would toggle the bank).
TEST_F(SharedInterfaceTest, UnreadableSysfsDescriptorIsReadThroughTheNode) {
    keyboard_->HideReportDescriptor(HidrawKeyboard::CONTROL, true);
    Exchange();
    ExpectEachCollectionHeardItsOwn();
}

// Catches: a report whose collection cannot be told delivered to every request of the node.
TEST_F(SharedInterfaceTest, ReportOfAnUnknownCollectionReachesNoRequest) {
    keyboard_->HideReportDescriptor(HidrawKeyboard::CONTROL, false);
    Exchange();
    EXPECT_TRUE(NotificationLog::Instance().Of(TAG_CONS).empty());
}

}  // namespace
}  // namespace quorvel::testing
