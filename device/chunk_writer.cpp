#include "device/chunk_writer.h"

#include <vector>

#include "device/device_link.h"
#include "device/firmware_commands.h"
#include "device/result_codes.h"

namespace quorvel {

ImportWriteScope::ImportWriteScope(DeviceLink& link) : link_(link), trusted_(link.TrustPicture()) {
    if (!link_.ChangesOnlyImport()) link_.SetTrustPicture(false);
}

ImportWriteScope::~ImportWriteScope() {
    link_.SetTrustPicture(trusted_);
}

bool ChunkWriteResult::Ok() const {
    return result == CMD_OK;
}

std::vector<PictureChunk> ChunksToSend(DeviceLink& link, PictureStore::Hold& picture,
                                       std::span<const PictureChunk> chunks, bool full) {
    full = full || !link.TrustPicture();
    std::vector<PictureChunk> changed;
    for (const PictureChunk& chunk : chunks)
        if (full || !link.Picture().Holds(chunk.area, chunk.address, chunk.bytes))
            changed.push_back(chunk);
    if (changed.empty()) return changed;
    // Unknown before the first frame goes; no file says otherwise until they are confirmed,
    // in case this process does not live to confirm them.
    for (const PictureChunk& chunk : changed)
        link.Picture().Forget(chunk.area, chunk.address, chunk.bytes.size());
    picture.RemoveFile();
    return changed;
}

int SendChunks(DeviceLink& link, std::span<const PictureChunk> chunks, size_t& sent,
               const std::function<void()>& step) {
    int result = CMD_OK;
    for (sent = 0; result == CMD_OK && sent < chunks.size(); ++sent) {
        result = WriteChunk(link, chunks[sent]);
        if (step) step();
    }
    return result;
}

ChunkWriteResult WriteChangedChunks(DeviceLink& link, std::span<const PictureChunk> chunks,
                                    bool full, const ChunkProgress& progress) {
    ChunkWriteResult outcome;
    PictureStore::Hold picture = link.PictureFile().Take();
    const std::vector<PictureChunk> changed = ChunksToSend(link, picture, chunks, full);
    if (changed.empty()) {
        outcome.result = CMD_OK;
        return outcome;
    }

    const bool readBack = link.ReadBack();
    const int total =
        2 + static_cast<int>(changed.size()) + (readBack ? ReadBackFrames(changed) : 0);
    auto step = [&] {
        ++outcome.framesSent;
        if (progress) progress(outcome.framesSent, total);
    };
    const DeviceLink::SessionLock session = link.HoldSession();
    int result = BeginSession(link);
    step();
    size_t sent = 0;
    if (result == CMD_OK) {
        outcome.anyWritten = true;
        result = SendChunks(link, changed, sent, step);
    }
    const int ended = EndSession(link);
    step();
    if (result == CMD_OK) result = ended;
    if (result == CMD_OK && readBack) {
        result = ReadBackChunks(link, std::span<const PictureChunk>(changed).first(sent), step);
        outcome.readBackDiffered = result == CMD_READ_BACK_DIFFERS;
    }
    outcome.result = result;
    return outcome;
}

}  // namespace quorvel
