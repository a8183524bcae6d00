#include "hidserv/hidapi/open_interface.h"

#include <fcntl.h>
#include <hidapi.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace quorvel {

namespace {

constexpr int READ_TIMEOUT_MS = 100;  // how long closing waits for the reader at most
constexpr int DENIED_RETRIES = 5;
constexpr auto DENIED_RETRY_DELAY = std::chrono::milliseconds(100);
constexpr size_t MAX_REPORT_SIZE = 4096;

bool AccessDenied(const std::string& path) {
    return access(path.c_str(), R_OK | W_OK) != 0 && errno == EACCES;
}

hid_device* OpenPath(const std::string& path, bool retryDenied) {
    for (int attempt = 0;; ++attempt) {
        {
            std::lock_guard lock(HidApiMutex());
            if (hid_device* handle = hid_open_path(path.c_str())) return handle;
        }
        if (!retryDenied || attempt == DENIED_RETRIES || !AccessDenied(path)) return nullptr;
        std::this_thread::sleep_for(DENIED_RETRY_DELAY);
    }
}

// The kernel publishes each hidraw node's report descriptor in sysfs.
bool ReadLayout(const std::string& path, ReportLayout& layout) {
    const std::string name = std::filesystem::path(path).filename();
    std::ifstream file("/sys/class/hidraw/" + name + "/device/report_descriptor", std::ios::binary);
    if (!file) return false;
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file),
                                     std::istreambuf_iterator<char>()};
    if (bytes.empty()) return false;
    layout = ParseReportDescriptor(bytes.data(), bytes.size());
    return !layout.collections.empty();
}

// Asks the node itself, as hidapi does on open, when sysfs has no descriptor to give.
bool ReadLayoutFromNode(const std::string& path, ReportLayout& layout) {
    const int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return false;
    int size = 0;
    hidraw_report_descriptor descriptor{};
    bool read =
        ioctl(fd, HIDIOCGRDESCSIZE, &size) >= 0 && size > 0 && size <= HID_MAX_DESCRIPTOR_SIZE;
    if (read) {
        descriptor.size = static_cast<uint32_t>(size);
        read = ioctl(fd, HIDIOCGRDESC, &descriptor) >= 0;
    }
    close(fd);
    if (!read) return false;
    layout = ParseReportDescriptor(descriptor.value, descriptor.size);
    return !layout.collections.empty();
}

}  // namespace

std::mutex& HidApiMutex() {
    // Outlives static destruction, like the service whose threads use it.
    static std::mutex* mutex = new std::mutex;
    return *mutex;
}

std::unique_ptr<OpenInterface> OpenInterface::Open(std::vector<HidInterface> node, ReportSink sink,
                                                   bool retryDenied) {
    if (node.empty()) return nullptr;
    const std::string& path = node.front().path;
    hid_device* reader = OpenPath(path, retryDenied);
    if (!reader) return nullptr;
    hid_device* writer = OpenPath(path, retryDenied);
    if (!writer) {
        hid_close(reader);
        return nullptr;
    }
    return std::unique_ptr<OpenInterface>(
        new OpenInterface(std::move(node), reader, writer, std::move(sink)));
}

OpenInterface::OpenInterface(std::vector<HidInterface> node, hid_device* reader, hid_device* writer,
                             ReportSink sink)
    : node_(std::move(node)), reader_(reader), writer_(writer), sink_(std::move(sink)) {
    const std::string& path = node_.front().path;
    layoutKnown_ = ReadLayout(path, layout_) || ReadLayoutFromNode(path, layout_);
    thread_ = std::thread([this] { Read(); });
}

OpenInterface::~OpenInterface() {
    stop_ = true;
    thread_.join();
    hid_close(reader_);
    hid_close(writer_);
}

ReportNumbering OpenInterface::Numbering() const {
    if (!layoutKnown_) return ReportNumbering::UNKNOWN;
    return layout_.numbered ? ReportNumbering::NUMBERED : ReportNumbering::UNNUMBERED;
}

void OpenInterface::Read() {
    std::vector<uint8_t> buffer(MAX_REPORT_SIZE);
    while (!stop_) {
        const int size = hid_read_timeout(reader_, buffer.data(), buffer.size(), READ_TIMEOUT_MS);
        if (size < 0) {
            failed_ = true;
            return;
        }
        if (size > 0) sink_(*this, buffer.data(), static_cast<size_t>(size));
    }
}

int OpenInterface::Write(const uint8_t* data, size_t size) {
    std::lock_guard lock(writeMutex_);
    return hid_write(writer_, data, size);
}

int OpenInterface::SendFeature(const uint8_t* data, size_t size) {
    std::lock_guard lock(writeMutex_);
    return hid_send_feature_report(writer_, data, size);
}

int OpenInterface::GetFeature(uint8_t* data, size_t size) {
    std::lock_guard lock(writeMutex_);
    return hid_get_feature_report(writer_, data, size);
}

}  // namespace quorvel
