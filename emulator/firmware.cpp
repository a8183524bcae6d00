#include "emulator/firmware.h"

#include <algorithm>

#include "base/byte_order.h"

namespace quorvel::vkbd {
namespace {

constexpr int BYTE_REPORT_ID = 0;
constexpr int BYTE_CHECKSUM = 1;
constexpr int BYTE_COMMAND = 3;
constexpr int BYTE_LENGTH = 4;
constexpr int BYTE_ADDRESS = 5;
constexpr int BYTE_STATUS = 7;
constexpr uint8_t REPORT_ID = 0x04;
constexpr int MODE_PRESET = 17;  // reachable only with the keyboard's own lighting key

enum Command : uint8_t {
    OP_BEGIN = 0x01,
    OP_END = 0x02,
    OP_READ_SETTINGS_BLOCK = 0x03,
    OP_WRITE_SETTINGS_BLOCK = 0x04,
    OP_READ_PARAMS = 0x05,
    OP_WRITE_PARAMS = 0x06,
    OP_READ_KEY_BLOCK = 0x07,
    OP_WRITE_KEY_BLOCK = 0x08,
    OP_READ_MACRO_AREA = 0x09,
    OP_WRITE_MACRO_AREA = 0x0A,
    OP_READ_DEFAULT_LAYOUT = 0x0F,
    OP_WRITE_KEY_COLOURS = 0x11,
};

std::vector<uint8_t> EmptyMacroArea(int capacityUnits) {
    // An empty macro directory: magic, its own size, no macros, no names.
    std::vector<uint8_t> area(static_cast<size_t>(capacityUnits) * MACRO_UNIT, 0);
    constexpr uint16_t MAGIC = 0x55AA;
    constexpr uint16_t HEADER_SIZE = 16;
    if (area.size() >= HEADER_SIZE) {
        WriteLe16(&area[0], MAGIC);
        WriteLe16(&area[2], HEADER_SIZE);
    }
    return area;
}

}  // namespace

uint16_t FrameChecksum(const uint8_t* frame) {
    unsigned sum = 0;
    for (int i = BYTE_COMMAND; i < FRAME_BYTES; ++i) sum += frame[i];
    return static_cast<uint16_t>(sum);
}

Firmware::Firmware(Hardware hardware)
    : hardware_(std::move(hardware)), defaultLayout_(FactoryLayout(hardware_.shuffledLayout)) {
    for (int p = 0; p < PROFILES; ++p) {
        auto record = FactoryLightingRecord(p);
        std::copy(record.begin(), record.end(), flash_.params.begin() + p * LIGHTING_RECORD_SIZE);
        std::copy(defaultLayout_.begin(), defaultLayout_.end(),
                  flash_.keyBlocks.begin() + p * KEY_BLOCK_SIZE);
    }
    flash_.macroArea = EmptyMacroArea(hardware_.capacityUnits);
    ApplyHardwareFacts();
    committed_ = flash_;
}

void Firmware::ApplyHardwareFacts() {
    flash_.settings[SETTINGS_CAPACITY] = static_cast<uint8_t>(hardware_.capacityUnits);
    std::fill(flash_.settings.begin() + SETTINGS_MODES, flash_.settings.end(), 0);
    std::copy_n(hardware_.modes.begin(), std::min<size_t>(hardware_.modes.size(), MAX_MODES),
                flash_.settings.begin() + SETTINGS_MODES);
    flash_.macroArea.resize(static_cast<size_t>(hardware_.capacityUnits) * MACRO_UNIT, 0);
    if (hardware_.strict.settingsHead)
        std::copy(hardware_.strict.settingsHead->begin(), hardware_.strict.settingsHead->end(),
                  flash_.settings.begin());
}

void Firmware::LoadFlash(const Flash& saved) {
    flash_ = saved;
    if (flash_.settings[SETTINGS_ACTIVE_PROFILE] >= PROFILES)
        flash_.settings[SETTINGS_ACTIVE_PROFILE] = 0;
    ApplyHardwareFacts();
    committed_ = flash_;
    inSession_ = false;
}

void Firmware::PowerOff() {
    inSession_ = false;
    if (hardware_.strict.volatileSession) flash_ = committed_;
}

Firmware::Result Firmware::Handle(const Frame& request) {
    Result result{};
    Frame& reply = result.reply;
    reply[BYTE_REPORT_ID] = REPORT_ID;
    std::copy_n(request.begin() + BYTE_COMMAND, BYTE_STATUS - BYTE_COMMAND,
                reply.begin() + BYTE_COMMAND);

    uint8_t status = STATUS_OK;
    if (request[BYTE_REPORT_ID] != REPORT_ID || request[BYTE_STATUS] != 0 ||
        ReadLe16(&request[BYTE_CHECKSUM]) != FrameChecksum(request.data()) ||
        (hardware_.strict.cleanFrames && !UnusedBytesClear(request))) {
        status = STATUS_REJECTED;
    } else {
        switch (request[BYTE_COMMAND]) {
            case OP_BEGIN:
                inSession_ = true;
                break;
            case OP_END:
                // Closing a session commits the flash, even when nothing was open.
                inSession_ = false;
                committed_ = flash_;
                result.flashChanged = true;
                break;
            case OP_READ_SETTINGS_BLOCK:
                status =
                    request[BYTE_LENGTH] == SETTINGS_SIZE && ReadLe16(&request[BYTE_ADDRESS]) == 0
                        ? Read(flash_.settings.data(), SETTINGS_SIZE, request, reply, false)
                        : STATUS_OUT_OF_AREA;
                break;
            case OP_WRITE_SETTINGS_BLOCK:
                status = WriteSettings(request);
                result.flashChanged = status == STATUS_OK;
                break;
            case OP_READ_PARAMS:
                if (hardware_.strict.sessionReads && !inSession_) {
                    status = STATUS_OUT_OF_AREA;
                    break;
                }
                status = Read(flash_.params.data(), PARAM_AREA_SIZE, request, reply, true);
                break;
            case OP_WRITE_PARAMS:
                status = Write(flash_.params.data(), PARAM_AREA_SIZE, request);
                break;
            case OP_READ_KEY_BLOCK:
                status = Read(flash_.keyBlocks.data(), KEY_BLOCKS_SIZE, request, reply, false);
                break;
            case OP_WRITE_KEY_BLOCK:
                status = Write(flash_.keyBlocks.data(), KEY_BLOCKS_SIZE, request);
                break;
            case OP_READ_MACRO_AREA:
                status =
                    Read(flash_.macroArea.data(), flash_.macroArea.size(), request, reply, false);
                break;
            case OP_WRITE_MACRO_AREA:
                status = Write(flash_.macroArea.data(), flash_.macroArea.size(), request);
                break;
            case OP_READ_DEFAULT_LAYOUT:
                status = Read(defaultLayout_.data(), KEY_BLOCK_SIZE, request, reply, false);
                break;
            case OP_WRITE_KEY_COLOURS:
                status = Write(flash_.keyColours.data(), COLOUR_AREA_SIZE, request);
                break;
            default:
                status = STATUS_REJECTED;
        }
    }
    reply[BYTE_STATUS] = status;
    WriteLe16(&reply[BYTE_CHECKSUM], FrameChecksum(reply.data()));
    return result;
}

uint8_t Firmware::Read(const uint8_t* area, size_t size, const Frame& request, Frame& reply,
                       bool fullDataArea) const {
    size_t length = request[BYTE_LENGTH];
    size_t address = ReadLe16(&request[BYTE_ADDRESS]);
    if (length > DATA_CAPACITY || address + length > size) return STATUS_OUT_OF_AREA;
    // The parameter read always fills the whole data area, as far as the area reaches.
    size_t copied = fullDataArea ? std::min<size_t>(DATA_CAPACITY, size - address) : length;
    std::copy_n(area + address, copied, reply.begin() + DATA_OFFSET);
    return STATUS_OK;
}

uint8_t Firmware::Write(uint8_t* area, size_t size, const Frame& request) {
    size_t length = request[BYTE_LENGTH];
    size_t address = ReadLe16(&request[BYTE_ADDRESS]);
    if (!inSession_ || length > DATA_CAPACITY || address + length > size) return STATUS_OUT_OF_AREA;
    std::copy_n(request.begin() + DATA_OFFSET, length, area + address);
    return STATUS_OK;
}

uint8_t Firmware::WriteSettings(const Frame& request) {
    const uint8_t* data = request.data() + DATA_OFFSET;
    if (request[BYTE_LENGTH] != SETTINGS_SIZE || ReadLe16(&request[BYTE_ADDRESS]) != 0 ||
        data[SETTINGS_ACTIVE_PROFILE] >= PROFILES)
        return STATUS_OUT_OF_AREA;
    const auto& head = hardware_.strict.settingsHead;
    if (head && !std::equal(head->begin(), head->end(), data)) return STATUS_OUT_OF_AREA;
    // Capacity and the mode list describe the hardware; the host cannot change them.
    std::copy_n(data, SETTINGS_CAPACITY, flash_.settings.begin());
    committed_.settings = flash_.settings;
    return STATUS_OK;
}

bool Firmware::UnusedBytesClear(const Frame& request) const {
    size_t used;  // bytes from the start of the frame that the command may fill
    switch (request[BYTE_COMMAND]) {
        case OP_BEGIN:
        case OP_END:
            used = BYTE_LENGTH;
            break;
        case OP_WRITE_SETTINGS_BLOCK:
        case OP_WRITE_PARAMS:
        case OP_WRITE_KEY_BLOCK:
        case OP_WRITE_MACRO_AREA:
        case OP_WRITE_KEY_COLOURS:
            used = DATA_OFFSET + std::min<size_t>(request[BYTE_LENGTH], DATA_CAPACITY);
            break;
        default:
            used = DATA_OFFSET;
    }
    return std::all_of(request.begin() + static_cast<std::ptrdiff_t>(used), request.end(),
                       [](uint8_t b) { return b == 0; });
}

void Firmware::StepLightingMode() {
    std::vector<uint8_t> cycle;
    for (int i = SETTINGS_MODES; i < SETTINGS_SIZE; ++i)
        if (flash_.settings[i] != 0) cycle.push_back(flash_.settings[i]);
    if (std::find(cycle.begin(), cycle.end(), MODE_PRESET) == cycle.end())
        cycle.push_back(MODE_PRESET);
    const size_t at = flash_.settings[SETTINGS_ACTIVE_PROFILE] * LIGHTING_RECORD_SIZE;
    uint8_t& mode = flash_.params[at];
    auto current = std::find(cycle.begin(), cycle.end(), mode);
    mode = (current == cycle.end() || current + 1 == cycle.end()) ? cycle.front() : *(current + 1);
    // The keyboard commits its own change at once.
    committed_.params[at] = mode;
}

}  // namespace quorvel::vkbd
