// SPDX-License-Identifier: GPL-3.0-or-later
// The family game played on a real X server: a child against the computer on a 12-card board, the
// turn passing after a miss and kept after a pair, the computer's turns with presses dropped, the
// end panel, "Hrát znovu" and "Konec". The settings file (one player "Ája", the computer at
// "mistr", 12 cards) is written by run.sh.
#include "scenario.h"

#include <algorithm>
#include <cstdlib>
#include <thread>

namespace xreal {

namespace {

// The family board's layout, written out here rather than taken from the program, so that a wrong
// layout in the program shows: 3 × 4 cards as large as the area allows, at most 160 px.
constexpr int kRows = 3, kColumns = 4, kCards = kRows * kColumns;
constexpr int kMargin = 8, kGap = 8, kStrip = 64, kLargest = 160;
// Player 1's colour and the computer's, as the turn label draws the name.
constexpr std::uint32_t kChildColour = 0xd32f2f, kComputerColour = 0x6a1b9a;

struct FamilyBoard {
    int size = 0, clientWidth = 0, clientHeight = 0, menuHeight = 0;
    Rect Card(int index) const {
        const int row = (index - 1) / kColumns, column = (index - 1) % kColumns;
        const int boardWidth = 2 * kMargin + kColumns * size + (kColumns - 1) * kGap;
        const int offset = (clientWidth - boardWidth) / 2;
        return {offset + kMargin + column * (size + kGap), menuHeight + kMargin + row * (size + kGap), size,
                size};
    }
    Rect TurnLabel() const { return {kMargin, menuHeight + clientHeight - kStrip + 4, 300, 36}; }
};

FamilyBoard Layout(XSession& x, Window window) {
    const Rect area = x.WorkArea();
    FamilyBoard board;
    const int byWidth = (area.width - 24 - 2 * kMargin - (kColumns - 1) * kGap) / kColumns;
    const int byHeight = (area.height - 78 - kStrip - 2 * kMargin - (kRows - 1) * kGap) / kRows;
    board.size = std::clamp(std::min(byWidth, byHeight), 48, kLargest);
    board.clientWidth = std::max(2 * kMargin + kColumns * board.size + (kColumns - 1) * kGap, 380);
    board.clientHeight = 2 * kMargin + kRows * board.size + (kRows - 1) * kGap + kStrip;
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

} // namespace

int FamilyScenario(const std::string& program, const std::string& folder) {
    XSession x;
    const char* log = std::getenv("XREAL_LOG");
    const pid_t pid = x.Start(program, folder, log != nullptr ? log : "/dev/null");
    TopWindow game = x.WaitShown("Pexeso", kStartTimeout);
    CheckOnScreen(x, game, "with the family board");
    const FamilyBoard board = Layout(x, game.id);
    Check(board.size >= 140, "the 12 cards are large (" + std::to_string(board.size) + " px)");

    const auto grabCard = [&](int k) { return x.Grab(game.id, board.Card(k)); };
    const Pixels back = grabCard(1);
    bool allBacks = true;
    for (int k = 2; k <= kCards; ++k)
        allBacks = allBacks && grabCard(k) == back;
    Require(allBacks, "pexeso deals 12 alike backs at once, with no dialog");
    Require(WhoseTurn(x, game.id, board) == Turn::Child, "Ája's name shows, in her colour: her turn");

    // Ája turns the first two face-down cards each turn; the computer plays its own turns.
    bool missChecked = false, pairChecked = false, computerChecked = false, droppedChecked = false;
    const auto deadline = Clock::now() + 150s;
    const auto faceDown = [&] {
        std::vector<int> cards;
        for (int k = 1; k <= kCards; ++k) {
            if (grabCard(k) == back)
                cards.push_back(k);
        }
        return cards;
    };
    for (;;) {
        if (Clock::now() > deadline)
            throw Failure("the game did not end within 150 s");
        const std::vector<int> down = faceDown();
        if (down.empty())
            break;
        const Turn turn = WhoseTurn(x, game.id, board);
        if (turn == Turn::Computer) {
            if (!droppedChecked) {
                // A press on the board while the computer plays turns nothing.
                x.Click(game.id, board.Card(down.back()).x + board.size / 2,
                        board.Card(down.back()).y + board.size / 2);
                std::this_thread::sleep_for(150ms);
                const Pixels after = grabCard(down.back());
                // The computer may have turned that very card meanwhile; it is then face up for good reason.
                Check(after == back || WhoseTurn(x, game.id, board) == Turn::Computer,
                      "a press during the computer's turn is dropped");
                droppedChecked = true;
            }
            computerChecked = true;
            x.NextRepaint(game.id, 3s);
            continue;
        }
        if (turn != Turn::Child || down.size() < 2) {
            x.NextRepaint(game.id, 3s);
            continue;
        }
        const int first = down[0], second = down[1];
        x.Click(game.id, board.Card(first).x + board.size / 2, board.Card(first).y + board.size / 2);
        x.Settle(game.id, 80ms);
        const Pixels firstFace = grabCard(first);
        x.Click(game.id, board.Card(second).x + board.size / 2, board.Card(second).y + board.size / 2);
        x.Settle(game.id, 80ms);
        if (grabCard(first) != firstFace) { // a pair: gone at once
            if (!pairChecked)
                Check(WhoseTurn(x, game.id, board) == Turn::Child, "after a pair Ája keeps the turn");
            pairChecked = true;
            continue;
        }
        std::this_thread::sleep_for(kLook + 300ms);
        x.Settle(game.id, 100ms);
        if (!missChecked)
            Check(WhoseTurn(x, game.id, board) == Turn::Computer,
                  "after a miss the turn passes to the computer");
        missChecked = true;
    }
    Check(computerChecked, "the computer took turns of its own");
    x.Settle(game.id, 300ms);

    // The end panel, centred over the board, with "Hrát znovu" at its lower left.
    const int panelWidth = std::min(board.clientWidth - 2 * kMargin, 460);
    const int panelLeft = (board.clientWidth - panelWidth) / 2;
    const int panelTop = board.menuHeight + std::max((board.clientHeight - kStrip - 190) / 2, 0);
    x.Click(game.id, panelLeft + panelWidth / 2 - 80, panelTop + 144);
    x.Settle(game.id, 300ms);
    Check(faceDown().size() == kCards, "\"Hrát znovu\" deals 12 backs again");

    MenuCommand(x, game.id, board.menuHeight, 3);
    const auto code = x.WaitExit(pid, kExitTimeout);
    Require(code.has_value(), "\"Konec\" ends the program");
    Check(*code == 0, "the exit code is 0");
    return gFailed ? 1 : 0;
}

} // namespace xreal
