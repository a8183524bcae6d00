#include "device/firmware_commands.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <optional>
#include <thread>

#include "base/byte_order.h"
#include "device/command_frame.h"
#include "device/device_link.h"
#include "device/result_codes.h"

namespace quorvel {
namespace {

constexpr int END_SESSION_DELAY_MS = 10;

int MapStatus(DeviceLink& link, const CommandFrame& request, CommandFrame& reply) {
    reply.fill(0);
    uint32_t received = 0;
    int result = link.TransactCommand(request.data(), request.size(), reply.data(),
                                      static_cast<uint32_t>(reply.size()), &received);
    if (result != CMD_OK) return result;
    if (reply[FRAME_STATUS_OFFSET] == FRAME_STATUS_FF) return CMD_STATUS_FF;
    if (reply[FRAME_STATUS_OFFSET] == FRAME_STATUS_FE) return CMD_STATUS_FE;
    return CMD_OK;
}

// Runs one frame and maps the reply's status; the reply stays available to the caller. What
// the frame read or wrote goes into the keyboard picture.
int Exchange(DeviceLink& link, const CommandFrame& request, CommandFrame& reply) {
    const uint8_t command = request[FRAME_COMMAND_OFFSET];
    const std::optional<PictureArea> area = AreaOfCommand(command);
    const uint32_t address = ReadLe16(&request[FRAME_ADDRESS_OFFSET]);
    const size_t length = std::min<size_t>(request[FRAME_LENGTH_OFFSET], FRAME_DATA_SIZE);
    const int result = MapStatus(link, request, reply);
    if (!area) return result;
    if (IsWriteCommand(command)) {
        link.Picture().NoteWrite({*area, address,
                                  std::vector<uint8_t>(&request[FRAME_DATA_OFFSET],
                                                       &request[FRAME_DATA_OFFSET] + length)},
                                 result == CMD_OK);
    } else if (result == CMD_OK && !link.DryRun()) {
        link.Picture().Learn(*area, address,
                             std::span<const uint8_t>(&reply[FRAME_DATA_OFFSET], length));
    }
    return result;
}

int SimpleCommand(DeviceLink& link, uint8_t command, uint8_t lengthOrSubCode = 0,
                  uint16_t address = 0, std::span<const uint8_t> data = {}) {
    CommandFrame reply;
    return Exchange(link, BuildCommandFrame(command, lengthOrSubCode, address, data), reply);
}

// Chunks the picture knows are taken from it unless fromKeyboard is set.
int ChunkedRead(DeviceLink& link, uint8_t command, uint16_t base, std::span<uint8_t> out,
                bool fromKeyboard = false) {
    const std::optional<PictureArea> area = AreaOfCommand(command);
    for (size_t offset = 0; offset < out.size(); offset += FRAME_DATA_SIZE) {
        size_t length = std::min(FRAME_DATA_SIZE, out.size() - offset);
        if (!fromKeyboard && link.TrustPicture() && area &&
            link.Picture().CopyKnown(*area, static_cast<uint32_t>(base + offset),
                                     out.subspan(offset, length)))
            continue;
        CommandFrame reply;
        int result = Exchange(link,
                              BuildCommandFrame(command, static_cast<uint8_t>(length),
                                                static_cast<uint16_t>(base + offset)),
                              reply);
        if (result != CMD_OK) return result;
        std::copy_n(&reply[FRAME_DATA_OFFSET], length, &out[offset]);
    }
    return CMD_OK;
}

int ChunkedWrite(DeviceLink& link, uint8_t command, uint16_t base, std::span<const uint8_t> in) {
    for (size_t offset = 0; offset < in.size(); offset += FRAME_DATA_SIZE) {
        size_t length = std::min(FRAME_DATA_SIZE, in.size() - offset);
        int result =
            SimpleCommand(link, command, static_cast<uint8_t>(length),
                          static_cast<uint16_t>(base + offset), in.subspan(offset, length));
        if (result != CMD_OK) return result;
    }
    return CMD_OK;
}

uint16_t KeyBlockBase(unsigned blockIndex) {
    return static_cast<uint16_t>(blockIndex * KEY_TABLE_BLOCK_SIZE);
}

}  // namespace

int BeginSession(DeviceLink& link) {
    // Opened before the frame goes: a begin whose reply was lost may still have opened it.
    link.Picture().OpenSession(link.Departures());
    return SimpleCommand(link, OP_BEGIN);
}

int EndSession(DeviceLink& link) {
    CommandFrame request = BuildCommandFrame(OP_END, 0, 0);
    // The keyboard needs a moment after the last write of a session before it is closed.
    std::this_thread::sleep_for(std::chrono::milliseconds(END_SESSION_DELAY_MS));
    CommandFrame reply;
    const int result = Exchange(link, request, reply);
    link.Picture().CloseSession(result == CMD_OK, link.Departures());
    return result;
}

int ReadSettingsBlock(DeviceLink& link, SettingsBlock& block) {
    CommandFrame reply;
    int result =
        Exchange(link, BuildCommandFrame(OP_READ_SETTINGS_BLOCK, SETTINGS_BLOCK_SIZE, 0), reply);
    if (result == CMD_OK) std::copy_n(&reply[FRAME_DATA_OFFSET], block.size(), block.begin());
    return result;
}

int RecallSettingsBlock(DeviceLink& link, SettingsBlock& block) {
    return ChunkedRead(link, OP_READ_SETTINGS_BLOCK, 0, block);
}

int WriteSettingsBlock(DeviceLink& link, const SettingsBlock& block) {
    return SimpleCommand(link, OP_WRITE_SETTINGS_BLOCK, SETTINGS_BLOCK_SIZE, 0, block);
}

int ReadParams(DeviceLink& link, ParamsChunk& data, uint8_t length, uint16_t address) {
    CommandFrame reply;
    int result = Exchange(link, BuildCommandFrame(OP_READ_PARAMS, length, address), reply);
    if (result == CMD_OK) std::copy_n(&reply[FRAME_DATA_OFFSET], data.size(), data.begin());
    return result;
}

int WriteParams(DeviceLink& link, std::span<const uint8_t> data, uint16_t address) {
    if (data.size() > FRAME_DATA_SIZE) return CMD_TOO_LONG;
    return SimpleCommand(link, OP_WRITE_PARAMS, static_cast<uint8_t>(data.size()), address, data);
}

int ReadKeyBlock(DeviceLink& link, std::span<uint8_t, KEY_TABLE_BLOCK_SIZE> block,
                 unsigned blockIndex) {
    if (blockIndex >= ONBOARD_PROFILE_COUNT) return CMD_BAD_BLOCK;
    return ChunkedRead(link, OP_READ_KEY_BLOCK, KeyBlockBase(blockIndex), block);
}

int WriteKeyBlock(DeviceLink& link, std::span<const uint8_t, KEY_TABLE_BLOCK_SIZE> block,
                  unsigned blockIndex) {
    if (blockIndex >= ONBOARD_PROFILE_COUNT) return CMD_BAD_BLOCK;
    return ChunkedWrite(link, OP_WRITE_KEY_BLOCK, KeyBlockBase(blockIndex), block);
}

int ReadMacroArea(DeviceLink& link, std::span<uint8_t> area) {
    return ChunkedRead(link, OP_READ_MACRO_AREA, 0, area);
}

int WriteMacroArea(DeviceLink& link, std::span<const uint8_t> area) {
    return ChunkedWrite(link, OP_WRITE_MACRO_AREA, 0, area);
}

int ReadDefaultLayout(DeviceLink& link, std::span<uint8_t, KEY_TABLE_BLOCK_SIZE> layout) {
    return ChunkedRead(link, OP_READ_DEFAULT_LAYOUT, 0, layout);
}

std::vector<PictureChunk> KeyBlockChunks(std::span<const uint8_t, KEY_TABLE_BLOCK_SIZE> block,
                                         unsigned blockIndex) {
    std::vector<PictureChunk> chunks;
    for (size_t offset = 0; offset < block.size(); offset += FRAME_DATA_SIZE) {
        const size_t length = std::min(FRAME_DATA_SIZE, block.size() - offset);
        chunks.push_back(
            {PictureArea::KEY_BLOCKS, static_cast<uint32_t>(KeyBlockBase(blockIndex) + offset),
             std::vector<uint8_t>(block.begin() + offset, block.begin() + offset + length)});
    }
    return chunks;
}

std::vector<PictureChunk> MacroAreaChunks(std::span<const uint8_t> area) {
    std::vector<PictureChunk> chunks;
    for (size_t offset = 0; offset < area.size(); offset += FRAME_DATA_SIZE) {
        const size_t length = std::min(FRAME_DATA_SIZE, area.size() - offset);
        chunks.push_back(
            {PictureArea::MACRO_AREA, static_cast<uint32_t>(offset),
             std::vector<uint8_t>(area.begin() + offset, area.begin() + offset + length)});
    }
    return chunks;
}

int WriteChunk(DeviceLink& link, const PictureChunk& chunk) {
    const uint8_t command = chunk.area == PictureArea::KEY_BLOCKS    ? OP_WRITE_KEY_BLOCK
                            : chunk.area == PictureArea::MACRO_AREA  ? OP_WRITE_MACRO_AREA
                            : chunk.area == PictureArea::PARAMS      ? OP_WRITE_PARAMS
                            : chunk.area == PictureArea::KEY_COLOURS ? OP_WRITE_KEY_COLOURS
                                                                     : 0;
    if (command == 0 || chunk.bytes.size() > FRAME_DATA_SIZE) return CMD_TOO_LONG;
    return SimpleCommand(link, command, static_cast<uint8_t>(chunk.bytes.size()),
                         static_cast<uint16_t>(chunk.address), chunk.bytes);
}

CommandFrame ReadFrameFor(PictureArea area, uint32_t address, size_t length) {
    const uint8_t command = area == PictureArea::KEY_BLOCKS       ? OP_READ_KEY_BLOCK
                            : area == PictureArea::MACRO_AREA     ? OP_READ_MACRO_AREA
                            : area == PictureArea::DEFAULT_LAYOUT ? OP_READ_DEFAULT_LAYOUT
                            : area == PictureArea::PARAMS         ? OP_READ_PARAMS
                                                                  : OP_READ_SETTINGS_BLOCK;
    return BuildCommandFrame(command, static_cast<uint8_t>(length), static_cast<uint16_t>(address));
}

bool CanReadBack(PictureArea area) {
    return area != PictureArea::KEY_COLOURS;
}

int ReadBackChunks(DeviceLink& link, std::span<const PictureChunk> written,
                   const std::function<void()>& step) {
    // The keyboard answers parameter reads only inside a session.
    const bool session = std::any_of(written.begin(), written.end(), [](const PictureChunk& c) {
        return c.area == PictureArea::PARAMS;
    });
    int result = session ? BeginSession(link) : CMD_OK;
    if (session && step) step();
    for (const PictureChunk& chunk : written) {
        if (result != CMD_OK) break;
        if (!CanReadBack(chunk.area)) continue;
        if (link.DryRun()) {
            // The keyboard was not written, so its answer would check nothing.
            link.RecordUnsent(ReadFrameFor(chunk.area, chunk.address, chunk.bytes.size()));
        } else {
            std::vector<uint8_t> held(chunk.bytes.size());
            result = ReadFromKeyboard(link, chunk.area, chunk.address, held);
            if (result == CMD_OK && held != chunk.bytes) result = CMD_READ_BACK_DIFFERS;
        }
        if (step) step();
    }
    if (session) {
        const int ended = EndSession(link);
        if (step) step();
        if (result == CMD_OK) result = ended;
    }
    // What was not confirmed is not trusted, whichever way the check failed.
    if (result != CMD_OK)
        for (const PictureChunk& chunk : written)
            link.Picture().Forget(chunk.area, chunk.address, chunk.bytes.size());
    return result;
}

int ReadBackFrames(std::span<const PictureChunk> chunks) {
    const auto readable = std::count_if(chunks.begin(), chunks.end(),
                                        [](const PictureChunk& c) { return CanReadBack(c.area); });
    const bool session = std::any_of(chunks.begin(), chunks.end(), [](const PictureChunk& c) {
        return c.area == PictureArea::PARAMS;
    });
    return static_cast<int>(readable) + (session ? 2 : 0);
}

int ReadFromKeyboard(DeviceLink& link, PictureArea area, uint32_t address, std::span<uint8_t> out) {
    const CommandFrame first = ReadFrameFor(area, address, 0);
    return ChunkedRead(link, first[FRAME_COMMAND_OFFSET], static_cast<uint16_t>(address), out,
                       true);
}

int GetActiveProfile(DeviceLink& link) {
    int cached = link.CurrentProfileCache();
    if (cached != -1) return cached;
    const uint64_t resets = link.ProfileCacheResets();
    SettingsBlock settings{};
    if (ReadSettingsBlock(link, settings) != CMD_OK) return -1;
    // Any other byte would send lighting writes to the wrong addresses and name profile files
    // that belong to no profile: the keyboard's answer is as good as none.
    int profile = settings[SETTINGS_ACTIVE_PROFILE];
    if (profile >= ONBOARD_PROFILE_COUNT) profile = -1;
    link.StoreCurrentProfileCache(profile, resets);
    return profile;
}

int SetActiveProfile(DeviceLink& link, int profile) {
    if (profile < 0 || profile >= ONBOARD_PROFILE_COUNT) return CMD_BAD_BLOCK;
    const uint64_t resets = link.ProfileCacheResets();
    SettingsBlock settings{};
    int result = ReadSettingsBlock(link, settings);
    if (result != CMD_OK) return result;
    // The keyboard already on that profile: nothing to write.
    if (settings[SETTINGS_ACTIVE_PROFILE] == profile) {
        link.StoreCurrentProfileCache(profile, resets);
        return CMD_OK;
    }
    settings[SETTINGS_ACTIVE_PROFILE] = static_cast<uint8_t>(profile);
    result = WriteSettingsBlock(link, settings);
    if (result == CMD_OK && link.ReadBack()) {
        const PictureChunk written{PictureArea::SETTINGS, 0, {settings.begin(), settings.end()}};
        result = ReadBackChunks(link, std::span(&written, 1));
    }
    link.StoreCurrentProfileCache(result == CMD_OK ? profile : -1, resets);
    return result;
}

}  // namespace quorvel
