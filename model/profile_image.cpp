#include "model/profile_image.h"

#include <algorithm>

#include "base/byte_order.h"

namespace quorvel {
namespace {

bool CarriesText(const KeyAssignment& entry) {
    return entry.type == ASSIGN_PROGRAM || entry.type == ASSIGN_TEXT;
}

KeyAssignment& EntryAt(std::array<KeyArea, KEY_AREA_COUNT>& keyAreas, int index) {
    return keyAreas[index / KEY_AREA_ENTRIES][index % KEY_AREA_ENTRIES];
}

// The terminated text at offset (rounded down to a whole unit) of the area, or an empty text
// when the offset is outside the area or no terminator follows inside it.
std::u16string TextAt(std::span<const uint8_t> area, int32_t offset) {
    if (offset < 0) return {};
    const size_t start = static_cast<size_t>(offset) & ~size_t{1};
    std::u16string text;
    for (size_t at = start; at + 2 <= area.size(); at += 2) {
        const char16_t unit = ReadLe16(area.data() + at);
        if (unit == 0) return text;
        text.push_back(unit);
    }
    return {};
}

}  // namespace

ImageHeader ReadImageHeader(const uint8_t* header) {
    ImageHeader h;
    h.magic = ReadLe16(header + PROFILE_OFFSET_MAGIC);
    h.headerSize = ReadLe16(header + PROFILE_OFFSET_HEADER_SIZE);
    h.version = ReadLe16(header + PROFILE_OFFSET_VERSION);
    h.word6 = ReadLe16(header + PROFILE_OFFSET_WORD6);
    h.totalSize = ReadLe32(header + PROFILE_OFFSET_TOTAL_SIZE);
    h.entryCount = ReadLe16(header + PROFILE_OFFSET_ENTRY_COUNT);
    h.macroCount = ReadLe16(header + PROFILE_OFFSET_MACRO_COUNT);
    h.textBytes = ReadLe32(header + PROFILE_OFFSET_TEXT_BYTES);
    h.flag = header[PROFILE_OFFSET_FLAG];
    h.checksum = header[PROFILE_OFFSET_CHECKSUM];
    return h;
}

uint8_t ImageChecksum(const uint8_t* header) {
    unsigned sum = 0;
    for (size_t i = 0; i < PROFILE_OFFSET_CHECKSUM; ++i) sum += header[i];
    return static_cast<uint8_t>(sum);
}

uint64_t ImageSizeFor(uint32_t macroCount, uint32_t textBytes) {
    return PROFILE_IMAGE_BASE_SIZE + uint64_t{MACRO_RECORD_SIZE} * macroCount + textBytes;
}

void BuildImageHeader(uint8_t* header, uint16_t macroCount, uint32_t textBytes, uint8_t flag) {
    std::fill_n(header, PROFILE_HEADER_SIZE, uint8_t{0});
    WriteLe16(header + PROFILE_OFFSET_MAGIC, PROFILE_IMAGE_MAGIC);
    WriteLe16(header + PROFILE_OFFSET_HEADER_SIZE, PROFILE_HEADER_SIZE);
    WriteLe16(header + PROFILE_OFFSET_VERSION, PROFILE_IMAGE_VERSION);
    WriteLe16(header + PROFILE_OFFSET_WORD6, PROFILE_IMAGE_WORD6);
    WriteLe32(header + PROFILE_OFFSET_TOTAL_SIZE,
              static_cast<uint32_t>(ImageSizeFor(macroCount, textBytes)));
    WriteLe16(header + PROFILE_OFFSET_ENTRY_COUNT, PROFILE_ENTRY_COUNT);
    WriteLe16(header + PROFILE_OFFSET_MACRO_COUNT, macroCount);
    WriteLe32(header + PROFILE_OFFSET_TEXT_BYTES, textBytes);
    header[PROFILE_OFFSET_FLAG] = flag;
    header[PROFILE_OFFSET_CHECKSUM] = ImageChecksum(header);
}

void WriteDeviceBlock(uint8_t* block) {
    for (size_t i = 0; i < PROFILE_DEVICE_BLOCK.size(); ++i)
        WriteLe32(block + 4 * i, PROFILE_DEVICE_BLOCK[i]);
}

std::vector<uint8_t> PackTexts(std::array<KeyArea, KEY_AREA_COUNT>& keyAreas,
                               const TextTable& texts) {
    std::vector<uint8_t> area(texts.Total(), 0);
    size_t offset = 0;
    for (int i = 0; i < WORKING_SET_ENTRIES; ++i) {
        const std::u16string* text = texts.At(i);
        if (!text) continue;
        const size_t bytes = texts.BytesAt(i);
        KeyAssignment& entry = EntryAt(keyAreas, i);
        if (!CarriesText(entry) || offset + bytes > area.size()) continue;
        for (size_t unit = 0; unit < text->size(); ++unit)
            WriteLe16(area.data() + offset + 2 * unit, (*text)[unit]);
        entry.value = static_cast<int32_t>(offset);
        offset += bytes;
    }
    return area;
}

std::vector<uint8_t> EncodeProfileImage(WorkingSetData& data) {
    const std::vector<uint8_t> textArea = PackTexts(data.keyAreas, data.texts);
    const std::vector<MacroRecord>& macros = data.macros.Records();
    std::vector<uint8_t> image(
        PROFILE_IMAGE_BASE_SIZE + MACRO_RECORD_SIZE * macros.size() + textArea.size(), 0);

    BuildImageHeader(image.data(), static_cast<uint16_t>(macros.size()), data.texts.Total(), 0);
    WriteDeviceBlock(image.data() + PROFILE_DEVICE_BLOCK_OFFSET);
    uint8_t* out = image.data() + PROFILE_KEY_AREAS_OFFSET;
    for (const KeyArea& keyArea : data.keyAreas) {
        for (const KeyAssignment& entry : keyArea) {
            WriteKeyAssignment(out, entry);
            out += KEY_ASSIGNMENT_SIZE;
        }
    }
    for (const MacroRecord& record : macros) {
        WriteMacroRecord(out, record);
        out += MACRO_RECORD_SIZE;
    }
    std::copy(textArea.begin(), textArea.end(), out);
    return image;
}

std::optional<WorkingSetData> DecodeProfileImage(std::span<const uint8_t> bytes) {
    if (bytes.size() < PROFILE_IMAGE_BASE_SIZE) return std::nullopt;
    const ImageHeader header = ReadImageHeader(bytes.data());
    if (header.macroCount > PROFILE_MAX_MACROS) return std::nullopt;

    WorkingSetData data;
    const uint8_t* in = bytes.data() + PROFILE_KEY_AREAS_OFFSET;
    for (KeyArea& keyArea : data.keyAreas) {
        for (KeyAssignment& entry : keyArea) {
            entry = ReadKeyAssignment(in);
            in += KEY_ASSIGNMENT_SIZE;
        }
    }

    const std::span<const uint8_t> rest = bytes.subspan(PROFILE_IMAGE_BASE_SIZE);
    const size_t wholeRecords =
        std::min<size_t>(header.macroCount, rest.size() / MACRO_RECORD_SIZE);
    std::vector<MacroRecord> records;
    records.reserve(wholeRecords);
    for (size_t i = 0; i < wholeRecords; ++i) {
        records.push_back(ReadMacroRecord(rest.data() + i * MACRO_RECORD_SIZE));
        records.back().isNew = 0;
    }
    data.macros.Replace(std::move(records));

    const size_t macroBytes = size_t{header.macroCount} * MACRO_RECORD_SIZE;
    std::span<const uint8_t> textArea;
    if (rest.size() > macroBytes) {
        textArea = rest.subspan(macroBytes);
        textArea = textArea.first(std::min<size_t>(textArea.size(), header.textBytes));
    }
    for (int i = 0; i < WORKING_SET_ENTRIES; ++i) {
        const KeyAssignment& entry = EntryAt(data.keyAreas, i);
        if (CarriesText(entry)) data.texts.Set(i, TextAt(textArea, entry.value));
    }
    return data;
}

}  // namespace quorvel
