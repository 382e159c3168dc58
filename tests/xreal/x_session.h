// SPDX-License-Identifier: GPL-3.0-or-later
// A small client of a real X server for driving the built programs from outside, as a person at
// the screen would: it starts a program, finds its windows, presses keys and buttons through XTest,
// reads pixels, hears about a window's repaints through the Damage extension and asks a window to
// close with WM_DELETE_WINDOW (as a window manager's close box does).
#pragma once

#include <X11/Xlib.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace xreal {

using Clock = std::chrono::steady_clock;
using Millis = std::chrono::duration<double, std::milli>;

// A failed check: the scenario stops and the test fails with this text.
struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
    bool Contains(int px, int py) const { return px >= x && py >= y && px < x + width && py < y + height; }
    bool Inside(const Rect& outer) const {
        return x >= outer.x && y >= outer.y && x + width <= outer.x + outer.width &&
               y + height <= outer.y + outer.height;
    }
    std::string Text() const {
        return std::to_string(width) + " x " + std::to_string(height) + " at " + std::to_string(x) + ", " +
               std::to_string(y);
    }
};

struct TopWindow {
    Window id = 0;
    std::string name;
    Rect bounds;
};

// A repaint of part of a window, as the Damage extension reports it, with the time we heard of it.
struct Repaint {
    Rect area;
    Clock::time_point heard;
};

// The pixels of a window area, 0xRRGGBB each, row by row.
struct Pixels {
    int width = 0, height = 0;
    std::vector<std::uint32_t> rgb;
    std::uint32_t At(int x, int y) const { return rgb[static_cast<std::size_t>(y * width + x)]; }
    bool operator==(const Pixels&) const = default;
};

class XSession {
public:
    XSession(); // connects to $DISPLAY; raises Failure without a server or without XTest/Damage
    ~XSession();
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    // Starts a program in a folder with Qt's X11 platform; its output goes to log.
    pid_t Start(const std::string& program, const std::string& folder, const std::string& log);
    // Waits for the process to end: its exit code, or nothing when it has not ended in time.
    std::optional<int> WaitExit(pid_t pid, Clock::duration timeout);

    // Windows on screen: the programs' windows in the mapped children of the root window (the
    // children themselves without a window manager, the client windows in its frames with one).
    std::vector<TopWindow> Shown();
    // Waits until a window with this name is on screen, then until its painting settles.
    TopWindow WaitShown(const std::string& name, Clock::duration timeout);
    // Waits until the next top-level window is mapped: the time of its MapNotify.
    std::pair<Window, Clock::time_point> WaitNextMap(Clock::duration timeout);
    // Waits for the first repaint of a window heard at or after a time (its MapNotify): with no
    // window manager, that is the program's first paint of the mapped window. Top-level windows are
    // watched from their creation, so a paint that follows the map at once is not missed.
    Repaint WaitPaintedAfter(Window window, Clock::time_point since, Clock::duration timeout);
    // Waits until a window has had no repaint for `quiet`.
    void Settle(Window window, Clock::duration quiet = std::chrono::milliseconds(250),
                Clock::duration timeout = std::chrono::seconds(10));
    // Waits for the window's next repaint; nothing when none came in time.
    std::optional<Repaint> NextRepaint(Window window, Clock::duration timeout);

    Pixels Grab(Window window, Rect area);
    std::uint32_t Pixel(Window window, int x, int y);
    // The window's area on the screen (its client area, under a window manager).
    Rect Bounds(Window window);
    // The window with the frame the window manager put round it (_NET_FRAME_EXTENTS).
    Rect Frame(Window window);
    // The area windows may take: the window manager's _NET_WORKAREA, or the whole screen.
    Rect WorkArea();
    // A property of 32-bit items (CARDINAL, ATOM, the Motif hints), and a list of atoms by name.
    std::vector<long> Cardinals(Window window, const std::string& property);
    std::vector<std::string> AtomNames(Window window, const std::string& property);
    // WM_CLASS: the instance name and the class.
    std::pair<std::string, std::string> Class(Window window);
    // The pictures of _NET_WM_ICON at one size, 0xAARRGGBB each; empty when the icon has no such size.
    Pixels Icon(Window window, int size);
    // The least and the most size the program allows (WM_NORMAL_HINTS); 0 x 0 where it gives none.
    std::pair<Rect, Rect> SizeLimits(Window window);

    // Presses and releases the left button at a point of the window; returns when the server has
    // taken both, with the time of the release.
    Clock::time_point Click(Window window, int x, int y);
    // Presses and releases keys by their keysym names ("Down", "Return").
    void Key(const std::string& keysymName);
    // Types a UTF-8 text: each character's small and capital keysyms are bound to a spare keycode
    // first (call PrepareKeys before the program starts, so its keyboard map holds them already).
    void PrepareKeys(const std::string& text);
    void Type(const std::string& text);

    // Asks the window's program to close it, as a window manager's close box does.
    void Close(Window window);

private:
    Window ClientOf(Window window);
    Window WatchedFor(Window window);
    bool Pump(Clock::time_point until);
    void Dispatch(XEvent& event);

    Display* display_ = nullptr;
    Window root_ = 0;
    int damageEvent_ = 0;
    struct Watch {
        Window window;
        unsigned long damage;
        std::vector<Repaint> repaints;
    };
    std::vector<Watch> watches_;
    std::vector<std::pair<Window, Clock::time_point>> maps_;
    struct Binding {
        std::uint32_t codePoint;
        int keycode;
        bool shift;
    };
    std::vector<Binding> bindings_;
};

std::string Utf8Name(Display* display, Window window);

} // namespace xreal
