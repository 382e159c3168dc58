// Plays the built programs on a real X server from outside, as a person would, and checks what
// comes on screen and into the files:
//   xreal_driver fire <plamkov> <scratch folder>
//   xreal_driver memory <pexeso> <folder holding the card set>
//   xreal_driver startup <plamkov> <bare window> <text window> <runs> <folder>   (a benchmark:
//   prints figures)
// A scenario prints one line per check and exits 0 when all hold, 1 at the first that fails.
// Qt before Xlib: Xlib defines macros (Status, None) that Qt's headers use as names.
#include "fire/art/fire_pictures.h"

#include <QImage>

#include "x_session.h"

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
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

int FireScenario(const std::string& program, const std::string& folder) {
    XSession x;
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
    x.Settle(main.id, 100ms);

    // The name box has the focus with its text selected: typing replaces it.
    x.Type(name);
    x.Settle(main.id, 100ms);
    x.Click(main.id, kZapsatX, kZapsatY);
    const TopWindow scores = x.WaitShown("Hiscore", 5s);
    Require(scores.id != 0, "\"Hiscore\" is on screen after \"Zapsat\"");
    const std::string file = ReadFile(folder + "/hiscore1.dat");
    const std::string expected = ExpectedScoreFile();
    Check(file == expected, "hiscore1.dat holds the typed name in Windows-1250 at rank 1 (first bytes: " +
                                Hex(file.substr(0, 12)) + ")");

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
    // The program runs in the card set's folder, which must stay clean: its output goes elsewhere.
    const char* log = std::getenv("XREAL_LOG");
    const pid_t pid = x.Start(program, folder, log != nullptr ? log : "/dev/null");
    TopWindow game = x.WaitShown("Pexeso", kStartTimeout);
    // Before the first deal the menu bar is all there is to find: assume the usual bar height.
    const int firstMenuHeight = x.Bounds(game.id).height - (551 - 34 - 20);
    MenuCommand(x, game.id, firstMenuHeight, 1);
    const TopWindow dialog = x.WaitShown("Výběr obrázků", 5s);
    Require(dialog.id != 0, "\"Nová\" opens the dialog \"Výběr obrázků\"");
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
    bool pairFound = false, lookChecked = false;
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
        x.Click(game.id, board.CentreX(second), board.CentreY(second));
        const auto clickedSecond = Clock::now();
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

// One start of a program: from the process start (just before fork) to the MapNotify of its first
// top-level window, and to the first repaint of that window after it.
struct StartTimes {
    double mapped = 0, painted = 0;
};

StartTimes TimeStart(XSession& x, const std::string& program, const std::string& folder) {
    const auto started = Clock::now();
    const pid_t pid = x.Start(program, folder, "/dev/null");
    const auto [window, mapped] = x.WaitNextMap(kStartTimeout);
    const Repaint painted = x.WaitPaintedAfter(window, mapped, kStartTimeout);
    x.Settle(window, 50ms);
    x.Close(window);
    if (x.WaitExit(pid, kExitTimeout) != 0)
        throw Failure(program + " did not end with 0");
    return {Millis(mapped - started).count(), Millis(painted.heard - started).count()};
}

// The program and both references, started in turn so that a change in the machine's load falls
// on all three alike; medians of each.
int StartupBench(const std::vector<std::string>& programs, int runs, const std::string& folder) {
    XSession x;
    for (const std::string& program : programs)
        TimeStart(x, program, folder); // warms the file cache
    std::vector<std::vector<double>> mapped(programs.size()), painted(programs.size());
    for (int i = 0; i < runs; ++i) {
        for (std::size_t p = 0; p < programs.size(); ++p) {
            const StartTimes times = TimeStart(x, programs[p], folder);
            mapped[p].push_back(times.mapped);
            painted[p].push_back(times.painted);
        }
    }
    const char* const names[] = {"main", "bare", "text"};
    for (std::size_t p = 0; p < programs.size(); ++p) {
        std::printf("startup_%s_window_mapped %.1f ms\n", names[p], Median(mapped[p]));
        std::printf("startup_%s_window_painted %.1f ms\n", names[p], Median(painted[p]));
    }
    const double ours = Median(painted[0]);
    std::printf("startup_ratio %.2f x\n", ours / Median(painted[1]));
    std::printf("startup_ratio_text %.2f x\n", ours / Median(painted[2]));
    return 0;
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
        if (mode == "startup" && argc == 7)
            return StartupBench({argv[2], argv[3], argv[4]}, std::stoi(argv[5]), argv[6]);
    } catch (const Failure& failure) {
        std::printf("FAIL %s\n", failure.what());
        return 1;
    } catch (const std::exception& error) {
        std::printf("FAIL %s\n", error.what());
        return 1;
    }
    std::fprintf(stderr,
                 "usage: xreal_driver fire <plamkov> <folder> | memory <pexeso> <folder> | startup <plamkov> "
                 "<bare> <text> <runs> <folder>\n");
    return 2;
}
