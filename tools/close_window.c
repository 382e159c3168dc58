// SPDX-License-Identifier: GPL-3.0-or-later
/* close_window WINDOW-ID: asks an X window to close as a window manager's close box does, with a
 * WM_DELETE_WINDOW message, so the program runs its own close handling. Exits 1 when the window
 * does not take that message. Built and used by tools/package-test.sh. */
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: close_window WINDOW-ID\n");
        return 2;
    }
    Display* display = XOpenDisplay(NULL);
    if (display == NULL) {
        fprintf(stderr, "close_window: cannot open the display\n");
        return 2;
    }
    const Window window = (Window)strtoul(argv[1], NULL, 0);
    const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    const Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);

    Atom* offered = NULL;
    int count = 0;
    int takesDelete = 0;
    if (XGetWMProtocols(display, window, &offered, &count)) {
        for (int i = 0; i < count; ++i)
            takesDelete = takesDelete || offered[i] == deleteWindow;
        XFree(offered);
    }
    if (!takesDelete) {
        fprintf(stderr, "close_window: window %s does not take WM_DELETE_WINDOW\n", argv[1]);
        XCloseDisplay(display);
        return 1;
    }
    XEvent event = {0};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = protocols;
    event.xclient.format = 32;
    event.xclient.data.l[0] = (long)deleteWindow;
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XCloseDisplay(display);
    return 0;
}
