#pragma once
// The compositor refuses to run as root, and CI runs as root: a Wayland test binary then goes on
// as a system user of its own, created on first use.
#include <string>

namespace quorvel::testing {

// Call first in main, before any thread starts. When the process runs as root, makes sure the
// user "quorvel-wayland" exists, hands it the folders in keep (created when missing), and
// switches the whole process to it. Empty on success or when not root; otherwise why not.
std::string BecomeTestUserIfRoot(const std::string& keep);

}  // namespace quorvel::testing
