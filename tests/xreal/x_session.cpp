// SPDX-License-Identifier: GPL-3.0-or-later
#include "x_session.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xdamage.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cwctype>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace xreal {

namespace {

constexpr auto kPollSlice = std::chrono::milliseconds(1);
constexpr auto kExitPoll = std::chrono::milliseconds(5);

// Decodes UTF-8 into code points; the scenarios' texts are our own, so no validation.
std::vector<std::uint32_t> CodePoints(const std::string& text) {
    std::vector<std::uint32_t> out;
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        int extra = c < 0x80 ? 0 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
        std::uint32_t cp = extra == 0 ? c : c & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]) & 0x3F);
        out.push_back(cp);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

// Latin-1 keysyms equal their code points; every other character has the Unicode keysym range.
KeySym KeysymOf(std::uint32_t cp) {
    return cp < 0x100 ? cp : 0x01000000 | cp;
}

// Windows of the programs under test come and go on their own; a request about one that has just
// gone (a repaint report, a pixel read) fails harmlessly, and the caller sees the window gone.
int IgnoreGoneWindows(Display*, XErrorEvent*) {
    return 0;
}

} // namespace

std::string Utf8Name(Display* display, Window window) {
    const Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string name;
    if (XGetWindowProperty(display, window, netName, 0, 1024, False, utf8, &type, &format, &count, &after,
                           &data) == Success &&
        data != nullptr) {
        name.assign(reinterpret_cast<char*>(data), count);
        XFree(data);
        return name;
    }
    char* plain = nullptr;
    if (XFetchName(display, window, &plain) && plain != nullptr) {
        name = plain;
        XFree(plain);
    }
    return name;
}

XSession::XSession() {
    display_ = XOpenDisplay(nullptr);
    if (display_ == nullptr)
        throw Failure("no X server at DISPLAY");
    root_ = DefaultRootWindow(display_);
    XSetErrorHandler(IgnoreGoneWindows);
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(display_, &eventBase, &errorBase, &major, &minor))
        throw Failure("the X server has no XTest");
    if (!XDamageQueryExtension(display_, &damageEvent_, &errorBase))
        throw Failure("the X server has no Damage extension");
    XDamageQueryVersion(display_, &major, &minor);
    XSelectInput(display_, root_, SubstructureNotifyMask);
    XSync(display_, False);
}

XSession::~XSession() {
    if (display_ != nullptr)
        XCloseDisplay(display_);
}

pid_t XSession::Start(const std::string& givenProgram, const std::string& folder, const std::string& log) {
    // The program runs in another folder: a path relative to ours would not find it there.
    char* resolved = realpath(givenProgram.c_str(), nullptr);
    if (resolved == nullptr)
        throw Failure("no program " + givenProgram);
    const std::string program = resolved;
    std::free(resolved);
    const pid_t pid = fork();
    if (pid < 0)
        throw Failure("fork failed");
    if (pid == 0) {
        if (chdir(folder.c_str()) != 0)
            _exit(127);
        const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out >= 0) {
            dup2(out, 1);
            dup2(out, 2);
        }
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

std::optional<int> XSession::WaitExit(pid_t pid, Clock::duration timeout) {
    const auto until = Clock::now() + timeout;
    int status = 0;
    while (true) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        if (Clock::now() >= until)
            return std::nullopt;
        Pump(Clock::now() + kExitPoll);
    }
}

// Under a window manager a program's window lies inside the manager's frame: the client window is
// the one that carries WM_STATE, which the manager sets. Without one, the window is the frame.
Window XSession::ClientOf(Window window) {
    const Atom wmState = XInternAtom(display_, "WM_STATE", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display_, window, wmState, 0, 0, False, AnyPropertyType, &type, &format, &count,
                           &after, &data) == Success &&
        data != nullptr)
        XFree(data);
    if (type != 0)
        return window;
    Window rootOut = 0, parent = 0;
    Window* children = nullptr;
    unsigned int n = 0;
    Window found = 0;
    if (XQueryTree(display_, window, &rootOut, &parent, &children, &n)) {
        for (unsigned int i = 0; i < n && found == 0; ++i)
            found = ClientOf(children[i]);
        if (children != nullptr)
            XFree(children);
    }
    return found; // 0: no client window below this one
}

std::vector<TopWindow> XSession::Shown() {
    Window rootOut = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    std::vector<TopWindow> shown;
    if (!XQueryTree(display_, root_, &rootOut, &parent, &children, &count))
        return shown;
    // The window manager's own window, which tells that it runs, is none of the programs'.
    const std::vector<long> manager = Cardinals(root_, "_NET_SUPPORTING_WM_CHECK");
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display_, children[i], &attributes) || attributes.map_state != IsViewable)
            continue;
        if (!manager.empty() && children[i] == static_cast<Window>(manager.front()))
            continue;
        const Window client = ClientOf(children[i]);
        const Window window = client != 0 ? client : children[i];
        shown.push_back({window, Utf8Name(display_, window), Bounds(window)});
    }
    if (children != nullptr)
        XFree(children);
    return shown;
}

TopWindow XSession::WaitShown(const std::string& name, Clock::duration timeout) {
    const auto until = Clock::now() + timeout;
    while (Clock::now() < until) {
        for (const TopWindow& window : Shown()) {
            if (window.name == name) {
                Settle(window.id);
                return window;
            }
        }
        Pump(Clock::now() + std::chrono::milliseconds(10));
    }
    throw Failure("no window \"" + name + "\" came on screen");
}

std::pair<Window, Clock::time_point> XSession::WaitNextMap(Clock::duration timeout) {
    maps_.clear();
    const auto until = Clock::now() + timeout;
    while (maps_.empty()) {
        if (!Pump(until))
            throw Failure("no window was mapped in time");
    }
    return maps_.front();
}

Repaint XSession::WaitPaintedAfter(Window window, Clock::time_point since, Clock::duration timeout) {
    const auto until = Clock::now() + timeout;
    while (true) {
        const auto repaint = NextRepaint(window, until - Clock::now());
        if (!repaint)
            throw Failure("the mapped window was not painted in time");
        if (repaint->heard >= since)
            return *repaint;
    }
}

Window XSession::WatchedFor(Window window) {
    for (const Watch& watch : watches_) {
        if (watch.window == window)
            return window;
    }
    // Raw rectangles: every repaint is reported on its own, with its area.
    const Damage damage = XDamageCreate(display_, window, XDamageReportRawRectangles);
    watches_.push_back({window, damage, {}});
    XSync(display_, False);
    return window;
}

std::optional<Repaint> XSession::NextRepaint(Window window, Clock::duration timeout) {
    WatchedFor(window);
    const auto until = Clock::now() + timeout;
    while (true) {
        for (Watch& watch : watches_) {
            if (watch.window == window && !watch.repaints.empty()) {
                const Repaint first = watch.repaints.front();
                watch.repaints.erase(watch.repaints.begin());
                return first;
            }
        }
        if (!Pump(until))
            return std::nullopt;
    }
}

void XSession::Settle(Window window, Clock::duration quiet, Clock::duration timeout) {
    WatchedFor(window);
    const auto until = Clock::now() + timeout;
    while (Clock::now() < until) {
        if (!NextRepaint(window, quiet))
            return;
    }
    throw Failure("the window kept repainting");
}

bool XSession::Pump(Clock::time_point until) {
    bool any = false;
    while (true) {
        while (XPending(display_) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
            Dispatch(event);
            any = true;
        }
        if (any)
            return true;
        const auto now = Clock::now();
        if (now >= until)
            return false;
        const auto left = std::min<Clock::duration>(until - now, kPollSlice);
        pollfd fd{ConnectionNumber(display_), POLLIN, 0};
        timespec wait{0,
                      static_cast<long>(std::chrono::duration_cast<std::chrono::nanoseconds>(left).count())};
        ppoll(&fd, 1, &wait, nullptr);
    }
}

void XSession::Dispatch(XEvent& event) {
    const auto heard = Clock::now();
    if (event.type == damageEvent_ + XDamageNotify) {
        const auto& notify = reinterpret_cast<XDamageNotifyEvent&>(event);
        for (Watch& watch : watches_) {
            if (watch.damage == notify.damage) {
                watch.repaints.push_back(
                    {{notify.area.x, notify.area.y, notify.area.width, notify.area.height}, heard});
                // Raw rectangles keep coming only while the damage is emptied.
                XDamageSubtract(display_, notify.damage, None, None);
            }
        }
    } else if (event.type == CreateNotify && event.xcreatewindow.parent == root_) {
        WatchedFor(event.xcreatewindow.window);
    } else if (event.type == MapNotify && event.xmap.event == root_) {
        maps_.emplace_back(event.xmap.window, heard);
    } else if (event.type == DestroyNotify) {
        std::erase_if(watches_,
                      [&](const Watch& watch) { return watch.window == event.xdestroywindow.window; });
    }
}

Pixels XSession::Grab(Window window, Rect area) {
    XImage* image = XGetImage(display_, window, area.x, area.y, static_cast<unsigned>(area.width),
                              static_cast<unsigned>(area.height), AllPlanes, ZPixmap);
    if (image == nullptr)
        throw Failure("cannot read the window's pixels");
    Pixels pixels{area.width, area.height, {}};
    pixels.rgb.reserve(static_cast<std::size_t>(area.width * area.height));
    for (int y = 0; y < area.height; ++y) {
        for (int x = 0; x < area.width; ++x)
            pixels.rgb.push_back(static_cast<std::uint32_t>(XGetPixel(image, x, y) & 0xFFFFFF));
    }
    XDestroyImage(image);
    return pixels;
}

std::uint32_t XSession::Pixel(Window window, int x, int y) {
    return Grab(window, {x, y, 1, 1}).rgb.front();
}

Rect XSession::Bounds(Window window) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display_, window, &attributes))
        throw Failure("the window is gone");
    // On the screen, also when a window manager's frame is its parent.
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(display_, window, root_, 0, 0, &x, &y, &child);
    return {x, y, attributes.width, attributes.height};
}

std::vector<long> XSession::Cardinals(Window window, const std::string& property) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<long> values;
    // Long enough for an icon of every size (256 x 256 alone is 65,536 items).
    if (XGetWindowProperty(display_, window, XInternAtom(display_, property.c_str(), False), 0, 1L << 20,
                           False, AnyPropertyType, &type, &format, &count, &after, &data) == Success &&
        data != nullptr) {
        // Xlib hands 32-bit items over as longs.
        if (format == 32)
            values.assign(reinterpret_cast<long*>(data), reinterpret_cast<long*>(data) + count);
        XFree(data);
    }
    return values;
}

std::vector<std::string> XSession::AtomNames(Window window, const std::string& property) {
    std::vector<std::string> names;
    for (const long atom : Cardinals(window, property)) {
        char* name = XGetAtomName(display_, static_cast<Atom>(atom));
        if (name != nullptr) {
            names.emplace_back(name);
            XFree(name);
        }
    }
    return names;
}

Rect XSession::Frame(Window window) {
    Rect frame = Bounds(window);
    const std::vector<long> extents = Cardinals(window, "_NET_FRAME_EXTENTS"); // left, right, top, bottom
    if (extents.size() == 4) {
        frame.x -= static_cast<int>(extents[0]);
        frame.y -= static_cast<int>(extents[2]);
        frame.width += static_cast<int>(extents[0] + extents[1]);
        frame.height += static_cast<int>(extents[2] + extents[3]);
    }
    return frame;
}

std::pair<std::string, std::string> XSession::Class(Window window) {
    XClassHint hint{};
    std::pair<std::string, std::string> names;
    if (XGetClassHint(display_, window, &hint)) {
        names = {hint.res_name != nullptr ? hint.res_name : "",
                 hint.res_class != nullptr ? hint.res_class : ""};
        XFree(hint.res_name);
        XFree(hint.res_class);
    }
    return names;
}

Pixels XSession::Icon(Window window, int size) {
    // One picture after another: width, height, then width x height pixels.
    const std::vector<long> icon = Cardinals(window, "_NET_WM_ICON");
    for (std::size_t at = 0; at + 2 <= icon.size();) {
        const auto width = static_cast<std::size_t>(icon[at]),
                   height = static_cast<std::size_t>(icon[at + 1]);
        const std::size_t end = at + 2 + width * height;
        if (end > icon.size())
            break;
        if (width == static_cast<std::size_t>(size) && height == static_cast<std::size_t>(size)) {
            Pixels pixels{size, size, {}};
            for (std::size_t i = at + 2; i < end; ++i)
                pixels.rgb.push_back(static_cast<std::uint32_t>(icon[i]));
            return pixels;
        }
        at = end;
    }
    return {};
}

Rect XSession::WorkArea() {
    const std::vector<long> area = Cardinals(root_, "_NET_WORKAREA");
    if (area.size() >= 4)
        return {static_cast<int>(area[0]), static_cast<int>(area[1]), static_cast<int>(area[2]),
                static_cast<int>(area[3])};
    XWindowAttributes attributes;
    XGetWindowAttributes(display_, root_, &attributes);
    return {0, 0, attributes.width, attributes.height};
}

std::pair<Rect, Rect> XSession::SizeLimits(Window window) {
    XSizeHints hints{};
    long supplied = 0;
    Rect least, most;
    if (XGetWMNormalHints(display_, window, &hints, &supplied)) {
        if (hints.flags & PMinSize)
            least = {0, 0, hints.min_width, hints.min_height};
        if (hints.flags & PMaxSize)
            most = {0, 0, hints.max_width, hints.max_height};
    }
    return {least, most};
}

Clock::time_point XSession::Click(Window window, int x, int y) {
    const Rect bounds = Bounds(window);
    XTestFakeMotionEvent(display_, -1, bounds.x + x, bounds.y + y, CurrentTime);
    XTestFakeButtonEvent(display_, 1, True, CurrentTime);
    XSync(display_, False);
    XTestFakeButtonEvent(display_, 1, False, CurrentTime);
    XSync(display_, False);
    return Clock::now();
}

void XSession::Key(const std::string& keysymName) {
    const KeySym keysym = XStringToKeysym(keysymName.c_str());
    const KeyCode code = XKeysymToKeycode(display_, keysym);
    if (code == 0)
        throw Failure("no key for " + keysymName);
    XTestFakeKeyEvent(display_, code, True, CurrentTime);
    XTestFakeKeyEvent(display_, code, False, CurrentTime);
    XSync(display_, False);
}

void XSession::PrepareKeys(const std::string& text) {
    int minCode = 0, maxCode = 0;
    XDisplayKeycodes(display_, &minCode, &maxCode);
    int perCode = 0;
    KeySym* map =
        XGetKeyboardMapping(display_, static_cast<KeyCode>(minCode), maxCode - minCode + 1, &perCode);
    auto isSpare = [&](int code) {
        for (int k = 0; k < perCode; ++k) {
            if (map[(code - minCode) * perCode + k] != NoSymbol)
                return false;
        }
        return true;
    };
    int next = maxCode;
    for (const std::uint32_t cp : CodePoints(text)) {
        const auto lower = static_cast<std::uint32_t>(std::towlower(static_cast<wint_t>(cp)));
        const auto upper = static_cast<std::uint32_t>(std::towupper(static_cast<wint_t>(cp)));
        const bool known = std::any_of(bindings_.begin(), bindings_.end(),
                                       [&](const Binding& b) { return b.codePoint == cp; });
        if (known)
            continue;
        int code = 0;
        for (const Binding& b : bindings_) {
            const auto bl = static_cast<std::uint32_t>(std::towlower(static_cast<wint_t>(b.codePoint)));
            if (bl == lower)
                code = b.keycode;
        }
        if (code == 0) {
            while (next >= minCode && !isSpare(next))
                --next;
            if (next < minCode)
                throw Failure("no spare keycode for typing");
            code = next--;
            // A key like those of a real keyboard: the small letter, and the capital with Shift.
            KeySym pair[2] = {KeysymOf(lower), KeysymOf(upper)};
            XChangeKeyboardMapping(display_, code, 2, pair, 1);
        }
        bindings_.push_back({cp, code, cp != lower});
    }
    XFree(map);
    XSync(display_, False);
}

void XSession::Type(const std::string& text) {
    const KeyCode shift = XKeysymToKeycode(display_, XStringToKeysym("Shift_L"));
    for (const std::uint32_t cp : CodePoints(text)) {
        const auto found = std::find_if(bindings_.begin(), bindings_.end(),
                                        [&](const Binding& b) { return b.codePoint == cp; });
        if (found == bindings_.end())
            throw Failure("typing a character that PrepareKeys was not given");
        if (found->shift)
            XTestFakeKeyEvent(display_, shift, True, CurrentTime);
        XTestFakeKeyEvent(display_, static_cast<unsigned>(found->keycode), True, CurrentTime);
        XTestFakeKeyEvent(display_, static_cast<unsigned>(found->keycode), False, CurrentTime);
        if (found->shift)
            XTestFakeKeyEvent(display_, shift, False, CurrentTime);
        XSync(display_, False);
    }
}

void XSession::Close(Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    // With no event mask the message goes to the window's own program, as a window manager sends it.
    XSendEvent(display_, window, False, NoEventMask, &event);
    XSync(display_, False);
}

} // namespace xreal
