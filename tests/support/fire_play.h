// SPDX-License-Identifier: GPL-3.0-or-later
// Playing a fire round as a child would: tick by tick in virtual time, clicking each fire that
// flares up until the wanted number is out.
#pragma once

#include "support/test_support.h"

#include <functional>

class TForm2;

namespace testing {

struct PlayedRound {
    int ticks = 0;
    int clicked = 0;
};

// Plays the running round on the window to its end (at most 700 ticks, so a broken engine cannot
// run forever), clicking burning hotspots of the shown house until `fires` are put out. `onTick`
// runs after each tick, before the clicks.
PlayedRound PlayRound(TForm2& form, Harness& harness, int fires,
                      const std::function<void(int tick)>& onTick = {});

} // namespace testing
