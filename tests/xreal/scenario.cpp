// SPDX-License-Identifier: GPL-3.0-or-later
// The checks the real-X scenarios share, and listening to the sound server.
// Qt before Xlib: Xlib defines macros (Status, None) that Qt's headers use as names.
#include <QImage>

#include "scenario.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace xreal {

bool gFailed = false;
bool gManaged = false;

void Check(bool ok, const std::string& what) {
    std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
    std::fflush(stdout);
    gFailed = gFailed || !ok;
}

void Require(bool ok, const std::string& what) {
    if (!ok)
        throw Failure(what);
    Check(true, what);
}

bool Holds(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

std::string Joined(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& name : names)
        out += (out.empty() ? "" : " ") + name;
    return out;
}

// The window with its frame stands wholly in the area windows may take.
void CheckOnScreen(XSession& x, const TopWindow& window, const std::string& when) {
    if (!gManaged)
        return;
    const Rect frame = x.Frame(window.id), area = x.WorkArea();
    Check(frame.Inside(area), "\"" + window.name + "\"" + (when.empty() ? "" : " " + when) +
                                  " stands wholly on the screen (frame " + frame.Text() + ", screen " +
                                  area.Text() + ")");
}

// The desktop knows the window by its program's menu entry: its X11 class is the entry's name, and it
// carries the program's icon (compared at 32 x 32 with the icon the entry names).
void CheckIdentity(XSession& x, const TopWindow& window, const std::string& entry, const std::string& icon) {
    if (!gManaged)
        return;
    const auto [instance, windowClass] = x.Class(window.id);
    Check(windowClass == entry, "\"" + window.name + "\" has the X11 class " + entry + " (it is \"" +
                                    windowClass + "\", instance \"" + instance + "\")");
    const QImage png =
        QImage(QString::fromStdString(std::string(PLAMKOV_ICONS_DIR) + "/32x32/apps/" + icon + ".png"))
            .convertToFormat(QImage::Format_ARGB32);
    const Pixels shown = x.Icon(window.id, 32);
    // Compared premultiplied: the window system holds the icon so, which rounds the colours of
    // pixels that are partly transparent and drops those of the wholly transparent ones.
    auto premultiplied = [](std::uint32_t argb, int shift) {
        return static_cast<int>(((argb >> shift) & 0xFF) * (argb >> 24) / 255);
    };
    std::string differs = png.isNull() ? " (cannot read it)" : shown.width != 32 ? " (no 32 x 32 icon)" : "";
    for (int py = 0; differs.empty() && py < 32; ++py) {
        for (int px = 0; differs.empty() && px < 32; ++px) {
            const std::uint32_t want = png.pixel(px, py), got = shown.At(px, py);
            bool same = (want >> 24) == (got >> 24);
            for (int shift = 0; same && shift < 24; shift += 8)
                same = std::abs(premultiplied(want, shift) - premultiplied(got, shift)) <= 2;
            if (!same) {
                char at[80];
                std::snprintf(at, sizeof at, " (at %d, %d: %08X, not %08X)", px, py, got, want);
                differs = at;
            }
        }
    }
    Check(differs.empty(), "\"" + window.name + "\" carries the icon " + icon + ".png" + differs);
}

// The folder dialog as the window manager sees it: a modal dialog of fixed size, transient for the
// game's window, that asks for a close box and no minimise or maximise box. Openbox draws no
// maximise box for a fixed size, but gives every dialog a minimise box whatever it asks for; being
// transient for the game, the dialog then takes the game's window down with it, never leaving the
// game blocked behind a hidden dialog.
void CheckDialog(XSession& x, const TopWindow& dialog, const TopWindow& game) {
    if (!gManaged)
        return;
    CheckOnScreen(x, dialog, "");
    const std::vector<std::string> type = x.AtomNames(dialog.id, "_NET_WM_WINDOW_TYPE");
    Check(!type.empty() && type.front() == "_NET_WM_WINDOW_TYPE_DIALOG",
          "the folder dialog is a dialog (type: " + Joined(type) + ")");
    const std::vector<std::string> state = x.AtomNames(dialog.id, "_NET_WM_STATE");
    Check(Holds(state, "_NET_WM_STATE_MODAL"), "the folder dialog is modal (state: " + Joined(state) + ")");
    const std::vector<long> owner = x.Cardinals(dialog.id, "WM_TRANSIENT_FOR");
    Check(!owner.empty() && static_cast<Window>(owner.front()) == game.id,
          "the folder dialog is transient for the \"Pexeso\" window");
    const auto [least, most] = x.SizeLimits(dialog.id);
    const Rect bounds = x.Bounds(dialog.id);
    Check(least.width == bounds.width && least.height == bounds.height && most.width == bounds.width &&
              most.height == bounds.height,
          "the folder dialog has a fixed size (" + bounds.Text() + ", from " + least.Text() + " to " +
              most.Text() + ")");
    // Motif hints: flags, functions (close 32, minimise 8, maximise 16), decorations (minimise 32,
    // maximise 64).
    const std::vector<long> motif = x.Cardinals(dialog.id, "_MOTIF_WM_HINTS");
    Check(motif.size() >= 3 && (motif[1] & 32) != 0 && (motif[1] & (8 | 16)) == 0 &&
              (motif[2] & (32 | 64)) == 0,
          "the folder dialog asks for a close box and neither a minimise nor a maximise box");
    const std::vector<std::string> actions = x.AtomNames(dialog.id, "_NET_WM_ALLOWED_ACTIONS");
    Check(
        Holds(actions, "_NET_WM_ACTION_CLOSE") && !Holds(actions, "_NET_WM_ACTION_MAXIMIZE_HORZ") &&
            !Holds(actions, "_NET_WM_ACTION_MAXIMIZE_VERT") && !Holds(actions, "_NET_WM_ACTION_RESIZE"),
        "the window manager gives the folder dialog a close box, no maximise box and no resizing (allowed: " +
            Joined(actions) + ")");
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::string Hex(const std::string& bytes) {
    std::string out;
    char buf[4];
    for (unsigned char c : bytes) {
        std::snprintf(buf, sizeof buf, "%02X ", c);
        out += buf;
    }
    return out;
}

// ---- What is heard ---------------------------------------------------------------------------

Clock::duration SoundWithin() {
    const char* loaded = std::getenv("XREAL_LOADED");
    return loaded != nullptr && std::string(loaded) == "1" ? Clock::duration(kSoundWithinLoaded)
                                                           : Clock::duration(kSoundWithin);
}

// Listening, when the scenario runs beside a sound server of its own.
std::unique_ptr<SoundListener> Listen() {
    const char* sound = std::getenv("XREAL_SOUND");
    if (sound == nullptr || std::string(sound) != "1")
        return nullptr;
    auto ears = std::make_unique<SoundListener>();
    ears->WaitReady(kListenerStart, kNoiseFloorTime);
    std::printf("     listening to the sound server (noise floor threshold %d)\n", ears->Threshold());
    return ears;
}

// Exactly one sound in [at - early, at + window], as long as the one expected, starting no sooner
// than `early` before `at` and within SoundWithin() after it. A click's sound cannot come before the
// click; the bell is played by the same tick that puts up the panel whose repaint times the end.
void CheckHeard(SoundListener& ears, Clock::time_point at, Clock::duration window, const Expected& sound,
                const std::string& after, Clock::duration early) {
    const auto heard = ears.HeardBetween(at - early - 20ms, at + window);
    char line[200];
    if (heard.size() != 1) {
        std::snprintf(line, sizeof line, "%s is heard after %s (heard %zu sounds)", sound.name, after.c_str(),
                      heard.size());
        Check(false, line);
        return;
    }
    const double startMs = Millis(heard[0].arrived - at).count(), lengthMs = heard[0].Millis();
    std::snprintf(line, sizeof line, "%s is heard %.1f ms after %s, for %.0f ms", sound.name, startMs,
                  after.c_str(), lengthMs);
    Check(startMs >= -Millis(early).count() && startMs <= Millis(SoundWithin()).count() &&
              lengthMs >= sound.minMs && lengthMs <= sound.maxMs,
          line);
}

} // namespace xreal
