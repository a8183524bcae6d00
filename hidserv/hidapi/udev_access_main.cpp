// quorvel-hidraw-access SYSFS-PATH: run by the udev rule for each hidraw node of the keyboard;
// exits 0 when the user at the seat may open the node (see node_access.h), 1 otherwise.
#include <fstream>
#include <string>
#include <vector>

#include "hidserv/hidapi/node_access.h"

namespace {

// The kernel's HID_MAX_DESCRIPTOR_SIZE: a longer file is not a report descriptor.
constexpr std::streamsize MAX_DESCRIPTOR_SIZE = 4096;

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 1;
    std::ifstream file(std::string(argv[1]) + "/device/report_descriptor", std::ios::binary);
    std::vector<uint8_t> descriptor(MAX_DESCRIPTOR_SIZE);
    file.read(reinterpret_cast<char*>(descriptor.data()), MAX_DESCRIPTOR_SIZE);
    descriptor.resize(static_cast<size_t>(file.gcount()));
    if (descriptor.empty()) return 1;
    const quorvel::ReportLayout layout =
        quorvel::ParseReportDescriptor(descriptor.data(), descriptor.size());
    return quorvel::SeatMayOpenNode(layout) ? 0 : 1;
}
