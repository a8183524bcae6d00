#include "device/lighting_io.h"

#include <vector>

#include "device/command_frame.h"
#include "device/device_link.h"
#include "device/firmware_commands.h"
#include "device/result_codes.h"
#include "model/profile_store.h"

namespace quorvel {
namespace {

// Keeps the first failure of a run of commands.
class FirstFailure {
public:
    void Note(int result) {
        if (result_ == CMD_OK) result_ = result;
    }
    int Result() const { return result_; }

private:
    int result_ = CMD_OK;
};

void SendChunks(DeviceLink& link, int profile, const KeyColourTable& table, FirstFailure& failure) {
    for (const KeyColourWrite& chunk : KeyColourChunks(profile, table))
        failure.Note(WriteKeyColours(link, chunk.bytes, chunk.page, chunk.firstPosition));
}

// True when the keyboard is known to hold the bytes already: the write would change nothing.
// Otherwise they are marked unknown on file before anything goes out, as key writes are.
bool AlreadyHeld(DeviceLink& link, PictureStore::Hold& hold, PictureArea area, uint32_t address,
                 std::span<const uint8_t> bytes) {
    if (link.TrustPicture() && link.Picture().Holds(area, address, bytes)) return true;
    link.Picture().Forget(area, address, bytes.size());
    hold.Save();
    return false;
}

}  // namespace

int ReadLighting(DeviceLink& link, LightingState& state, const UserModeTarget* userModes) {
    ClearSupportedModes(state);
    SettingsBlock settings{};
    if (ReadSettingsBlock(link, settings) != CMD_OK) return READ_LIGHTING_FAILED;
    SetSupportedModes(settings, state);

    DeviceLink::SessionLock session = link.HoldSession();
    BeginSession(link);
    // The user mode's colours go in this same session: a session of their own would close
    // this one before the records are read.
    if (userModes != nullptr && SupportsUserMode(state)) {
        userModes->state = quorvel::LoadUserMode(userModes->paths, state.activeProfile,
                                                 userModes->table, userModes->marks);
        FirstFailure ignored;
        SendChunks(link, state.activeProfile, userModes->table, ignored);
    }
    std::array<std::optional<LightingParams>, ONBOARD_PROFILE_COUNT> records;
    for (int p = 0; p < ONBOARD_PROFILE_COUNT; ++p) {
        ParamsChunk chunk{};
        if (ReadParams(link, chunk, static_cast<uint8_t>(LIGHTING_PARAMS_READ_SIZE),
                       ParamAddress(p)) == CMD_OK)
            records[p] = ReadLightingParams(chunk);
    }
    EndSession(link);
    session.unlock();

    if (state.activeProfile >= 0 && state.activeProfile < ONBOARD_PROFILE_COUNT &&
        records[state.activeProfile])
        DecodeLightingParams(*records[state.activeProfile], state);
    state.lightingShown = ReadDengCheck();
    return READ_LIGHTING_OK;
}

int SendParamWrite(DeviceLink& link, const ParamWrite& write) {
    // Refused before the session opens, so a caller's mistake sends no frame at all.
    if (write.bytes.size() > FRAME_DATA_SIZE) return CMD_TOO_LONG;
    PictureStore::Hold picture = link.PictureFile().Take();
    if (AlreadyHeld(link, picture, PictureArea::PARAMS, write.address, write.bytes)) return CMD_OK;
    const DeviceLink::SessionLock session = link.HoldSession();
    FirstFailure failure;
    failure.Note(BeginSession(link));
    failure.Note(WriteParams(link, write.bytes, write.address));
    failure.Note(EndSession(link));
    return failure.Result();
}

int WriteParamBytes(DeviceLink& link, int profile, size_t offset, std::span<const uint8_t> bytes) {
    return SendParamWrite(link, ParamBytesWrite(profile, offset, bytes));
}

int WriteMode(DeviceLink& link, const LightingState& state, int modeId) {
    return SendParamWrite(link, ModeWrite(state.activeProfile, modeId, state));
}

int SendKeyColours(DeviceLink& link, int profile, const KeyColourTable& table) {
    PictureStore::Hold picture = link.PictureFile().Take();
    std::vector<KeyColourWrite> changed;
    for (const KeyColourWrite& chunk : KeyColourChunks(profile, table))
        if (!AlreadyHeld(link, picture, PictureArea::KEY_COLOURS, chunk.Address(), chunk.bytes))
            changed.push_back(chunk);
    if (changed.empty()) return CMD_OK;
    const DeviceLink::SessionLock session = link.HoldSession();
    FirstFailure failure;
    failure.Note(BeginSession(link));
    for (const KeyColourWrite& chunk : changed)
        failure.Note(WriteKeyColours(link, chunk.bytes, chunk.page, chunk.firstPosition));
    failure.Note(EndSession(link));
    return failure.Result();
}

int SendKeyColour(DeviceLink& link, int profile, int position, Colour colour) {
    if (!IsValidKeyPosition(position)) return CMD_BAD_BLOCK;
    const KeyColourWrite write = SingleKeyColourWrite(profile, position, colour);
    PictureStore::Hold picture = link.PictureFile().Take();
    if (AlreadyHeld(link, picture, PictureArea::KEY_COLOURS, write.Address(), write.bytes))
        return CMD_OK;
    const DeviceLink::SessionLock session = link.HoldSession();
    FirstFailure failure;
    failure.Note(BeginSession(link));
    failure.Note(WriteKeyColours(link, write.bytes, write.page, write.firstPosition));
    failure.Note(EndSession(link));
    return failure.Result();
}

int SendBaseColour(DeviceLink& link, int profile, Colour colour, const KeyColourTable& table) {
    const ParamWrite write = BaseColourWrite(profile, colour);
    PictureStore::Hold picture = link.PictureFile().Take();
    const DeviceLink::SessionLock session = link.HoldSession();
    FirstFailure failure;
    failure.Note(BeginSession(link));
    failure.Note(WriteParams(link, write.bytes, write.address));
    SendChunks(link, profile, table, failure);
    failure.Note(EndSession(link));
    return failure.Result();
}

int LoadUserMode(DeviceLink& link, const ProgramPaths& paths, int profile, UserModeState& state,
                 KeyColourTable& table, KeyColourMarks& marks) {
    state = quorvel::LoadUserMode(paths, profile, table, marks);
    return SendKeyColours(link, profile, table);
}

}  // namespace quorvel
