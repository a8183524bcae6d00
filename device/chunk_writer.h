#pragma once
// Writes in proportion to the change: of the chunks a full write would send, only those the
// keyboard picture does not show the keyboard holding go out, with the same addresses and
// lengths, in one begin...end session; a write that changes nothing sends no frame. After the
// end the chunks written are read back (unless the link's read-back is off) and compared, as
// ReadBackChunks does: parameters in a session of their own, per-key colours not at all.
#include <functional>
#include <span>
#include <vector>

#include "device/keyboard_picture.h"
#include "device/picture_store.h"

namespace quorvel {

class DeviceLink;

// Called after each frame that went out, with the frames sent so far and the frames the write
// sends in all (read-back included).
using ChunkProgress = std::function<void(int done, int total)>;

struct ChunkWriteResult {
    int result = 0;           // CMD_OK when every frame succeeded and the read-back matched
    int framesSent = 0;       // frames that went out, read-back included
    bool anyWritten = false;  // a write frame went out (the keyboard may have changed)
    bool readBackDiffered = false;

    bool Ok() const;
};

// An import writes everything, for keyboards other software changed, unless the link was
// asked for changes only: the picture is not trusted while this lives.
class ImportWriteScope {
public:
    explicit ImportWriteScope(DeviceLink& link);
    ~ImportWriteScope();
    ImportWriteScope(const ImportWriteScope&) = delete;
    ImportWriteScope& operator=(const ImportWriteScope&) = delete;

private:
    DeviceLink& link_;
    bool trusted_;
};

// The picture file is held for the whole write; the chunks go in the order given and the first
// failure stops the writes (end is still sent). Chunks that failed, or whose session or
// read-back failed, are unknown afterwards. With full (or when the link does not trust the
// picture) every chunk is written.
ChunkWriteResult WriteChangedChunks(DeviceLink& link, std::span<const PictureChunk> chunks,
                                    bool full = false, const ChunkProgress& progress = {});

// The two halves of WriteChangedChunks for a caller that sends the chunks inside a session of
// its own (with reads in it), holding the picture file from before ChunksToSend until that
// session's end.
//
// The chunks of those given that must go out: all of them with full or when the link does not
// trust the picture, otherwise those the picture does not show the keyboard holding. They are
// unknown before this returns, and the picture file is removed until the hold ends, in case this
// process does not live to confirm them.
std::vector<PictureChunk> ChunksToSend(DeviceLink& link, PictureStore::Hold& picture,
                                       std::span<const PictureChunk> chunks, bool full = false);
// Sends the chunks in order inside an open session until one fails; that failure or CMD_OK.
// sent counts the frames that went out; step is called after each.
int SendChunks(DeviceLink& link, std::span<const PictureChunk> chunks, size_t& sent,
               const std::function<void()>& step = {});

}  // namespace quorvel
