// SPDX-License-Identifier: GPL-3.0-or-later
// The memory game played on a real X server: a deal through the folder dialog, a pair, an unlike
// pair and its look, and "Konec".
#include "scenario.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace xreal {

namespace {

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

// Opens the menu "Hra" and picks its n-th command (pexeso's: 1 "Nová", 2 "Karty z fotek…",
// 3 "Nastavení", 4 "Konec").
void MenuCommand(XSession& x, Window window, int menuHeight, int command) {
    x.Click(window, 16, menuHeight / 2);
    x.WaitNextMap(3s);
    std::this_thread::sleep_for(100ms);
    for (int i = 0; i < command; ++i)
        x.Key("Down");
    x.Key("Return");
}

} // namespace

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
    // Every card turned face up is heard: the flip, at once and whole.
    const auto flipHeard = [&](Clock::time_point clicked, int k) {
        if (ears)
            CheckHeard(*ears, clicked, kFlipWindow, kFlip, "card " + std::to_string(k) + " is turned");
    };
    auto turn = [&](int k) {
        if (ears)
            ears->WaitQuiet(kQuietBeforeClick, 5s);
        const auto clicked = x.Click(game.id, board.CentreX(k), board.CentreY(k));
        x.Settle(game.id, 80ms);
        flipHeard(clicked, k);
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
        flipHeard(clickedSecond, second);
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
        } else if (ears) {
            // The whoosh may not have reached the recording yet: quiet is only quiet after it.
            std::this_thread::sleep_for(kSoundWithin);
            ears->WaitQuiet(kQuietBeforeClick, 5s);
        }
    }

    MenuCommand(x, game.id, board.menuHeight, 4);
    const auto code = x.WaitExit(pid, kExitTimeout);
    Require(code.has_value(), "\"Konec\" ends the program");
    Check(*code == 0, "the exit code is 0 (it is " + std::to_string(*code) + ")");
    return gFailed ? 1 : 0;
}

} // namespace xreal
