// The desktop sources deliver on the event loop; no window is drawn. The binary runs as an
// ordinary user, since the compositor of the Wayland tests refuses root.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <cstdio>

#include "desktop/active_window_source.h"
#include "tests/wayland/test_user.h"

int main(int argc, char** argv) {
    const std::string refused = quorvel::testing::BecomeTestUserIfRoot(QUORVEL_SCREENSHOT_DIR);
    if (!refused.empty()) {
        std::fprintf(stderr, "desktop tests: %s\n", refused.c_str());
        return 1;
    }
    QCoreApplication application(argc, argv);
    qRegisterMetaType<quorvel::desktop::WindowInfo>();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
