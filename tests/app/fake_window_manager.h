#pragma once
// What a window manager tells X clients about windows, done by hand on a server that has none:
// windows with a WM_CLASS (and _NET_WM_PID) of their own, listed in _NET_CLIENT_LIST and made
// active through _NET_ACTIVE_WINDOW on the root window.
#include <xcb/xcb.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorvel::testing {

class FakeWindowManager {
public:
    // display as in $DISPLAY (":93").
    explicit FakeWindowManager(const std::string& display);
    ~FakeWindowManager();
    FakeWindowManager(const FakeWindowManager&) = delete;
    FakeWindowManager& operator=(const FakeWindowManager&) = delete;

    bool Connected() const { return connection_ != nullptr; }
    // A mapped window whose WM_CLASS is instance and className; with pid, also _NET_WM_PID and
    // this machine's name as WM_CLIENT_MACHINE. Listed in _NET_CLIENT_LIST.
    uint32_t OpenWindow(const std::string& className, std::optional<uint32_t> pid = std::nullopt,
                        const std::string& instance = "main");
    // Sets _NET_ACTIVE_WINDOW on the root window (0: no window) and waits until the server has
    // taken it.
    void Activate(uint32_t window);
    // "0x..." as the program logs window ids.
    static std::string IdText(uint32_t window);

private:
    uint32_t Atom(const char* name);
    void SetProperty(uint32_t window, uint32_t property, uint32_t type, uint8_t format,
                     uint32_t count, const void* data);

    xcb_connection_t* connection_ = nullptr;
    uint32_t root_ = 0;
    std::vector<uint32_t> windows_;
};

}  // namespace quorvel::testing
