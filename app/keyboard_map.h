#pragma once
// The keyboard picture in the middle of the main window: 104 key buttons, nine G keys, Fn and
// the controls that change how the picture looks (mode switch, Flip layout with its arrows,
// bank and lock indicators). A click on a key picks it for the key assignment dialog, marks it
// in colour keys mode, or paints it while the lighting panel paints keys.
//
// Every read or write of the working set here takes its lock briefly. While a keyboard job runs
// the lock may be held for the whole keyboard write, so the map never waits for it then: key
// clicks are refused and redraws that need the working set are done when the job has ended.
#include <QColor>
#include <QObject>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "app/colour_keys.h"
#include "app/flip_layout.h"
#include "app/key_map_table.h"
#include "app/key_painter.h"
#include "app/key_tints.h"
#include "app/map_buttons.h"
#include "base/ini_file.h"
#include "editors/editor_host.h"
#include "model/describe_assignment.h"
#include "model/key_assignment.h"
#include "model/key_codes.h"
#include "model/working_set.h"
#include "skin/png_button.h"

class QWidget;

namespace quorvel {

class KeyboardJobs;

// Controls of the map beside the keys and the Flip layout.
inline constexpr int CONTROL_MODE_SWITCH = 1144;
inline constexpr int CONTROL_LOCK_CAPS = 1125;
inline constexpr int CONTROL_LOCK_NUM = 1126;
inline constexpr int CONTROL_LOCK_SCROLL = 1127;
inline constexpr int CONTROL_LOCK_AB = 1128;

class KeyboardMap : public QObject, public WorkingSetObserver {
    Q_OBJECT
public:
    using OpenKeyEditor = std::function<void(const SelectedKey& key)>;
    // Bit 0 of the keyboard's status word as the device link keeps it: bank B active.
    using ActiveBankB = std::function<bool()>;

    // The buttons become children of window; nothing is placed until Place.
    KeyboardMap(QWidget& window, const IniFile& skin, const MapImages& images, EditorHost& host,
                KeyboardJobs& jobs, ActiveBankB activeBankB, OpenKeyEditor openKeyEditor);
    ~KeyboardMap() override;

    // Places every control from the skin, gives them their looks, applies Flip and describes
    // every key. Once, after the window's skin has loaded.
    void Place();
    // Null while no lighting panel paints keys.
    void SetKeyPainter(KeyPainter* painter) { painter_ = painter; }

    // Every key button, the Fn key and FUNC_MACRO (as G9) end here.
    void OnKeyClicked(int controlId);

    void ToggleColourKeysMode();
    void SetColourKeysMode(bool colourKeys);
    bool ColourKeysMode() const;
    void RefreshColourLooks();

    FlipLayout& Flip() { return flip_; }

    // Bank indicator, G-key captions and the G keys' assigned looks for the bank.
    void ShowGKeyBank(bool bankB);
    bool ShownBankB() const { return shownBankB_; }
    // The checked looks of the G keys from the active bank's entries (UM_GKEY_STATE).
    void RefreshGKeys();

    // Captions and tip texts in the current language.
    void ApplyCaptions();

    // The map button of one entry of the active profile's key area, described from it.
    void RefreshKey(int entryIndex);
    // RefreshAssignments: every G key of the active bank and every map key, then Flip again.
    void RefreshAll();
    // Describes the button of an entry as unassigned; an entry without a button does nothing.
    void ClearKeyDescription(int entryIndex);
    // Resets the assignments of the map keys and of the active bank's G keys in the active
    // profile and enables Apply. False (nothing changed) while a keyboard job runs.
    bool ResetProfileAssignments();

    // The look of a key while its editor is open, or its ordinary look again.
    void ShowKeyEdited(uint32_t controlId, bool editing);

    // Lighting previews drawn over the key pictures: position 0-103, FN_KEY_POSITION or
    // G_KEYS_POSITION (all nine G keys); no colour removes the tint.
    void SetKeyTint(int position, std::optional<QColor> colour, bool marked);
    void ClearKeyTints();

    // The key the last accepted click picked.
    const SelectedKey& Selected() const { return selected_; }
    // Null for a control the map does not own.
    CPngButton* ButtonForControl(int controlId) const { return buttons_.ForControl(controlId); }
    // The G index of a G key control in the shown bank (0-8 bank A, 9-17 bank B), or -1.
    int GIndexOfControl(int controlId) const;
    // The key area the map shows: the active profile's, area 0 while it is unknown.
    int ShownArea() const;

    // WorkingSetObserver
    void OnAssignmentReset(int area, int entry) override;
    void OnUnappliedChanges() override;

signals:
    // A click refused because a keyboard job may hold the working set.
    void ClickRefused();

private:
    struct Description {
        CPngButton* button;
        AssignmentDescription text;
    };

    void ShowBankLook(bool bankB);
    // G-key entry of G number n (0-8) in the active bank.
    int GKeyEntry(int n) const { return quorvel::GKeyEntry(n, activeBankB_()); }
    CPngButton* ButtonForEntry(int entryIndex, DescribedKey* key) const;
    // The colour-flag entry of a key-list position or, for G keys, of 256 + G index.
    CPngButton* ButtonForPosition(int position) const;
    // Reads the entries the buttons stand for and describes them; deferred while busy.
    void DescribeGKeys();
    void DescribeKeys(bool gKeys, bool mapKeys);
    void ApplyDescriptions(const std::vector<Description>& descriptions);
    // The buttons a tint position draws on.
    std::vector<CPngButton*> TintedButtons(int position) const;
    // True (and remembered) when a keyboard job may hold the working-set lock.
    bool DeferWhileBusy(bool gKeys, bool mapKeys, bool colourLooks);
    void RunDeferred();

    MapButtons buttons_;
    const MapImages& images_;
    EditorHost& host_;
    KeyboardJobs& jobs_;
    ActiveBankB activeBankB_;
    OpenKeyEditor openKeyEditor_;
    KeyPainter* painter_ = nullptr;
    SelectedKey selected_;

    std::array<CPngButton*, MAP_KEY_COUNT> keys_{};
    std::array<CPngButton*, G_KEY_COUNT> gKeys_{};
    CPngButton* fn_ = nullptr;
    CPngButton* modeSwitch_ = nullptr;
    CPngButton* lockAb_ = nullptr;
    std::array<CPngButton*, 3> locks_{};
    FlipLayout flip_;
    KeyTints tints_;
    ColourKeys colourKeys_;

    bool shownBankB_ = false;

    bool pendingGKeys_ = false;
    bool pendingMapKeys_ = false;
    bool pendingColourLooks_ = false;
};

}  // namespace quorvel
