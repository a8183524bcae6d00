#include "tests/app/fake_window_manager.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace quorvel::testing {

FakeWindowManager::FakeWindowManager(const std::string& display) {
    int screen = 0;
    xcb_connection_t* connection = xcb_connect(display.c_str(), &screen);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return;
    }
    connection_ = connection;
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection_));
    for (int i = 0; i < screen; ++i) xcb_screen_next(&it);
    root_ = it.data->root;
}

FakeWindowManager::~FakeWindowManager() {
    if (connection_ == nullptr) return;
    Activate(0);
    for (uint32_t window : windows_) xcb_destroy_window(connection_, window);
    SetProperty(root_, Atom("_NET_CLIENT_LIST"), XCB_ATOM_WINDOW, 32, 0, nullptr);
    xcb_disconnect(connection_);
}

uint32_t FakeWindowManager::Atom(const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection_, xcb_intern_atom(connection_, 0, std::strlen(name), name), nullptr);
    const uint32_t atom = reply != nullptr ? reply->atom : XCB_ATOM_NONE;
    std::free(reply);
    return atom;
}

void FakeWindowManager::SetProperty(uint32_t window, uint32_t property, uint32_t type,
                                    uint8_t format, uint32_t count, const void* data) {
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, property, type, format, count,
                        data);
}

uint32_t FakeWindowManager::OpenWindow(const std::string& className, std::optional<uint32_t> pid,
                                       const std::string& instance) {
    const uint32_t window = xcb_generate_id(connection_);
    xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window, root_, 0, 0, 64, 48, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    std::string wmClass = instance;
    wmClass.push_back('\0');
    wmClass += className;
    wmClass.push_back('\0');
    SetProperty(window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, wmClass.size(), wmClass.data());
    if (pid) {
        SetProperty(window, Atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, 32, 1, &*pid);
        char host[256] = {};
        gethostname(host, sizeof host - 1);
        SetProperty(window, XCB_ATOM_WM_CLIENT_MACHINE, XCB_ATOM_STRING, 8, std::strlen(host),
                    host);
    }
    xcb_map_window(connection_, window);
    windows_.push_back(window);
    SetProperty(root_, Atom("_NET_CLIENT_LIST"), XCB_ATOM_WINDOW, 32, windows_.size(),
                windows_.data());
    std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    return window;
}

void FakeWindowManager::Activate(uint32_t window) {
    SetProperty(root_, Atom("_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW, 32, 1, &window);
    // A round trip: once it is answered, the server has sent the property notices.
    std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
}

std::string FakeWindowManager::IdText(uint32_t window) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", window);
    return text;
}

}  // namespace quorvel::testing
