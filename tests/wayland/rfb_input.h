#pragma once
// Pointer and keys for the headless compositor, sent through its VNC server (wayvnc), which
// feeds them to the compositor as a virtual pointer and a virtual keyboard with the usual
// layout, so the program sees the same key codes as from a real keyboard. A minimal RFB 3.8
// client: no authentication, no picture updates asked for.
#include <QPoint>
#include <QString>

namespace quorvel::testing {

class RfbInput {
public:
    RfbInput() = default;
    ~RfbInput();
    RfbInput(const RfbInput&) = delete;
    RfbInput& operator=(const RfbInput&) = delete;

    // Connects to the server's Unix socket and completes the handshake; empty on success,
    // otherwise what went wrong.
    QString Connect(const QString& socketPath);
    // The pointer at a point of the screen with the buttons of mask down (1 = left).
    bool Pointer(QPoint at, int mask);
    // A key by X keysym value, pressed or released.
    bool Key(uint32_t keysym, bool down);

private:
    bool Send(const unsigned char* data, size_t size);
    bool Receive(unsigned char* data, size_t size);

    int fd_ = -1;
};

}  // namespace quorvel::testing
