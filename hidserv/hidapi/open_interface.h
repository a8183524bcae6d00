#pragma once
// An opened hidraw node of the keyboard.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "hidserv/hidapi/consumer_report.h"
#include "hidserv/hidapi/interface_match.h"
#include "hidserv/hidapi/report_layout.h"

struct hid_device_;

namespace quorvel {

// hidapi keeps its last error in shared state, so enumeration, opening, init and exit are
// serialised by this lock.
std::mutex& HidApiMutex();

// A reader thread owns the read handle and passes every input report to the sink. Writes use
// a second handle of the same node (the kernel gives each open handle its own copy of the
// input), so no hidapi handle is ever used by two threads at once.
class OpenInterface {
public:
    using ReportSink = std::function<void(const OpenInterface&, const uint8_t*, size_t)>;

    // Null when the node cannot be opened. node: the node's enumerated collections (one
    // entry per top-level collection, all with the same path). retryDenied: the node has only
    // just appeared, and udev may not have granted the user access yet.
    static std::unique_ptr<OpenInterface> Open(std::vector<HidInterface> node, ReportSink sink,
                                               bool retryDenied);
    ~OpenInterface();
    OpenInterface(const OpenInterface&) = delete;
    OpenInterface& operator=(const OpenInterface&) = delete;

    // Results as hidapi gives them: bytes transferred, or -1.
    int Write(const uint8_t* data, size_t size);
    int SendFeature(const uint8_t* data, size_t size);
    int GetFeature(uint8_t* data, size_t size);

    // The reader hit an error (typically the node went away); the handle is of no further use.
    bool Failed() const { return failed_; }
    const HidInterface& Info() const { return node_.front(); }
    const std::vector<HidInterface>& Collections() const { return node_; }
    const ReportLayout& Layout() const { return layout_; }
    ReportNumbering Numbering() const;

private:
    OpenInterface(std::vector<HidInterface> node, hid_device_* reader, hid_device_* writer,
                  ReportSink sink);
    void Read();

    std::vector<HidInterface> node_;
    ReportLayout layout_;
    bool layoutKnown_ = false;
    hid_device_* reader_;
    hid_device_* writer_;
    std::mutex writeMutex_;
    ReportSink sink_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> failed_{false};
    std::thread thread_;
};

}  // namespace quorvel
