// The virtual keyboard takes command frames from any client of its socket: whatever they
// hold, each is answered with one frame and the flash stays within its areas. The first byte
// picks the strictness, the rest is a sequence of frames.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "emulator/firmware.h"
#include "emulator/flat_json.h"

using namespace quorvel::vkbd;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    Hardware hardware;
    hardware.strict.sessionReads = (data[0] & 1) != 0;
    hardware.strict.cleanFrames = (data[0] & 2) != 0;
    hardware.strict.volatileSession = (data[0] & 4) != 0;
    hardware.shuffledLayout = (data[0] & 8) != 0;
    hardware.capacityUnits = data[0] >> 4;
    Firmware firmware(hardware);
    for (size_t at = 1; at < size; at += FRAME_BYTES) {
        Frame request{};
        std::memcpy(request.data(), data + at, std::min<size_t>(FRAME_BYTES, size - at));
        // A zero checksum is filled in, so that frames get past the check to the commands.
        if (request[1] == 0 && request[2] == 0) {
            const uint16_t sum = FrameChecksum(request.data());
            request[1] = static_cast<uint8_t>(sum);
            request[2] = static_cast<uint8_t>(sum >> 8);
        }
        firmware.Handle(request);
        if (at % 7 == 0) firmware.StepLightingMode();
        if (at % 11 == 0) firmware.PowerOff();
    }
    if (firmware.GetFlash().macroArea.size() > size_t{256} * 128) std::abort();
    // The word parser of its command line: hex bytes as `inject` takes them.
    ParseHex(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
