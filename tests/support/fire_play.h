// SPDX-License-Identifier: GPL-3.0-or-later
// Playing a fire round as a child would: tick by tick in virtual time, clicking each fire that
// flares up until the wanted number is out.
#pragma once

#include "support/test_support.h"

#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TForm2;
class TForm3;

namespace testing {

// A fire game window and the score table window on screen, in a fresh current directory, with the
// round state zeroed and the draws scripted; the window references are set while it lives. Check
// `ready` first: QVERIFY(game.ready).
struct FireGame {
    explicit FireGame(std::vector<std::uint32_t> draws = {0, 3, 1, 4, 2});
    ~FireGame();

    QTemporaryDir folder;
    QString previousDir;
    Harness harness;
    std::unique_ptr<TForm2> form;
    std::unique_ptr<TForm3> scores;
    bool ready = false; // the folder was made and the game window is on the screen
};

struct PlayedRound {
    int ticks = 0;
    int clicked = 0;
    bool clicksLanded = true; // false: a click could not be given, and the round was left there
};

// Plays the running round on the window to its end (at most 700 ticks, so a broken engine cannot
// run forever), clicking burning hotspots of the shown house until `fires` are put out. `onTick`
// runs after each tick, before the clicks.
PlayedRound PlayRound(TForm2& form, Harness& harness, int fires,
                      const std::function<void(int tick)>& onTick = {});

} // namespace testing
