// Wayland end-to-end tests run as an ordinary user: sway refuses root.
#include <gtest/gtest.h>

#include <cstdio>

#include "tests/wayland/test_user.h"

int main(int argc, char** argv) {
    const std::string refused = quorvel::testing::BecomeTestUserIfRoot(QUORVEL_SCREENSHOT_DIR);
    if (!refused.empty()) {
        std::fprintf(stderr, "wayland tests: %s\n", refused.c_str());
        return 1;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
