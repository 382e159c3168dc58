// SPDX-License-Identifier: GPL-3.0-or-later
// What the real-X scenarios share: the times and places they check against, the checks that
// print a line each, and listening to the sound server.
#pragma once

#include "sound_listener.h"
#include "x_session.h"

#include <chrono>
#include <memory>
#include <string>

namespace xreal {

using namespace std::chrono_literals;

// The round ends on its 601st tick of 100 ms after the "Start" click. Written out here, not taken
// from the program's own constants, so that a wrong round length in the program shows.
inline constexpr auto kRoundLength = 60100ms;
// How far from that the end may come, measured from outside (the click and the repaint included).
inline constexpr auto kRoundTolerance = 50ms;
inline constexpr auto kStartTimeout = 20s;
inline constexpr auto kExitTimeout = 10s;
inline constexpr auto kFileTimeout = 2s;
inline constexpr auto kLook = 2000ms; // the memory game's look at an unlike pair
inline constexpr auto kLookTolerance = 150ms;
// A sound must start this soon after the click or the event that plays it.
inline constexpr auto kSoundWithin = 100ms;
// With the machine loaded (XREAL_LOADED=1, the -loaded scenarios) a sound must still be whole and
// one, but may come later: the program's own work before it plays competes with the load.
inline constexpr auto kSoundWithinLoaded = 300ms;
Clock::duration SoundWithin();
inline constexpr auto kListenerStart = 15s;
inline constexpr auto kNoiseFloorTime = 300ms;
inline constexpr auto kQuietBeforeClick = 60ms;

// Client-area places of the fire game window (its X window is its client area: no window manager).
inline constexpr int kStartX = 168 + 81 / 2, kStartY = 472 + 25 / 2;
inline constexpr int kZapsatX = 336 + 89 / 2, kZapsatY = 352 + 33 / 2;
// A point of the panels' plain face, away from every label, hotspot and button.
inline constexpr int kPlainX = 700, kPlainY = 60;

// A check that failed lets the scenario go on where it can, so one run shows every fault; the
// exit code is 1 then. Require stops the scenario, for a state nothing later could be checked in.
extern bool gFailed;
void Check(bool ok, const std::string& what);
void Require(bool ok, const std::string& what);

// Under a window manager (the "managed" scenario) every window the scenarios meet is also looked at
// as the manager shows it.
extern bool gManaged;
// The window with its frame stands wholly in the area windows may take.
void CheckOnScreen(XSession& x, const TopWindow& window, const std::string& when);
// Its X11 class is the menu entry's name, and it carries the entry's icon.
void CheckIdentity(XSession& x, const TopWindow& window, const std::string& entry, const std::string& icon);
// The folder dialog is a fixed-size modal dialog of the game's window, with a close box only.
void CheckDialog(XSession& x, const TopWindow& dialog, const TopWindow& game);

std::string ReadFile(const std::string& path);
std::string Hex(const std::string& bytes);

// Listening, when the scenario runs beside a sound server of its own (XREAL_SOUND=1); else nullptr.
std::unique_ptr<SoundListener> Listen();

// A sound's length as the listener hears it.
struct Expected {
    const char* name;
    double minMs, maxMs;
};
inline constexpr Expected kBell{"the bell", 850, 1050}, kFanfare{"the fanfare", 830, 1030},
    kChime{"the chime", 700, 900}, kWhoosh{"the whoosh", 320, 480}, kFlip{"the flip", 40, 130};
// The flip is short, and the next click waits for the quiet after it.
inline constexpr auto kFlipWindow = 300ms;
// Exactly one sound, as long as the one expected, starting within SoundWithin() after `at`.
void CheckHeard(SoundListener& ears, Clock::time_point at, Clock::duration window, const Expected& sound,
                const std::string& after, Clock::duration early = 0ms);

int FireScenario(const std::string& program, const std::string& folder);
int MemoryScenario(const std::string& program, const std::string& folder);
int FamilyScenario(const std::string& program, const std::string& folder);
int HungCloseScenario(const std::string& plamkov, const std::string& scratch, const std::string& pexeso,
                      const std::string& cardFolder);
int PhotosScenario(const std::string& program, const std::string& scratch);

} // namespace xreal
