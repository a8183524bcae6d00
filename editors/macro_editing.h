#pragma once
// The rules of the macro page that do not need a window: typed pauses and cycles, default
// names, where recorded steps go and how their pauses shift, the reference check before a
// macro is deleted, the recorder's timing and the undo history of step edits.
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/key_assignment.h"
#include "model/key_codes.h"
#include "model/macro.h"
#include "model/working_set.h"

namespace quorvel {

constexpr uint32_t MACRO_PAUSE_MAX_MS = 40000;
constexpr uint32_t MACRO_PAUSE_STEP_MS = 10;
constexpr uint32_t RECORD_FIXED_PAUSE_MS = 50;
// The pause put before the press the recorder adds for a key whose press was never reported.
constexpr uint32_t SINGLE_TRANSITION_PAUSE_MS = 2;
constexpr int MACRO_CYCLES_MIN = 1;
constexpr int MACRO_CYCLES_MAX = 255;

// A language text with its first "%d" replaced by the number.
std::string TextWithNumber(std::string_view key, long long number);

struct TypedPause {
    uint32_t ms = 0;
    bool clamped = false;  // above the limit: the user is told
};
// A pause as typed into the list: decimal, at most MACRO_PAUSE_MAX_MS, rounded down to tens.
// Unreadable text counts as 0.
TypedPause ParseTypedPause(std::string_view text);

// The cycles box after a change: the text it must show instead, or none when it stays.
std::optional<std::string> CorrectedCyclesText(std::string_view text);
// The cycles the box stands for (1-255).
int CyclesOf(std::string_view text);

// The next default name: prefix and the counter after incrementing it, skipping every number
// whose name begins an existing name (compared without regard to case).
std::u16string NextMacroName(std::u16string_view prefix, int& counter,
                             std::span<const std::u16string> names);

// True when a macro assignment in any of the four key areas holds the id.
bool MacroInUse(const std::array<KeyArea, KEY_AREA_COUNT>& areas, uint16_t id);

// Inserts a recorded step after row `selected` (at the end when none is selected). A step's
// pause is the time after it, so the measured pause goes to the row before the new one, and the
// new row takes that row's old pause. Returns the new row, or -1 when the macro is full.
int InsertRecordedStep(std::vector<MacroAction>& steps, int selected, uint32_t pause, ScanCode key,
                       uint16_t state);

// Moves row `from` to `to` (clamped to the list) and returns where it ended.
int MoveStep(std::vector<MacroAction>& steps, int from, int to);

// Milliseconds from an arbitrary start; the recorder's only source of time.
using TickClock = std::function<uint32_t()>;
TickClock SteadyTickClock();

struct RecordedStep {
    uint32_t pause = 0;
    ScanCode key = 0;
    uint16_t state = MACRO_STATE_PRESS;
};

// Turns key events into steps with their pauses. Repeats of a held key record nothing.
// A pause is measured between the events' own times, as the window system stamped them, so a
// busy program does not stretch or squeeze it; the clock serves for the first event after the
// start and for events without a time.
class MacroRecorder {
public:
    explicit MacroRecorder(TickClock clock) : clock_(std::move(clock)) {}

    void Start();
    void Stop();
    bool Recording() const { return recording_; }

    // keepPauses: the record-delay option; off, every pause is RECORD_FIXED_PAUSE_MS.
    // eventTime: the event's time stamp in milliseconds, 0 when it has none.
    std::vector<RecordedStep> OnKey(ScanCode s, bool release, bool autoRepeat, bool keepPauses,
                                    uint32_t eventTime = 0);

private:
    uint32_t Elapsed(uint32_t now, uint32_t eventTime) const;

    TickClock clock_;
    bool recording_ = false;
    uint32_t previousTick_ = 0;
    // The previous event's own time, 0 while there is none to measure from.
    uint32_t previousEventTime_ = 0;
    std::set<ScanCode> down_;
};

// Undo and redo of the steps of one macro.
struct StepsState {
    std::vector<MacroAction> steps;
    int selected = -1;
    bool operator==(const StepsState&) const = default;
};

class StepHistory {
public:
    // Call with the state before an edit.
    void Push(StepsState before);
    std::optional<StepsState> Undo(StepsState current);
    std::optional<StepsState> Redo(StepsState current);
    bool CanUndo() const { return !undo_.empty(); }
    bool CanRedo() const { return !redo_.empty(); }

private:
    static constexpr size_t LIMIT = 200;
    std::vector<StepsState> undo_;
    std::vector<StepsState> redo_;
};

}  // namespace quorvel
