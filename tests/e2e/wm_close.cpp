// Asks a window to close the way a window manager's close button does: a WM_DELETE_WINDOW
// client message. Xvfb runs no window manager, so the tests send it themselves. With "destroy"
// after the window, destroys it outright instead, as another client may under the game.
#include <X11/Xlib.h>

#include <cstdlib>
#include <cstring>

static void askToClose(Display* display, Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
}

int main(int argc, char** argv) {
    const bool destroy = argc == 3 && std::strcmp(argv[2], "destroy") == 0;
    if (argc != 2 && !destroy) return 2;
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return 1;
    const Window window = static_cast<Window>(std::strtoul(argv[1], nullptr, 0));
    if (destroy)
        XDestroyWindow(display, window);
    else
        askToClose(display, window);
    XCloseDisplay(display);
    return 0;
}
