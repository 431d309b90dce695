// close-window TITLE: asks the X11 window with this title to close, as a window manager's close
// button does (a WM_DELETE_WINDOW message); exits 1 when no such window exists.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cstdio>
#include <cstring>

namespace {

Window findByTitle(Display* display, Window window, const char* title) {
    char* name = nullptr;
    if (XFetchName(display, window, &name) && name) {
        const bool match = std::strcmp(name, title) == 0;
        XFree(name);
        if (match) return window;
    }
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    Window found = 0;
    if (XQueryTree(display, window, &root, &parent, &children, &count)) {
        for (unsigned i = 0; i < count && !found; ++i)
            found = findByTitle(display, children[i], title);
        if (children) XFree(children);
    }
    return found;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: close-window TITLE\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) return 1;
    const Window window = findByTitle(display, DefaultRootWindow(display), argv[1]);
    if (!window) return 1;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
    XCloseDisplay(display);
    return 0;
}
