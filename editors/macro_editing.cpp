#include "editors/macro_editing.h"

#include <QElapsedTimer>
#include <algorithm>
#include <charconv>
#include <memory>

#include "base/texts.h"

namespace quorvel {
namespace {

// Leading decimal digits as a number; none when the text does not start with one. Values that
// overflow read as the largest number, which every caller treats as "too large".
std::optional<int64_t> LeadingNumber(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (end == text.data()) return std::nullopt;
    if (error == std::errc::result_out_of_range) value = INT64_MAX;
    return negative ? -value : value;
}

char16_t Folded(char16_t c) {
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

bool StartsWithNoCase(std::u16string_view text, std::u16string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (Folded(text[i]) != Folded(prefix[i])) return false;
    }
    return true;
}

}  // namespace

std::string TextWithNumber(std::string_view key, long long number) {
    std::string text = Text(key);
    const size_t at = text.find("%d");
    if (at != std::string::npos) text.replace(at, 2, std::to_string(number));
    return text;
}

TypedPause ParseTypedPause(std::string_view text) {
    const int64_t value = std::max<int64_t>(LeadingNumber(text).value_or(0), 0);
    TypedPause pause;
    if (value > MACRO_PAUSE_MAX_MS) {
        pause.clamped = true;
        pause.ms = MACRO_PAUSE_MAX_MS;
    } else {
        pause.ms = static_cast<uint32_t>(value);
    }
    pause.ms -= pause.ms % MACRO_PAUSE_STEP_MS;
    return pause;
}

std::optional<std::string> CorrectedCyclesText(std::string_view text) {
    const std::optional<int64_t> value = LeadingNumber(text);
    if (!value || *value < MACRO_CYCLES_MIN) return std::to_string(MACRO_CYCLES_MIN);
    if (*value > MACRO_CYCLES_MAX) return std::to_string(MACRO_CYCLES_MAX);
    return std::nullopt;
}

int CyclesOf(std::string_view text) {
    const int64_t value = LeadingNumber(text).value_or(MACRO_CYCLES_MIN);
    return static_cast<int>(std::clamp<int64_t>(value, MACRO_CYCLES_MIN, MACRO_CYCLES_MAX));
}

std::u16string NextMacroName(std::u16string_view prefix, int& counter,
                             std::span<const std::u16string> names) {
    // Each number skipped is the start of some name, so this ends within a few tries per name.
    for (;;) {
        ++counter;
        std::u16string candidate(prefix);
        for (char c : std::to_string(counter)) candidate.push_back(static_cast<char16_t>(c));
        const bool taken = std::any_of(names.begin(), names.end(), [&](const std::u16string& name) {
            return StartsWithNoCase(name, candidate);
        });
        if (!taken) return candidate;
    }
}

bool MacroInUse(const std::array<KeyArea, KEY_AREA_COUNT>& areas, uint16_t id) {
    for (const KeyArea& area : areas) {
        for (const KeyAssignment& entry : area) {
            if (entry.type == ASSIGN_MACRO && entry.value == id) return true;
        }
    }
    return false;
}

int InsertRecordedStep(std::vector<MacroAction>& steps, int selected, uint32_t pause, ScanCode key,
                       uint16_t state) {
    if (steps.size() >= static_cast<size_t>(MACRO_MAX_ACTIONS)) return -1;
    const int row = selected >= 0 && selected < static_cast<int>(steps.size())
                        ? selected + 1
                        : static_cast<int>(steps.size());
    MacroAction step = MakeMacroAction(0, key, state);
    if (row > 0) {
        step.delayMs = steps[row - 1].delayMs;
        steps[row - 1].delayMs = pause;
    }
    steps.insert(steps.begin() + row, step);
    return row;
}

int MoveStep(std::vector<MacroAction>& steps, int from, int to) {
    const int count = static_cast<int>(steps.size());
    if (from < 0 || from >= count) return from;
    to = std::clamp(to, 0, count - 1);
    const MacroAction moved = steps[from];
    steps.erase(steps.begin() + from);
    steps.insert(steps.begin() + to, moved);
    return to;
}

TickClock SteadyTickClock() {
    auto timer = std::make_shared<QElapsedTimer>();
    timer->start();
    return [timer] { return static_cast<uint32_t>(timer->elapsed()); };
}

void MacroRecorder::Start() {
    recording_ = true;
    previousTick_ = clock_();
    previousEventTime_ = 0;
    down_.clear();
}

void MacroRecorder::Stop() {
    recording_ = false;
    down_.clear();
}

uint32_t MacroRecorder::Elapsed(uint32_t now, uint32_t eventTime) const {
    // Unsigned differences stay right across the wrap of either clock.
    const uint32_t elapsed = eventTime != 0 && previousEventTime_ != 0
                                 ? eventTime - previousEventTime_
                                 : now - previousTick_;
    // A recorded pause obeys the same limit as a typed one.
    return std::min(elapsed, MACRO_PAUSE_MAX_MS);
}

std::vector<RecordedStep> MacroRecorder::OnKey(ScanCode s, bool release, bool autoRepeat,
                                               bool keepPauses, uint32_t eventTime) {
    std::vector<RecordedStep> steps;
    if (!recording_ || s == 0 || autoRepeat) return steps;
    // Some systems repeat a held key without marking the repeat.
    if (!release && down_.count(s)) return steps;
    const uint32_t now = clock_();
    // A key that reports only its release (or was down before recording began) still gets a
    // press, as the keyboard needs one before the release.
    if (release && !down_.count(s) && IsSingleTransitionKey(s)) {
        steps.push_back({keepPauses ? SINGLE_TRANSITION_PAUSE_MS : RECORD_FIXED_PAUSE_MS, s,
                         MACRO_STATE_PRESS});
    }
    steps.push_back({keepPauses ? Elapsed(now, eventTime) : RECORD_FIXED_PAUSE_MS, s,
                     release ? MACRO_STATE_RELEASE : MACRO_STATE_PRESS});
    if (release) {
        down_.erase(s);
    } else {
        down_.insert(s);
    }
    previousTick_ = now;
    previousEventTime_ = eventTime;
    return steps;
}

void StepHistory::Push(StepsState before) {
    // A new edit ends the redo branch even when its starting point is already the last undo.
    redo_.clear();
    if (!undo_.empty() && undo_.back() == before) return;
    undo_.push_back(std::move(before));
    if (undo_.size() > LIMIT) undo_.erase(undo_.begin());
}

std::optional<StepsState> StepHistory::Undo(StepsState current) {
    if (undo_.empty()) return std::nullopt;
    StepsState previous = std::move(undo_.back());
    undo_.pop_back();
    redo_.push_back(std::move(current));
    return previous;
}

std::optional<StepsState> StepHistory::Redo(StepsState current) {
    if (redo_.empty()) return std::nullopt;
    StepsState next = std::move(redo_.back());
    redo_.pop_back();
    undo_.push_back(std::move(current));
    return next;
}

}  // namespace quorvel
