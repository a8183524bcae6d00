#pragma once
// Which of the keyboard's hidraw nodes the user at the seat may open: those that carry a
// collection the program talks to (control, consumer, indicator), and none that carries
// typing. Whoever can read a node reads every report on it, so a node shared with a keyboard
// or keypad collection stays closed even though the program would use it.
#include <cstddef>
#include <cstdint>

#include "hidserv/hidapi/report_layout.h"

namespace quorvel {

bool SeatMayOpenNode(const ReportLayout& layout);

}  // namespace quorvel
