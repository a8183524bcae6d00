#pragma once
// Keeps the keyboard picture for the next Quorvel process of the same plug-in, in the user's
// runtime folder ($XDG_RUNTIME_DIR/quorvel, else /tmp/quorvel-UID), one file per attachment
// point. Processes take turns through a lock on the file: whoever holds it has the latest
// picture and saves its own changes (atomically) before letting go. A plug-in whose service
// library cannot name it keeps its picture in memory only.
#include <sys/types.h>

#include <cstdint>
#include <mutex>
#include <string>

#include "device/keyboard_picture.h"

namespace quorvel {

// The file for an identity "DEVICE#PLUG": named after DEVICE, so the next plug-in replaces it.
std::string PictureFilePath(const std::string& identity);

class PictureStore {
public:
    explicit PictureStore(KeyboardPicture& picture) : picture_(picture) {}
    PictureStore(const PictureStore&) = delete;
    PictureStore& operator=(const PictureStore&) = delete;

    // False for a run that must change no file (a dry run).
    void SetSaving(bool saving);

    // Held around a group of reads, or a write from its first frame to its confirmation; may
    // nest on one thread. Taken after the working-set and snapshot locks, before the session.
    class Hold {
    public:
        explicit Hold(PictureStore& store);
        ~Hold();
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;
        // Before a write's first frame: the file goes until the hold ends and saves it again,
        // so a process that dies halfway leaves nothing another process could trust.
        void RemoveFile();

    private:
        PictureStore& store_;
    };
    [[nodiscard]] Hold Take() { return Hold(*this); }

private:
    void Enter();
    void Leave();
    void SaveLocked();
    void RemoveLocked();

    KeyboardPicture& picture_;
    std::recursive_mutex mutex_;
    int depth_ = 0;
    int lockFd_ = -1;
    std::string path_;
    bool saving_ = true;
    uint64_t savedVersion_ = 0;
    // The file as last loaded or saved here: another process's save replaces it, and a
    // writer that died removed it.
    ino_t fileInode_ = 0;
    int64_t fileTime_ = 0;
};

}  // namespace quorvel
