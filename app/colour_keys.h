#pragma once
// Colour keys mode of the keyboard map: the mode switch says which mode is on, and every map key
// and G key shows the colour flag of its entry, which a click flips instead of opening the key
// assignment dialog. The mode lives in the shell's record, which the device side reads too.
#include <array>
#include <cstdint>

#include "app/map_buttons.h"
#include "editors/editor_host.h"
#include "model/key_assignment.h"
#include "model/key_codes.h"
#include "model/working_set.h"
#include "skin/png_button.h"

namespace quorvel {

// The flags one look of the map shows, copied out so the working set is not held while drawing.
struct ColourFlags {
    std::array<uint32_t, MAP_KEY_COUNT> keys{};
    std::array<uint32_t, G_KEY_COUNT> gKeys{};
};

// The flags of a key area's map keys and of its G keys in the bank.
ColourFlags ReadColourFlags(const KeyArea& area, bool bankB);

class ColourKeys {
public:
    // The key arrays are the map's, filled when it places its buttons.
    ColourKeys(const MapImages& images, EditorHost& host,
               const std::array<CPngButton*, MAP_KEY_COUNT>& keys,
               const std::array<CPngButton*, G_KEY_COUNT>& gKeys);

    void SetSwitch(CPngButton* modeSwitch) { modeSwitch_ = modeSwitch; }
    static bool On();
    // Turns the mode on or off and captions the switch; the looks follow with Show.
    void SetOn(bool on);
    // The switch's caption in the current language.
    void ApplyCaption();

    // Every key's look: its flag while the mode is on, the ordinary look otherwise.
    void Show(const ColourFlags& flags);
    // Flips the colour flag of one entry of a key area, shows it on the key and enables Apply.
    void Flip(CPngButton& button, int area, int flagEntry);

private:
    const MapImages& images_;
    EditorHost& host_;
    const std::array<CPngButton*, MAP_KEY_COUNT>& keys_;
    const std::array<CPngButton*, G_KEY_COUNT>& gKeys_;
    CPngButton* modeSwitch_ = nullptr;
};

}  // namespace quorvel
