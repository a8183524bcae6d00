#include "app/shell_state.h"

namespace quorvel {

ShellState& Shell() {
    static ShellState state;
    return state;
}

}  // namespace quorvel
