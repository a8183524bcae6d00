#pragma once
// Which active-window source serves the desktop the program runs on.
#include <memory>

#include "desktop/active_window_source.h"

namespace quorvel::desktop {

// The source for this session, chosen from its environment; nullptr where no desktop the
// program knows tells it which window is active.
std::unique_ptr<ActiveWindowSource> CreateActiveWindowSource();

}  // namespace quorvel::desktop
