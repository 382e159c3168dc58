// SPDX-License-Identifier: GPL-3.0-or-later
// The fire game's shared round state: one set for the whole program, shared by the three houses
// and by every fire game window. It starts zeroed; the game flow sets it up for each game.
#pragma once

#include <cstdint>

namespace fire {

struct RoundState {
    std::int32_t timeLeft = 0;      // ticks left; -1 after the final tick until the next round
    std::uint8_t spawnInterval = 0; // ticks from one spawn to the next, 1 or more while a round runs
    std::int32_t firesPutOut = 0;   // in the current round
    std::int32_t total = 0;         // over the finished rounds of the current game
    std::uint8_t campaignStage = 0; // 0 outside a campaign, else the round being played
    std::uint8_t pick = 0;          // the hotspot drawn on a spawn tick (within one tick)
    double seconds = 0.0;           // the time label's value (within one tick)
};

// The one shared instance.
RoundState& Round();

} // namespace fire
