#include "hidserv/hidapi/open_interface.h"

#include <hidapi.h>
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

}  // namespace

std::mutex& HidApiMutex() {
    // Outlives static destruction, like the service whose threads use it.
    static std::mutex* mutex = new std::mutex;
    return *mutex;
}

std::unique_ptr<OpenInterface> OpenInterface::Open(const HidInterface& info, ReportSink sink,
                                                   bool retryDenied) {
    hid_device* reader = OpenPath(info.path, retryDenied);
    if (!reader) return nullptr;
    hid_device* writer = OpenPath(info.path, retryDenied);
    if (!writer) {
        hid_close(reader);
        return nullptr;
    }
    return std::unique_ptr<OpenInterface>(new OpenInterface(info, reader, writer, std::move(sink)));
}

OpenInterface::OpenInterface(const HidInterface& info, hid_device* reader, hid_device* writer,
                             ReportSink sink)
    : info_(info), reader_(reader), writer_(writer), sink_(std::move(sink)) {
    layoutKnown_ = ReadLayout(info.path, layout_);
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
