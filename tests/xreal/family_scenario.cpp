// SPDX-License-Identifier: GPL-3.0-or-later
// The family game played on a real X server, to its end: with no settings file, one child on 20
// cards; with XREAL_FAMILY_COMPUTER=1 (run.sh writes the settings: "Ája", the computer at "mistr",
// 12 cards) a child against the computer, the turn passing after a miss and kept after a pair,
// presses dropped during the computer's turns. Then the end panel: its "Konec" after the first game,
// "Hrát znovu" and the menu's "Konec" after the second.
#include "scenario.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <thread>

namespace xreal {

namespace {

// The family board's layout, written out here rather than taken from the program, so that a wrong
// layout in the program shows: rows × columns cards as large as the area allows, at most 160 px.
constexpr int kMargin = 8, kGap = 8, kStrip = 64, kLargest = 160;
// Player 1's colour and the computer's, as the turn label draws the name.
constexpr std::uint32_t kChildColour = 0xd32f2f, kComputerColour = 0x6a1b9a;

struct FamilyBoard {
    int rows = 0, columns = 0;
    int size = 0, clientWidth = 0, clientHeight = 0, menuHeight = 0;
    int Cards() const { return rows * columns; }
    Rect Card(int index) const {
        const int row = (index - 1) / columns, column = (index - 1) % columns;
        const int boardWidth = 2 * kMargin + columns * size + (columns - 1) * kGap;
        const int offset = (clientWidth - boardWidth) / 2;
        return {offset + kMargin + column * (size + kGap), menuHeight + kMargin + row * (size + kGap), size,
                size};
    }
    Rect TurnLabel() const { return {kMargin, menuHeight + clientHeight - kStrip + 4, 300, 36}; }
};

FamilyBoard Layout(XSession& x, Window window, int rows, int columns) {
    const Rect area = x.WorkArea();
    FamilyBoard board;
    board.rows = rows;
    board.columns = columns;
    const int byWidth = (area.width - 24 - 2 * kMargin - (columns - 1) * kGap) / columns;
    const int byHeight = (area.height - 78 - kStrip - 2 * kMargin - (rows - 1) * kGap) / rows;
    board.size = std::clamp(std::min(byWidth, byHeight), 48, kLargest);
    board.clientWidth = std::max(2 * kMargin + columns * board.size + (columns - 1) * kGap, 380);
    board.clientHeight = 2 * kMargin + rows * board.size + (rows - 1) * kGap + kStrip;
    board.menuHeight = x.Bounds(window).height - board.clientHeight;
    return board;
}

bool Shows(const Pixels& pixels, std::uint32_t colour) {
    return std::find(pixels.rgb.begin(), pixels.rgb.end(), colour) != pixels.rgb.end();
}

enum class Turn { Child, Computer, Neither };

Turn WhoseTurn(XSession& x, Window window, const FamilyBoard& board) {
    const Pixels label = x.Grab(window, board.TurnLabel());
    return Shows(label, kChildColour)      ? Turn::Child
           : Shows(label, kComputerColour) ? Turn::Computer
                                           : Turn::Neither;
}

void MenuCommand(XSession& x, Window window, int menuHeight, int command) {
    x.Click(window, 16, menuHeight / 2);
    x.WaitNextMap(3s);
    std::this_thread::sleep_for(100ms);
    for (int i = 0; i < command; ++i)
        x.Key("Down");
    x.Key("Return");
}

// A game played to its end: the child remembers every face seen and takes a pair it knows, else a
// card it has not seen; the computer, if it plays, takes its own turns. Checks the turn's passing
// and keeping, presses dropped during the computer's turns, then the end panel and its buttons.
int PlayToTheEnd(XSession& x, pid_t pid, const TopWindow& game, int rows, int columns, bool computer) {
    // The child alone ends with the panel's "Konec"; against the computer, plays again first.
    const bool playAgain = computer;
    const FamilyBoard board = Layout(x, game.id, rows, columns);
    const int cards = board.Cards();
    Check(board.size >= 100, std::to_string(cards) + " large cards (" + std::to_string(board.size) + " px)");
    const auto grabCard = [&](int k) { return x.Grab(game.id, board.Card(k)); };
    const auto centre = [&](int k) {
        return std::make_pair(board.Card(k).x + board.size / 2, board.Card(k).y + board.size / 2);
    };
    const Pixels back = grabCard(1);
    const auto faceDown = [&] {
        std::vector<int> down;
        for (int k = 1; k <= cards; ++k) {
            if (grabCard(k) == back)
                down.push_back(k);
        }
        return down;
    };
    Require(static_cast<int>(faceDown().size()) == cards,
            "pexeso deals " + std::to_string(cards) + " alike backs at once, with no dialog");
    Require(WhoseTurn(x, game.id, board) == Turn::Child, "the child's name shows, in her colour: her turn");

    std::map<int, Pixels> seen; // the faces the child has seen, by card
    const auto partnerOf = [&](const Pixels& face, int self, const std::vector<int>& down) {
        for (const int k : down) {
            if (k != self && seen.count(k) != 0 && seen.at(k) == face)
                return k;
        }
        return 0;
    };
    bool missChecked = false, pairChecked = false, computerPlayed = false, droppedChecked = false;
    const auto deadline = Clock::now() + 150s;
    for (;;) {
        if (Clock::now() > deadline)
            throw Failure("the game did not end within 150 s");
        const std::vector<int> down = faceDown();
        if (down.empty())
            break;
        const Turn turn = WhoseTurn(x, game.id, board);
        if (turn == Turn::Computer) {
            computerPlayed = true;
            if (!droppedChecked) {
                // A press on the board while the computer plays turns nothing.
                const auto [px, py] = centre(down.back());
                x.Click(game.id, px, py);
                std::this_thread::sleep_for(150ms);
                Check(grabCard(down.back()) == back || WhoseTurn(x, game.id, board) == Turn::Computer,
                      "a press during the computer's turn is dropped");
                droppedChecked = true;
            }
            // Its faces are seen as a child would see them.
            for (const int k : down) {
                const Pixels now = grabCard(k);
                if (now != back)
                    seen[k] = now;
            }
            x.NextRepaint(game.id, 3s);
            continue;
        }
        if (turn != Turn::Child || down.size() < 2) {
            x.NextRepaint(game.id, 3s);
            continue;
        }
        int first = 0, second = 0;
        for (const int k : down) {
            if (first == 0 && seen.count(k) != 0 && partnerOf(seen.at(k), k, down) != 0) {
                first = k;
                second = partnerOf(seen.at(k), k, down);
            }
        }
        for (const int k : down) {
            if (first == 0 && seen.count(k) == 0)
                first = k;
        }
        if (first == 0)
            first = down[0];
        const auto [fx, fy] = centre(first);
        x.Click(game.id, fx, fy);
        x.Settle(game.id, 80ms);
        const Pixels firstFace = grabCard(first);
        seen[first] = firstFace;
        if (second == 0)
            second = partnerOf(firstFace, first, down);
        for (const int k : down) {
            if (second == 0 && k != first && seen.count(k) == 0)
                second = k;
        }
        if (second == 0)
            second = down[0] != first ? down[0] : down[1];
        const auto [sx, sy] = centre(second);
        x.Click(game.id, sx, sy);
        x.Settle(game.id, 80ms);
        if (grabCard(first) != firstFace) { // a pair: gone at once
            seen.erase(first);
            seen.erase(second);
            if (computer && !pairChecked)
                Check(WhoseTurn(x, game.id, board) == Turn::Child, "after a pair the child keeps the turn");
            pairChecked = true;
            continue;
        }
        seen[second] = grabCard(second);
        std::this_thread::sleep_for(kLook + 300ms);
        x.Settle(game.id, 100ms);
        if (computer && !missChecked)
            Check(WhoseTurn(x, game.id, board) == Turn::Computer,
                  "after a miss the turn passes to the computer");
        missChecked = true;
    }
    if (computer)
        Check(computerPlayed, "the computer took turns of its own");
    x.Settle(game.id, 300ms);

    // The end panel, centred over the board: its face covers the middle, with "Hrát znovu" at its
    // lower left.
    const int panelWidth = std::min(board.clientWidth - 2 * kMargin, 460);
    const int panelLeft = (board.clientWidth - panelWidth) / 2;
    const int panelTop = board.menuHeight + std::max((board.clientHeight - kStrip - 190) / 2, 0);
    const Pixels panel = x.Grab(game.id, {panelLeft + 10, panelTop + 10, panelWidth - 20, 50});
    Check(std::any_of(panel.rgb.begin(), panel.rgb.end(), [&](auto c) { return c != panel.rgb[0]; }),
          "the end panel shows its text");
    if (playAgain) {
        x.Click(game.id, panelLeft + panelWidth / 2 - 80, panelTop + 144);
        x.Settle(game.id, 300ms);
        Check(static_cast<int>(faceDown().size()) == cards,
              "\"Hrát znovu\" deals " + std::to_string(cards) + " backs again");
        MenuCommand(x, game.id, board.menuHeight, 4); // "Konec"
    } else {
        x.Click(game.id, panelLeft + panelWidth / 2 + 80, panelTop + 144); // the panel's "Konec"
    }
    const auto code = x.WaitExit(pid, kExitTimeout);
    Require(code.has_value(), "\"Konec\" ends the program");
    Check(*code == 0, "the exit code is 0");
    return gFailed ? 1 : 0;
}

} // namespace

int FamilyScenario(const std::string& program, const std::string& folder) {
    XSession x;
    const char* log = std::getenv("XREAL_LOG");
    const char* computer = std::getenv("XREAL_FAMILY_COMPUTER");
    const bool withComputer = computer != nullptr && std::string(computer) == "1";
    const pid_t pid = x.Start(program, folder, log != nullptr ? log : "/dev/null");
    const TopWindow game = x.WaitShown("Pexeso", kStartTimeout);
    CheckOnScreen(x, game, "with the family board");
    // With no settings file, one player on 20 cards (4 × 5); the computer's game is on 12 (3 × 4).
    return withComputer ? PlayToTheEnd(x, pid, game, 3, 4, true) : PlayToTheEnd(x, pid, game, 4, 5, false);
}

} // namespace xreal
