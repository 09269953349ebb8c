// Asks a window to close the way a window manager's close button does: a
// WM_DELETE_WINDOW message through WM_PROTOCOLS. Needs no window manager.
//   usage: x11_close WINDOW_ID   (decimal or 0x hex, as xdotool prints it)
// Relies on Xlib only.
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[]) {
    if (argc != 2) {
        fprintf(stderr, "x11_close: usage: x11_close WINDOW_ID\n");
        return 2;
    }
    char* end = nullptr;
    const Window window = strtoul(argv[1], &end, 0);
    if (!end || *end != '\0' || window == 0) {
        fprintf(stderr, "x11_close: not a window id: %s\n", argv[1]);
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        fprintf(stderr, "x11_close: cannot open the display\n");
        return 1;
    }
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    const Status sent = XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    XCloseDisplay(display);
    if (!sent) {
        fprintf(stderr, "x11_close: the message could not be sent\n");
        return 1;
    }
    return 0;
}
