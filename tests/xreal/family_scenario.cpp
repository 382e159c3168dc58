// SPDX-License-Identifier: GPL-3.0-or-later
// The family game played on a real X server, to its end: with no settings file, one child on 20
// cards; with XREAL_FAMILY_COMPUTER=1 (run.sh writes the settings: "Ája", the computer at "mistr",
// 12 cards) a child against the computer, the turn passing after a miss and kept after a pair,
// presses dropped during the computer's turns. Then the end panel: its "Konec" after the first game,
// "Hrát znovu" and the menu's "Konec" after the second. And cards made from a folder of photos.
// Qt's headers before X11's, whose macros (Status, CursorShape) they would trip over.
#include "toolkit/pictures/jpeg_fixture.h"
#include "toolkit/pictures/jpeg_writer.h"

#include <QImage>

#include "scenario.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <thread>

namespace xreal {

namespace {

// The family board's layout, written out here rather than taken from the program, so that a wrong
// layout in the program shows: rows × columns cards as large as the area allows, at most 160 px.
constexpr int kMargin = 8, kGap = 8, kStrip = 64, kLargest = 160;
// Player 1's colour and the computer's, as the turn label draws the name.
constexpr std::uint32_t kChildColour = 0xd32f2f, kComputerColour = 0x6a1b9a;
// The folder dialog's "OK" button, in its client area.
constexpr int kOkX = 144 + 75 / 2, kOkY = 360 + 25 / 2;
constexpr int kPhotos = 30, kPhotoCards = 23;

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

// A top-level window that is none of these, or 0 when none came in time.
Window NewWindow(XSession& x, const std::vector<Window>& known, Clock::duration timeout) {
    const auto until = Clock::now() + timeout;
    do {
        for (const TopWindow& window : x.Shown())
            if (std::find(known.begin(), known.end(), window.id) == known.end())
                return window.id;
        std::this_thread::sleep_for(10ms);
    } while (Clock::now() < until);
    return 0;
}

// Looks until `done` says so, or the time is up; no timing is asserted, a loaded machine only waits.
bool WaitFor(const std::function<bool()>& done, Clock::duration timeout) {
    const auto until = Clock::now() + timeout;
    while (!done()) {
        if (Clock::now() > until)
            return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

int Distance(std::uint32_t a, std::uint32_t b) {
    const auto channel = [](std::uint32_t c, int shift) { return static_cast<int>((c >> shift) & 0xFF); };
    return std::max({std::abs(channel(a, 16) - channel(b, 16)), std::abs(channel(a, 8) - channel(b, 8)),
                     std::abs(channel(a, 0) - channel(b, 0))});
}

// The bar's top rows across its inside, above its text: a partly done bar is one colour from the
// left up to a point and another to the right, nothing else; the done part's share, or -1.
double DoneShare(const Pixels& row) {
    const std::uint32_t done = row.rgb.front(), rest = row.rgb.back();
    if (Distance(done, rest) < 60)
        return -1;
    std::size_t edge = 0;
    while (edge < row.rgb.size() && Distance(row.rgb[edge], done) < 40)
        ++edge;
    for (std::size_t i = edge; i < row.rgb.size(); ++i)
        if (Distance(row.rgb[i], rest) >= 40 && i > edge + 3)
            return -1;
    return static_cast<double>(edge) / static_cast<double>(row.rgb.size());
}

// Camera-like photos: 4000 x 3000, a colour of their own with a gradient and sensor noise, turned by
// EXIF orientations 1 to 8, with odd names; and one file named as a photo that is not a JPEG.
std::vector<std::uint32_t> WritePhotos(const std::string& folder) {
    std::filesystem::create_directories(folder);
    std::vector<std::uint32_t> colours;
    std::mt19937 noise(7);
    for (int i = 1; i <= kPhotos; ++i) {
        const QColor colour = QColor::fromHsv((i - 1) * 360 / kPhotos, 200, 200);
        colours.push_back(colour.rgb() & 0xFFFFFF);
        QImage photo(4000, 3000, QImage::Format_RGB32);
        for (int y = 0; y < photo.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(photo.scanLine(y));
            const int shade = y * 16 / photo.height() - 8;
            for (int x = 0; x < photo.width(); ++x) {
                const int n = static_cast<int>(noise() % 9) - 4 + shade;
                line[x] = qRgb(std::clamp(colour.red() + n, 0, 255), std::clamp(colour.green() + n, 0, 255),
                               std::clamp(colour.blue() + n, 0, 255));
            }
        }
        QByteArray jpeg = tk::EncodeJpeg(photo, 88);
        const QByteArray exif = fixture::ExifSegment(1 + i % 8, i % 2 == 0);
        const int length = static_cast<int>(exif.size()) + 2;
        jpeg.insert(2, QByteArray("\xFF\xE1", 2) + char(length >> 8) + char(length & 0xFF) + exif);
        const std::string names[] = {"IMG_", "DSC ", "Fotka (", "dovolená-", "P10"};
        const std::string name = names[i % 5] + std::to_string(1000 + i) +
                                 (i % 3 == 0   ? ".JPG"
                                  : i % 3 == 1 ? ".jpeg"
                                               : ".Jpg");
        std::ofstream(folder + "/" + name, std::ios::binary).write(jpeg.constData(), jpeg.size());
    }
    std::ofstream(folder + "/DSC 1000.jpg") << "seznam fotek, ne fotka\n";
    return colours;
}

} // namespace

// pexeso on a 12-card family board, started in a folder of photos: "Nová" and "OK" there offer to
// make cards of them; "Ano" shows the making's bar, one message names the file that is no photo, and
// the board is dealt from the new set in $XDG_DATA_HOME/pexeso. The next "Nová" opens at the set:
// "OK" deals again with no question.
int PhotosScenario(const std::string& program, const std::string& scratch) {
    const std::string photoFolder = scratch + "/Dovolená u moře";
    const std::vector<std::uint32_t> colours = WritePhotos(photoFolder);
    const char* data = std::getenv("XDG_DATA_HOME");
    Require(data != nullptr, "XDG_DATA_HOME is set for the scenario");
    const std::string set = std::string(data) + "/pexeso/Dovolená u moře";

    XSession x;
    const char* log = std::getenv("XREAL_LOG");
    const pid_t pid = x.Start(program, photoFolder, log != nullptr ? log : "/dev/null");
    const TopWindow game = x.WaitShown("Pexeso", kStartTimeout);
    FamilyBoard board = Layout(x, game.id, 3, 4);
    const Pixels back = x.Grab(game.id, board.Card(1));

    MenuCommand(x, game.id, board.menuHeight, 1);
    const TopWindow dialog = x.WaitShown("Výběr obrázků", 10s);
    Require(dialog.id != 0, "\"Nová\" opens the folder dialog");
    x.Click(dialog.id, kOkX, kOkY); // the folder pexeso started in: the photos
    const Window offer = NewWindow(x, {game.id, dialog.id}, 20s);
    Require(offer != 0, "a folder of photos brings an offer to make cards of them");
    x.Settle(offer, 200ms);
    const Rect box = x.Bounds(offer);
    x.Click(offer, box.width / 2 - 48, box.height - 29); // "Ano"

    // The bar over the window while the cards are made, until the message about the skipped file.
    const int barWidth = std::max(board.clientWidth - 32, 100);
    const int barTop = board.menuHeight + std::max((board.clientHeight - 24 - 28 - 60) / 2, 16) + 30;
    std::vector<double> shares;
    Window told = 0;
    const auto until = Clock::now() + 120s;
    while (told == 0 && Clock::now() < until) {
        const double share = DoneShare(x.Grab(game.id, {16 + 3, barTop + 3, barWidth - 6, 1}));
        if (share > 0 && (shares.empty() || shares.back() != share))
            shares.push_back(share);
        told = NewWindow(x, {game.id, dialog.id, offer}, 0ms);
    }
    std::printf("INFO  the bar seen at %zu fillings\n", shares.size());
    // Two fillings at least: a board that happened to look like a bar would give one.
    Check(shares.size() >= 2, "a progress bar counts the photos while the cards are made");
    Require(told != 0, "one message at the end names the file that is no photo");
    x.Close(told);
    Require(WaitFor(
                [&] {
                    return NewWindow(x, {game.id, dialog.id, offer}, 0ms) == 0;
                },
                20s),
            "the message closes");
    Check(NewWindow(x, {game.id, dialog.id, offer, told}, 1s) == 0, "no further message");

    int cards = 0;
    while (std::filesystem::exists(set + "/" + std::to_string(cards + 1) + ".jpg"))
        ++cards;
    Check(cards == kPhotoCards && std::filesystem::exists(set + "/znak.jpg"),
          "the set in $XDG_DATA_HOME/pexeso holds 23 cards and the back (" + std::to_string(cards) + ")");
    x.Settle(game.id, 300ms);
    board = Layout(x, game.id, 3, 4);
    x.Click(game.id, board.Card(1).x + board.size / 2, board.Card(1).y + board.size / 2);
    Pixels face;
    WaitFor([&] { return (face = x.Grab(game.id, board.Card(1))) != back; }, 20s);
    const std::uint32_t middle = face.At(face.width / 2, face.height / 2);
    Check(std::any_of(colours.begin(), colours.end(),
                      [&](std::uint32_t c) { return Distance(c, middle) < 30; }),
          "the board is dealt from the set: a card turned shows a photo");

    MenuCommand(x, game.id, board.menuHeight, 1);
    const TopWindow again = x.WaitShown("Výběr obrázků", 10s);
    x.Click(again.id, kOkX, kOkY); // where the dialog opened
    Check(NewWindow(x, {game.id, again.id}, 2s) == 0, "the next \"Nová\" opens at the set: no question");
    Check(WaitFor([&] { return x.Grab(game.id, board.Card(1)) == back; }, 20s), "and deals from it again");

    x.Close(game.id);
    const auto code = x.WaitExit(pid, kExitTimeout);
    Require(code.has_value(), "closing the window ends the program");
    return gFailed ? 1 : 0;
}

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
