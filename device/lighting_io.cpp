#include "device/lighting_io.h"

#include <vector>

#include "device/chunk_writer.h"
#include "device/command_frame.h"
#include "device/device_link.h"
#include "device/firmware_commands.h"
#include "device/result_codes.h"
#include "model/profile_store.h"

namespace quorvel {
namespace {

PictureChunk ParamChunk(const ParamWrite& write) {
    return {PictureArea::PARAMS, write.address, write.bytes};
}

std::vector<PictureChunk> ColourChunks(int profile, const KeyColourTable& table) {
    std::vector<PictureChunk> chunks;
    for (const KeyColourWrite& chunk : KeyColourChunks(profile, table))
        chunks.push_back({PictureArea::KEY_COLOURS, chunk.Address(), chunk.bytes});
    return chunks;
}

int WriteChanged(DeviceLink& link, std::span<const PictureChunk> chunks) {
    return WriteChangedChunks(link, chunks).result;
}

}  // namespace

int ReadLighting(DeviceLink& link, LightingState& state, const UserModeTarget* userModes) {
    ClearSupportedModes(state);
    SettingsBlock settings{};
    if (ReadSettingsBlock(link, settings) != CMD_OK) return READ_LIGHTING_FAILED;
    SetSupportedModes(settings, state);

    // Held until the end has confirmed the colours, as a write of its own would hold it.
    PictureStore::Hold picture = link.PictureFile().Take();
    std::vector<PictureChunk> colours;
    if (userModes != nullptr && SupportsUserMode(state)) {
        userModes->state = quorvel::LoadUserMode(userModes->paths, state.activeProfile,
                                                 userModes->table, userModes->marks);
        colours = ChunksToSend(link, picture, ColourChunks(state.activeProfile, userModes->table));
    }
    DeviceLink::SessionLock session = link.HoldSession();
    // The user mode's colours go in this same session, and only those the keyboard is not
    // known to hold: a session of their own would cost two frames more.
    size_t sent = 0;
    int coloursSent = BeginSession(link);
    if (coloursSent == CMD_OK) coloursSent = SendChunks(link, colours, sent);
    std::array<std::optional<LightingParams>, ONBOARD_PROFILE_COUNT> records;
    for (int p = 0; p < ONBOARD_PROFILE_COUNT; ++p) {
        ParamsChunk chunk{};
        if (ReadParams(link, chunk, static_cast<uint8_t>(LIGHTING_PARAMS_READ_SIZE),
                       ParamAddress(p)) == CMD_OK)
            records[p] = ReadLightingParams(chunk);
    }
    const int ended = EndSession(link);
    session.unlock();
    if (coloursSent == CMD_OK) coloursSent = ended;
    if (userModes != nullptr && userModes->coloursSent != nullptr)
        *userModes->coloursSent = colours.empty() ? CMD_OK : coloursSent;

    if (state.activeProfile >= 0 && state.activeProfile < ONBOARD_PROFILE_COUNT &&
        records[state.activeProfile])
        DecodeLightingParams(*records[state.activeProfile], state);
    state.lightingShown = ReadDengCheck();
    return READ_LIGHTING_OK;
}

int SendParamWrite(DeviceLink& link, const ParamWrite& write) {
    // Refused before the session opens, so a caller's mistake sends no frame at all.
    if (write.bytes.size() > FRAME_DATA_SIZE) return CMD_TOO_LONG;
    const PictureChunk chunk = ParamChunk(write);
    return WriteChanged(link, std::span(&chunk, 1));
}

int WriteParamBytes(DeviceLink& link, int profile, size_t offset, std::span<const uint8_t> bytes) {
    return SendParamWrite(link, ParamBytesWrite(profile, offset, bytes));
}

int WriteMode(DeviceLink& link, const LightingState& state, int modeId) {
    return SendParamWrite(link, ModeWrite(state.activeProfile, modeId, state));
}

int SendKeyColours(DeviceLink& link, int profile, const KeyColourTable& table) {
    return WriteChanged(link, ColourChunks(profile, table));
}

int SendKeyColour(DeviceLink& link, int profile, int position, Colour colour) {
    if (!IsValidKeyPosition(position)) return CMD_BAD_BLOCK;
    const KeyColourWrite write = SingleKeyColourWrite(profile, position, colour);
    const PictureChunk chunk{PictureArea::KEY_COLOURS, write.Address(), write.bytes};
    return WriteChanged(link, std::span(&chunk, 1));
}

int SendBaseColour(DeviceLink& link, int profile, Colour colour, const KeyColourTable& table) {
    std::vector<PictureChunk> chunks = ColourChunks(profile, table);
    chunks.insert(chunks.begin(), ParamChunk(BaseColourWrite(profile, colour)));
    return WriteChanged(link, chunks);
}

int LoadUserMode(DeviceLink& link, const ProgramPaths& paths, int profile, UserModeState& state,
                 KeyColourTable& table, KeyColourMarks& marks) {
    state = quorvel::LoadUserMode(paths, profile, table, marks);
    return SendKeyColours(link, profile, table);
}

}  // namespace quorvel
