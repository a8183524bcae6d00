#pragma once
// Which active-window source serves the desktop the program runs on.
#include <memory>

#include "desktop/active_window_source.h"

namespace quorvel::desktop {

// The source for this session, chosen from its environment: on Wayland a source whose Support()
// is None where the compositor tells nothing; nullptr where there is no desktop at all, or no X
// server answers.
std::unique_ptr<ActiveWindowSource> CreateActiveWindowSource();

}  // namespace quorvel::desktop
