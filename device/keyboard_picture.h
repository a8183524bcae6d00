#pragma once
// What the keyboard holds, as far as this program has seen it: for every byte of the areas the
// program reads or writes, its value or "unknown". Filled by each successful read and by each
// write the keyboard confirmed (for writes inside a session: at an end of session that
// succeeded on the same plug-in); a write that failed, a session that ended in a fault and any
// unplug make the bytes unknown again. Writes send only the chunks whose bytes differ from it.
//
// It is true only while nothing else writes the keyboard: another program, or the keyboard's
// own lighting key, changes it behind our back (the lighting refresh reads it again).
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quorvel {

enum class PictureArea : uint8_t {
    SETTINGS = 0,
    PARAMS = 1,
    KEY_COLOURS = 2,
    KEY_BLOCKS = 3,
    MACRO_AREA = 4,
    DEFAULT_LAYOUT = 5,
};
constexpr size_t PICTURE_AREA_COUNT = 6;

// The area a firmware command reads or writes; none for begin and end.
std::optional<PictureArea> AreaOfCommand(uint8_t command);
bool IsWriteCommand(uint8_t command);

// One frame's worth of an area: where it starts and its bytes.
struct PictureChunk {
    PictureArea area = PictureArea::SETTINGS;
    uint32_t address = 0;
    std::vector<uint8_t> bytes;

    bool operator==(const PictureChunk&) const = default;
};

class KeyboardPicture {
public:
    // True when every byte of the range is known and equal to bytes.
    bool Holds(PictureArea area, uint32_t address, std::span<const uint8_t> bytes) const;
    // Copies the range when every byte of it is known; false (out untouched) otherwise.
    bool CopyKnown(PictureArea area, uint32_t address, std::span<uint8_t> out) const;
    void Learn(PictureArea area, uint32_t address, std::span<const uint8_t> bytes);
    void Forget(PictureArea area, uint32_t address, size_t length);
    void ForgetArea(PictureArea area);
    void ForgetAll();

    // A begin...end session: writes inside it count only once its end succeeded on the same
    // plug-in (departures as DeviceLink counts them). Opening one drops the writes of a session
    // that never ended, as unknown.
    void OpenSession(uint64_t departures);
    // A write frame the keyboard answered (taken) or not: inside a session a taken one waits
    // for the end; outside one it is known at once. One not taken is unknown.
    void NoteWrite(PictureChunk chunk, bool taken);
    // Ends the session: its writes become known when confirmed and the departures did not
    // change, unknown otherwise. Returns the writes it confirmed.
    std::vector<PictureChunk> CloseSession(bool confirmed, uint64_t departures);

    // The plug-in the picture belongs to ("" = none); another one forgets everything.
    std::string PlugIdentity() const;
    void SetPlugIdentity(const std::string& identity);

    // Counts changes, so a caller can tell whether there is anything to save.
    uint64_t Version() const;

    // The file form: magic, identity, then per area its length, bytes and known flags.
    std::vector<uint8_t> Encode() const;
    // Takes the areas of an encoded picture of the same plug-in; false (nothing changed) when
    // the data is damaged or names another plug-in.
    bool TakeEncoded(std::span<const uint8_t> data);

private:
    struct Area {
        std::vector<uint8_t> bytes;
        std::vector<uint8_t> known;  // 1 per known byte
    };
    void ForgetLocked(PictureArea area, uint32_t address, size_t length);

    mutable std::mutex mutex_;
    std::string identity_;
    Area areas_[PICTURE_AREA_COUNT];
    bool sessionOpen_ = false;
    uint64_t sessionDepartures_ = 0;
    std::vector<PictureChunk> pending_;
    uint64_t version_ = 0;
};

}  // namespace quorvel
