#pragma once
// The keyboard's firmware: its storage areas and how it answers command frames. Not thread
// safe; the daemon serialises access.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "emulator/factory_data.h"

namespace quorvel::vkbd {

constexpr int SETTINGS_SIZE = 44;
constexpr int SETTINGS_HEAD_SIZE = 10;  // bytes 0-9: the keyboard's own, opaque to the host
constexpr int SETTINGS_ACTIVE_PROFILE = 10;
constexpr int SETTINGS_CAPACITY = 11;
constexpr int SETTINGS_MODES = 12;
constexpr int MAX_MODES = SETTINGS_SIZE - SETTINGS_MODES;
constexpr int PARAM_AREA_SIZE = 256;
constexpr int COLOUR_PAGE_SIZE = 512;
constexpr int COLOUR_AREA_SIZE = PROFILES * COLOUR_PAGE_SIZE;
constexpr int KEY_BLOCKS_SIZE = PROFILES * KEY_BLOCK_SIZE;
constexpr int MACRO_UNIT = 128;
constexpr int INDICATOR_SIZE = 2;
constexpr int DATA_OFFSET = 8;
constexpr int DATA_CAPACITY = 56;
constexpr int FRAME_BYTES = DATA_OFFSET + DATA_CAPACITY;
static_assert(FRAME_BYTES == 64);
static_assert(PROFILES * LIGHTING_RECORD_SIZE <= PARAM_AREA_SIZE);

constexpr uint8_t STATUS_OK = 0x00;
constexpr uint8_t STATUS_REJECTED = 0xFF;     // bad checksum or unknown command
constexpr uint8_t STATUS_OUT_OF_AREA = 0xFE;  // outside the area, too long, or no session

using Frame = std::array<uint8_t, FRAME_BYTES>;

// Where firmware may be less forgiving than this keyboard is by default. Code that works
// against all of them is not relying on the keyboard's good will.
struct Strictness {
    // Factory bytes 0-9 of the settings block; a settings write must carry them unchanged.
    std::optional<std::array<uint8_t, SETTINGS_HEAD_SIZE>> settingsHead;
    bool sessionReads = false;     // parameter reads only inside a begin/end session
    bool cleanFrames = false;      // bytes a command does not use must be 0
    bool volatileSession = false;  // power loss drops what a session wrote before its end
};

// Fixed properties of the keyboard model being emulated.
struct Hardware {
    int capacityUnits = 64;
    std::vector<uint8_t> modes = FactoryModes();
    bool shuffledLayout = false;
    Strictness strict;
};

// Everything the keyboard keeps across power cycles.
struct Flash {
    std::array<uint8_t, SETTINGS_SIZE> settings{};
    std::array<uint8_t, PARAM_AREA_SIZE> params{};
    std::array<uint8_t, COLOUR_AREA_SIZE> keyColours{};
    std::array<uint8_t, KEY_BLOCKS_SIZE> keyBlocks{};
    std::vector<uint8_t> macroArea;
};

uint16_t FrameChecksum(const uint8_t* frame);

class Firmware {
public:
    explicit Firmware(Hardware hardware);

    // Replaces the flash with a saved copy; the hardware's own facts (capacity, modes, factory
    // layout) stay those of this keyboard.
    void LoadFlash(const Flash& saved);
    const Flash& GetFlash() const { return flash_; }
    // What survives a power loss now: with a volatile session, not the writes of an open one.
    const Flash& FlashToSave() const {
        return hardware_.strict.volatileSession ? committed_ : flash_;
    }
    const KeyBlock& DefaultLayout() const { return defaultLayout_; }
    const Hardware& GetHardware() const { return hardware_; }
    bool InSession() const { return inSession_; }

    struct Result {
        Frame reply;
        bool flashChanged;  // the flash must be saved now
    };
    Result Handle(const Frame& request);

    // The keyboard lost power: an open session is gone, and with a volatile session so is
    // everything it wrote.
    void PowerOff();

    // The keyboard's own lighting key: the active profile's mode steps to the next effect.
    void StepLightingMode();

private:
    void ApplyHardwareFacts();
    uint8_t Read(const uint8_t* area, size_t size, const Frame& request, Frame& reply,
                 bool fullDataArea) const;
    uint8_t Write(uint8_t* area, size_t size, const Frame& request);
    uint8_t WriteSettings(const Frame& request);
    bool UnusedBytesClear(const Frame& request) const;

    Hardware hardware_;
    KeyBlock defaultLayout_;
    Flash flash_;
    Flash committed_;  // the flash as of the last end of session or settings write
    bool inSession_ = false;
};

}  // namespace quorvel::vkbd
