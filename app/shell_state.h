#pragma once
// The process-wide record of the shell: which window is the main window and the start-up flags
// the device workers read. Workers run on their own threads, so every field is atomic.
#include <atomic>

namespace quorvel {

class CQuorvelDlg;

struct ShellState {
    std::atomic<CQuorvelDlg*> mainDialog{nullptr};
    // Set once the main window must no longer open by itself: by "/Start", by an absent
    // keyboard at start and after the first automatic opening.
    std::atomic<bool> autoOpenDone{false};
    // 0 = function keys mode, 1 = colour keys mode.
    std::atomic<int> colourKeysMode{0};
};

ShellState& Shell();

}  // namespace quorvel
