// SPDX-License-Identifier: GPL-3.0-or-later
// Plays the built programs on a real X server from outside, as a person would, and checks what
// comes on screen and into the files:
//   xreal_driver fire <plamkov> <scratch folder>
//   xreal_driver memory <pexeso> <folder holding the card set>
//   xreal_driver family <pexeso> <folder holding the card set>   (settings in $XDG_CONFIG_HOME)
//   xreal_driver managed <plamkov> <scratch folder> <pexeso> <card set folder>   (both, under a
//       window manager: every window must also stand wholly on the screen, and the folder dialog
//       must be a fixed-size modal dialog with a close box only)
//   xreal_driver startup <plamkov> <bare window> <text window> <runs> <folder>   (a benchmark:
//   prints figures)
//   xreal_driver sound-latency <plamkov> <scratch folder> <clicks>   (a benchmark: prints figures)
//   xreal_driver hung-close <plamkov> <scratch folder> <pexeso> <card set folder>   (both closed
//       while their sound server hangs)
// A scenario prints one line per check and exits 0 when all hold, 1 at the first that fails.
// With XREAL_SOUND=1 (tests/xreal/with_pulse.sh gives a sound server) the scenarios also listen
// to the sound server's sink and check what is heard.
// Qt before Xlib: Xlib defines macros (Status, None) that Qt's headers use as names.
#include "fire/art/fire_pictures.h"

#include <QImage>

#include "scenario.h"

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <thread>

using namespace std::chrono_literals;

namespace xreal {

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
    // The table is saved by the same click that shows it, and a window manager may map the window
    // before the save is done: the file is given a moment to come.
    const std::string expected = ExpectedScoreFile();
    std::string file = ReadFile(folder + "/hiscore1.dat");
    for (const auto until = Clock::now() + kFileTimeout; file != expected && Clock::now() < until;) {
        std::this_thread::sleep_for(10ms);
        file = ReadFile(folder + "/hiscore1.dat");
    }
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
            heard += latency && *latency <= Millis(SoundWithin()).count() ? 1 : 0;
        std::string each;
        for (const auto& latency : latencies)
            each += latency ? " " + std::to_string(static_cast<int>(*latency)) + " ms" : " none";
        Check(latencies.size() == 3 && heard == 3,
              "each of 3 fires clicked is heard within " + std::to_string(int(Millis(SoundWithin()).count())) + " ms (" + each.substr(each.empty() ? 0 : 1) + ")");
    }

    x.Close(main.id);
    const auto code = x.WaitExit(pid, kExitTimeout);
    Require(code.has_value(), "closing \"Plamkov\" ends the program");
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

} // namespace xreal

using namespace xreal;

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "C.UTF-8");
    const std::string mode = argc > 1 ? argv[1] : "";
    try {
        if (mode == "fire" && argc == 4)
            return FireScenario(argv[2], argv[3]);
        if (mode == "memory" && argc == 4)
            return MemoryScenario(argv[2], argv[3]);
        if (mode == "family" && argc == 4)
            return FamilyScenario(argv[2], argv[3]);
        if (mode == "photos" && argc == 4)
            return PhotosScenario(argv[2], argv[3]);
        if (mode == "managed" && argc == 6) {
            gManaged = true;
            const int fire = FireScenario(argv[2], argv[3]);
            return MemoryScenario(argv[4], argv[5]) | fire;
        }
        if (mode == "startup" && argc == 7)
            return StartupBench({argv[2], argv[3], argv[4]}, std::stoi(argv[5]), argv[6]);
        if (mode == "hung-close" && argc == 6)
            return HungCloseScenario(argv[2], argv[3], argv[4], argv[5]);
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
                 "usage: xreal_driver fire <plamkov> <folder> | memory|family <pexeso> <folder> | photos <pexeso> "
                 "<scratch> | managed <plamkov> <folder> <pexeso> <folder> | startup <plamkov> <bare> <text> "
                 "<runs> <folder> | sound-latency <plamkov> <folder> <clicks> | hung-close <plamkov> <folder> "
                 "<pexeso> <folder>\n");
    return 2;
}
