// SPDX-License-Identifier: GPL-3.0-or-later
// Plays the built programs on a real X server from outside, as a person would, and checks what
// comes on screen and into the files:
//   xreal_driver fire <plamkov> <scratch folder>
//   xreal_driver memory <pexeso> <folder holding the card set>
//   xreal_driver managed <plamkov> <scratch folder> <pexeso> <card set folder>   (both, under a
//       window manager: every window must also stand wholly on the screen, and the folder dialog
//       must be a fixed-size modal dialog with a close box only)
//   xreal_driver startup <plamkov> <bare window program> <runs>   (a benchmark: prints figures)
//   xreal_driver sound-latency <plamkov> <scratch folder> <clicks>   (a benchmark: prints figures)
// A scenario prints one line per check and exits 0 when all hold, 1 at the first that fails.
// With XREAL_SOUND=1 (tests/xreal/with_pulse.sh gives a sound server) the scenarios also listen
// to the sound server's sink and check what is heard.
// Qt before Xlib: Xlib defines macros (Status, None) that Qt's headers use as names.
#include "fire/art/fire_pictures.h"

#include <QImage>

#include "sound_listener.h"
#include "x_session.h"

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <thread>

using namespace xreal;
using namespace std::chrono_literals;

namespace {

// The round ends on its 601st tick of 100 ms after the "Start" click. Written out here, not taken
// from the program's own constants, so that a wrong round length in the program shows.
constexpr auto kRoundLength = 60100ms;
// How far from that the end may come, measured from outside (the click and the repaint included).
constexpr auto kRoundTolerance = 50ms;
constexpr auto kStartTimeout = 20s;
constexpr auto kExitTimeout = 10s;
constexpr auto kLook = 2000ms; // the memory game's look at an unlike pair
constexpr auto kLookTolerance = 150ms;
// A sound must start this soon after the click or the event that plays it.
constexpr auto kSoundWithin = 100ms;
constexpr auto kListenerStart = 15s;
constexpr auto kNoiseFloorTime = 300ms;
constexpr auto kQuietBeforeClick = 60ms;

// Client-area places of the fire game window (its X window is its client area: no window manager).
constexpr int kStartX = 168 + 81 / 2, kStartY = 472 + 25 / 2;
constexpr int kZapsatX = 336 + 89 / 2, kZapsatY = 352 + 33 / 2;
// A point of the panels' plain face, away from every label, hotspot and button.
constexpr int kPlainX = 700, kPlainY = 60;

// A check that failed lets the scenario go on where it can, so one run shows every fault; the
// exit code is 1 then. Require stops the scenario, for a state nothing later could be checked in.
bool gFailed = false;

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

// Under a window manager (the "managed" scenario) every window the scenarios meet is also looked at
// as the manager shows it.
bool gManaged = false;

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

// The family house's background as the program decodes it, compared with the screen wherever no
// label or hotspot lies over it: a grid of points every 16 pixels, all of which must agree.
double HouseAgreement(XSession& x, Window window) {
    const QImage house = FirePicture(QStringLiteral("rd"));
    const HouseArt& art = FamilyHouseArt();
    const Pixels screen = x.Grab(window, {0, 0, art.background.width, art.background.height});
    int compared = 0, equal = 0;
    for (int py = 48; py < screen.height; py += 16) {
        for (int px = 0; px < screen.width; px += 16) {
            const bool underHotspot =
                std::any_of(art.hotspots.begin(), art.hotspots.end(), [&](const auto& h) {
                    return px >= h.left && py >= h.top && px < h.left + h.width && py < h.top + h.height;
                });
            if (underHotspot)
                continue;
            ++compared;
            if ((house.pixel(px, py) & 0xFFFFFF) == screen.At(px, py))
                ++equal;
        }
    }
    return compared > 0 ? static_cast<double>(equal) / compared : 0.0;
}

// The score file the game must leave: "Šárka" with 0 fires at rank 1 of a fresh table, in
// Windows-1250, CR LF line ends.
std::string ExpectedScoreFile() {
    std::string file = "  0\r\n\x8A\xE1rka\r\n";
    for (int row = 2; row <= 10; ++row)
        file += "        0\r\n--pr\xE1zdn\xFD--\r\n";
    return file;
}

// ---- What is heard ---------------------------------------------------------------------------

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

// Each sound's length as the listener hears it, from the committed files (the last sample above
// -60 dBFS), with room above for the null sink, which hands its monitor a few ms twice when a
// stream that ran dry starts again.
struct Expected {
    const char* name;
    double minMs, maxMs;
};
constexpr Expected kBell{"the bell", 850, 1050}, kFanfare{"the fanfare", 830, 1030},
    kChime{"the chime", 700, 900}, kWhoosh{"the whoosh", 320, 480};

// Exactly one sound in [at - early, at + window], as long as the one expected, starting no sooner
// than `early` before `at` and within kSoundWithin after it. A click's sound cannot come before the
// click; the bell is played by the same tick that puts up the panel whose repaint times the end.
void CheckHeard(SoundListener& ears, Clock::time_point at, Clock::duration window, const Expected& sound,
                const std::string& after, Clock::duration early = 0ms) {
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
    Check(startMs >= -Millis(early).count() && startMs <= Millis(kSoundWithin).count() &&
              lengthMs >= sound.minMs && lengthMs <= sound.maxMs,
          line);
}

// The family house's fire that burns, if any: a hotspot whose pixels are not the house's own.
std::optional<Rect> BurningFire(XSession& x, Window window) {
    const QImage house = FirePicture(QStringLiteral("rd"));
    for (const auto& h : FamilyHouseArt().hotspots) {
        const Pixels shown = x.Grab(window, {h.left, h.top, h.width, h.height});
        int differ = 0;
        for (int py = 0; py < h.height; py += 2) {
            for (int px = 0; px < h.width; px += 2) {
                if ((house.pixel(h.left + px, h.top + py) & 0xFFFFFF) != shown.At(px, py))
                    ++differ;
            }
        }
        if (differ * 8 > h.width * h.height / 4) // more than half the points looked at
            return Rect{h.left, h.top, h.width, h.height};
    }
    return std::nullopt;
}

// Clicks `count` fires of a round in play, each when the sound has been quiet a moment, and
// returns each click's time to the first sound heard after it (nothing when none came in 500 ms).
std::vector<std::optional<double>> ClickFires(XSession& x, Window window, SoundListener& ears, int count) {
    std::vector<std::optional<double>> latencies;
    const auto giveUp = Clock::now() + kRoundLength;
    // Until the house is on screen, every hotspot differs from it.
    while (HouseAgreement(x, window) < 0.99) {
        if (Clock::now() > giveUp)
            throw Failure("the family house never came on screen");
        x.NextRepaint(window, 100ms);
    }
    while (static_cast<int>(latencies.size()) < count && Clock::now() < giveUp) {
        const auto fire = BurningFire(x, window);
        if (!fire) {
            std::this_thread::sleep_for(20ms);
            continue;
        }
        ears.WaitQuiet(kQuietBeforeClick, 5s);
        const auto clicked = x.Click(window, fire->x + fire->width / 2, fire->y + fire->height / 2);
        const auto heard = ears.FirstSoundAfter(clicked - 20ms, 500ms);
        latencies.push_back(heard ? std::optional(Millis(*heard - clicked).count()) : std::nullopt);
        x.Settle(window, 50ms);
    }
    return latencies;
}

int FireScenario(const std::string& program, const std::string& folder) {
    XSession x;
    const std::unique_ptr<SoundListener> ears = Listen();
    const std::string name = "Šárka";
    x.PrepareKeys(name);
    const pid_t pid = x.Start(program, folder, folder + "/plamkov.log");

    const TopWindow main = x.WaitShown("Plamkov", kStartTimeout);
    std::this_thread::sleep_for(500ms); // a window that came later would be on screen by now
    const auto shown = x.Shown();
    std::string names;
    for (const TopWindow& w : shown)
        names += " \"" + w.name + "\"";
    Check(shown.size() == 1 && shown.front().name == "Plamkov",
          "exactly one window on screen, \"Plamkov\" (on screen:" + names + ")");
    CheckOnScreen(x, main, "at start");
    CheckIdentity(x, main, "cz.plamkov.Plamkov", "plamkov");
    const std::uint32_t plainFace = x.Pixel(main.id, kPlainX, kPlainY);

    // The round: from the click's release to the repaint that puts the game-over panel up.
    const auto clicked = x.Click(main.id, kStartX, kStartY);
    x.Settle(main.id, 100ms);
    const double agreement = HouseAgreement(x, main.id);
    char line[160];
    std::snprintf(line, sizeof line,
                  "the family house is on screen after \"Start\" (%.1f %% of points agree)", agreement * 100);
    Check(agreement >= 0.99, line);

    std::optional<Clock::time_point> ended;
    const auto giveUp = clicked + kRoundLength + 5s;
    while (!ended && Clock::now() < giveUp) {
        const auto repaint = x.NextRepaint(main.id, 1s);
        // Only a panel change repaints the plain point; the ticks touch labels and hotspots.
        if (repaint && repaint->area.Contains(kPlainX, kPlainY) &&
            x.Pixel(main.id, kPlainX, kPlainY) == plainFace)
            ended = repaint->heard;
    }
    Require(ended.has_value(), "the game-over panel came up");
    const double roundMs = Millis(*ended - clicked).count();
    const double errorMs = roundMs - Millis(kRoundLength).count();
    std::snprintf(line, sizeof line, "the round ended %.1f ms after the click (%+.1f ms from %.0f ms)",
                  roundMs, errorMs, Millis(kRoundLength).count());
    Check(std::abs(errorMs) <= Millis(kRoundTolerance).count(), line);
    if (ears) {
        const auto heard = ears->HeardBetween(clicked, *ended - kSoundWithin);
        Check(heard.empty(), "the minute with no clicks is silent until its end (sounds heard: " +
                                 std::to_string(heard.size()) + ")");
        CheckHeard(*ears, *ended, 1500ms, kBell, "the round's end", kSoundWithin);
    }
    x.Settle(main.id, 100ms);

    // The name box has the focus with its text selected: typing replaces it.
    x.Type(name);
    x.Settle(main.id, 100ms);
    if (ears)
        ears->WaitQuiet(kQuietBeforeClick, 5s);
    const auto written = x.Click(main.id, kZapsatX, kZapsatY);
    const TopWindow scores = x.WaitShown("Hiscore", 5s);
    Require(scores.id != 0, "\"Hiscore\" is on screen after \"Zapsat\"");
    CheckOnScreen(x, scores, "");
    const std::string file = ReadFile(folder + "/hiscore1.dat");
    const std::string expected = ExpectedScoreFile();
    Check(file == expected, "hiscore1.dat holds the typed name in Windows-1250 at rank 1 (first bytes: " +
                                Hex(file.substr(0, 12)) + ")");
    if (ears) {
        CheckHeard(*ears, written, 1500ms, kFanfare, "the score is written");
        // A second round, fires clicked: the table goes away first, as it may lie over "Start".
        x.Close(scores.id);
        x.Settle(main.id, 100ms);
        x.Click(main.id, kStartX, kStartY);
        int heard = 0;
        const auto latencies = ClickFires(x, main.id, *ears, 3);
        for (const auto& latency : latencies)
            heard += latency && *latency <= Millis(kSoundWithin).count() ? 1 : 0;
        std::string each;
        for (const auto& latency : latencies)
            each += latency ? " " + std::to_string(static_cast<int>(*latency)) + " ms" : " none";
        Check(latencies.size() == 3 && heard == 3,
              "each of 3 fires clicked is heard within 100 ms (" + each.substr(each.empty() ? 0 : 1) + ")");
    }

    x.Close(main.id);
    const auto code = x.WaitExit(pid, kExitTimeout);
    Require(code.has_value(), "closing \"Plamkov\" ends the program");
    Check(*code == 0, "the exit code is 0 (it is " + std::to_string(*code) + ")");
    return gFailed ? 1 : 0;
}

// ---- The memory game -------------------------------------------------------------------------

constexpr int kCardSize = 70, kCardStep = 74, kCardMargin = 2, kRows = 5, kColumns = 8;
constexpr int kCards = kRows * kColumns;
// The dialog's "OK" button, in its client area.
constexpr int kOkX = 144 + 75 / 2, kOkY = 360 + 25 / 2;
// The board window's client height: its layout height 430 less the frame (34) and the layout's menu
// bar (20); the menu bar we draw sits above it at its own height.
constexpr int kBoardClientHeight = 430 - 34 - 20;

struct Board {
    Window window;
    int menuHeight;
    Rect Card(int index) const { // 1 to 40 in reading order
        const int row = (index - 1) / kColumns, column = (index - 1) % kColumns;
        return {kCardStep * column + kCardMargin, menuHeight + kCardStep * row + kCardMargin, kCardSize,
                kCardSize};
    }
    int CentreX(int index) const { return Card(index).x + kCardSize / 2; }
    int CentreY(int index) const { return Card(index).y + kCardSize / 2; }
};

// Opens the menu "Hra" and picks its n-th command (1 "Nová", 2 "Nastavení", 3 "Konec").
void MenuCommand(XSession& x, Window window, int menuHeight, int command) {
    x.Click(window, 16, menuHeight / 2);
    x.WaitNextMap(3s);
    std::this_thread::sleep_for(100ms);
    for (int i = 0; i < command; ++i)
        x.Key("Down");
    x.Key("Return");
}

int MemoryScenario(const std::string& program, const std::string& folder) {
    XSession x;
    const std::unique_ptr<SoundListener> ears = Listen();
    // The program runs in the card set's folder, which must stay clean: its output goes elsewhere.
    const char* log = std::getenv("XREAL_LOG");
    const pid_t pid = x.Start(program, folder, log != nullptr ? log : "/dev/null");
    TopWindow game = x.WaitShown("Pexeso", kStartTimeout);
    CheckOnScreen(x, game, "before the first deal");
    CheckIdentity(x, game, "cz.plamkov.Pexeso", "pexeso");
    // Before the first deal the menu bar is all there is to find: assume the usual bar height.
    const int firstMenuHeight = x.Bounds(game.id).height - (551 - 34 - 20);
    MenuCommand(x, game.id, firstMenuHeight, 1);
    const TopWindow dialog = x.WaitShown("Výběr obrázků", 5s);
    Require(dialog.id != 0, "\"Nová\" opens the dialog \"Výběr obrázků\"");
    CheckDialog(x, dialog, game);
    x.Click(dialog.id, kOkX, kOkY);
    x.Settle(game.id, 300ms);

    const Board board{game.id, x.Bounds(game.id).height - kBoardClientHeight};
    std::vector<Pixels> backs;
    for (int k = 1; k <= kCards; ++k)
        backs.push_back(x.Grab(game.id, board.Card(k)));
    const Pixels& back = backs.front();
    const bool allBacks = std::all_of(backs.begin(), backs.end(), [&](const Pixels& p) { return p == back; });
    const bool notBlank =
        std::any_of(back.rgb.begin(), back.rgb.end(), [&](auto c) { return c != back.rgb[0]; });
    Require(allBacks && notBlank, "\"OK\" deals a board of 40 alike card backs");
    CheckOnScreen(x, game, "after the deal");

    // Turn cards two at a time, remembering every face seen, until a pair is known; then turn it.
    std::vector<std::optional<Pixels>> faces(kCards + 1);
    auto turn = [&](int k) {
        x.Click(game.id, board.CentreX(k), board.CentreY(k));
        x.Settle(game.id, 80ms);
        return x.Grab(game.id, board.Card(k));
    };
    auto knownPartner = [&](const Pixels& face, int self) {
        for (int k = 1; k <= kCards; ++k) {
            if (k != self && faces[static_cast<std::size_t>(k)] &&
                *faces[static_cast<std::size_t>(k)] == face)
                return k;
        }
        return 0;
    };
    // Until a pair has left the board and an unlike pair has had its look, each turn takes a pair
    // already seen if there is one, else a card not yet seen and, second, its seen partner or
    // another card not yet seen.
    bool pairFound = false, lookChecked = false, whooshChecked = false;
    int next = 1;
    auto unseen = [&] {
        if (next > kCards)
            throw Failure("every card was turned without finding a pair and a look");
        return next++;
    };
    auto faceOf = [&](int k) -> std::optional<Pixels>& { return faces[static_cast<std::size_t>(k)]; };
    while (!(pairFound && lookChecked)) {
        int first = 0, second = 0;
        for (int k = 1; k <= kCards && first == 0 && !pairFound; ++k) {
            if (faceOf(k)) {
                if (const int partner = knownPartner(*faceOf(k), k)) {
                    first = k;
                    second = partner;
                }
            }
        }
        if (first == 0)
            first = unseen();
        const Pixels firstFace = turn(first);
        Require(firstFace != back, "card " + std::to_string(first) + " turns face up");
        faceOf(first) = firstFace;
        if (second == 0 && !pairFound)
            second = knownPartner(firstFace, first);
        if (second == 0)
            second = unseen();
        if (ears)
            ears->WaitQuiet(kQuietBeforeClick, 5s); // the first card's flip has died away
        const auto clickedSecond = x.Click(game.id, board.CentreX(second), board.CentreY(second));
        x.Settle(game.id, 80ms);
        const Pixels firstAfter = x.Grab(game.id, board.Card(first));
        const Pixels secondAfter = x.Grab(game.id, board.Card(second));
        const std::string cards = "cards " + std::to_string(first) + " and " + std::to_string(second);
        if (firstAfter != firstFace) {
            // Not face up any more: a pair, taken off the board at once, showing the window beneath.
            Check(firstAfter != back && secondAfter != back,
                  cards + " are a pair: both leave the board at once");
            faceOf(first).reset();
            faceOf(second).reset();
            if (ears && !pairFound)
                CheckHeard(*ears, clickedSecond, 1200ms, kChime, "a pair is found");
            pairFound = true;
            continue;
        }
        Check(secondAfter != back, cards + " differ: both stay face up");
        faceOf(second) = secondAfter;
        if (!lookChecked && next <= kCards) {
            // During the look a press on a face-down card turns nothing.
            const int other = next;
            x.Click(game.id, board.CentreX(other), board.CentreY(other));
            std::this_thread::sleep_for(150ms);
            Check(x.Grab(game.id, board.Card(other)) == back,
                  "a press during the look leaves card " + std::to_string(other) + " face down");
            lookChecked = true;
        }
        // The look ends when the first card shows its back again.
        while (x.Grab(game.id, board.Card(first)) != back) {
            if (!x.NextRepaint(game.id, 5s))
                throw Failure("the look never ended");
        }
        const double lookMs = Millis(Clock::now() - clickedSecond).count();
        char line[120];
        std::snprintf(line, sizeof line, "the look lasted %.0f ms, then both cards turned back", lookMs);
        Check(std::abs(lookMs - Millis(kLook).count()) <= Millis(kLookTolerance).count() &&
                  x.Grab(game.id, board.Card(second)) == back,
              line);
        if (ears && !whooshChecked) {
            CheckHeard(*ears, clickedSecond + kLook, 800ms, kWhoosh, "the look ends");
            whooshChecked = true;
        }
    }

    MenuCommand(x, game.id, board.menuHeight, 3);
    const auto code = x.WaitExit(pid, kExitTimeout);
    Require(code.has_value(), "\"Konec\" ends the program");
    Check(*code == 0, "the exit code is 0 (it is " + std::to_string(*code) + ")");
    return gFailed ? 1 : 0;
}

// ---- Start-up benchmark ----------------------------------------------------------------------

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Process start (just before fork) to the MapNotify of its first top-level window.
double TimeToMap(XSession& x, const std::string& program, const std::string& folder) {
    const auto started = Clock::now();
    const pid_t pid = x.Start(program, folder, "/dev/null");
    const auto [window, mapped] = x.WaitNextMap(kStartTimeout);
    x.Settle(window, 50ms);
    x.Close(window);
    if (x.WaitExit(pid, kExitTimeout) != 0)
        throw Failure(program + " did not end with 0");
    return Millis(mapped - started).count();
}

int StartupBench(const std::string& program, const std::string& bare, int runs, const std::string& folder) {
    XSession x;
    std::vector<double> ours, reference;
    TimeToMap(x, program, folder); // warms the file cache
    TimeToMap(x, bare, folder);
    for (int i = 0; i < runs; ++i) {
        ours.push_back(TimeToMap(x, program, folder));
        reference.push_back(TimeToMap(x, bare, folder));
    }
    const double a = Median(ours), b = Median(reference);
    std::printf("startup_main_window_mapped %.1f ms\n", a);
    std::printf("startup_bare_window_mapped %.1f ms\n", b);
    std::printf("startup_ratio %.2f x\n", a / b);
    return 0;
}

// Click to the first sound heard, over many fires of real rounds, beside a sound server.
int SoundLatencyBench(const std::string& program, const std::string& folder, int clicks) {
    XSession x;
    const std::unique_ptr<SoundListener> ears = Listen();
    if (!ears)
        throw Failure("sound-latency needs XREAL_SOUND=1 and a sound server (tests/xreal/with_pulse.sh)");
    const pid_t pid = x.Start(program, folder, "/dev/null");
    const TopWindow main = x.WaitShown("Plamkov", kStartTimeout);
    std::vector<double> heard;
    int missed = 0;
    while (static_cast<int>(heard.size()) + missed < clicks) {
        x.Click(main.id, kStartX, kStartY);
        x.Settle(main.id, 100ms);
        for (const auto& latency :
             ClickFires(x, main.id, *ears, clicks - static_cast<int>(heard.size()) - missed)) {
            if (latency)
                heard.push_back(*latency);
            else
                ++missed;
        }
        // A round that ended before all were clicked: its table, then a new round.
        if (static_cast<int>(heard.size()) + missed < clicks) {
            std::this_thread::sleep_for(1s); // the game-over panel
            x.Click(main.id, kZapsatX, kZapsatY);
            x.Close(x.WaitShown("Hiscore", 5s).id);
            x.Settle(main.id, 100ms);
        }
    }
    x.Close(main.id);
    x.WaitExit(pid, kExitTimeout);
    if (heard.empty())
        throw Failure("no click was heard");
    std::printf("sound_click_to_audible_median %.1f ms\n", Median(heard));
    std::printf("sound_click_to_audible_worst %.1f ms\n", *std::max_element(heard.begin(), heard.end()));
    std::printf("sound_clicks_heard %zu of %d\n", heard.size(), clicks);
    return missed == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "C.UTF-8");
    const std::string mode = argc > 1 ? argv[1] : "";
    try {
        if (mode == "fire" && argc == 4)
            return FireScenario(argv[2], argv[3]);
        if (mode == "memory" && argc == 4)
            return MemoryScenario(argv[2], argv[3]);
        if (mode == "managed" && argc == 6) {
            gManaged = true;
            const int fire = FireScenario(argv[2], argv[3]);
            return MemoryScenario(argv[4], argv[5]) | fire;
        }
        if (mode == "startup" && argc == 6)
            return StartupBench(argv[2], argv[3], std::stoi(argv[4]), argv[5]);
        if (mode == "sound-latency" && argc == 5)
            return SoundLatencyBench(argv[2], argv[3], std::stoi(argv[4]));
    } catch (const Failure& failure) {
        std::printf("FAIL %s\n", failure.what());
        return 1;
    } catch (const std::exception& error) {
        std::printf("FAIL %s\n", error.what());
        return 1;
    }
    std::fprintf(stderr,
                 "usage: xreal_driver fire <plamkov> <folder> | memory <pexeso> <folder> | managed <plamkov> "
                 "<folder> <pexeso> <folder> | startup <plamkov> <bare> <runs> <folder> | sound-latency "
                 "<plamkov> <folder> <clicks>
");
    return 2;
}
