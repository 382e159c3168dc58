// SPDX-License-Identifier: GPL-3.0-or-later
// The fire game's fixed numbers and the small rules the game flow applies between rounds.
#pragma once

#include <chrono>
#include <cstdint>

namespace fire {

// One tick of a round; a round is kRoundTicks of them counted down, plus the final tick at 0.
inline constexpr std::chrono::milliseconds kTickInterval{100};
inline constexpr std::int32_t kRoundTicks = 600;
// A fire's age in ticks of its spawn clock: it goes out when its age reaches this.
inline constexpr std::int32_t kBurnOutAge = 4;
// A campaign goes on only after a round with more fires put out than this.
inline constexpr std::int32_t kCampaignGoal = 40;

// House numbers, as they enter the table number.
enum class HouseId : std::uint8_t { FamilyHouse = 1, Villa = 2, Block = 3 };
inline constexpr int kHouseCount = 3;

// Spawn interval of a single game by speed index ("malá", "střední", "velká").
inline constexpr std::uint8_t kSpeedIntervals[] = {8, 6, 4};
inline constexpr std::uint8_t kCampaignFirstInterval = 8;

// The house a campaign stage plays: 1, 4, 7, ... the family house, then the villa, then the block.
constexpr HouseId CampaignHouse(std::uint8_t stage) {
    switch (stage % 3) {
    case 1:
        return HouseId::FamilyHouse;
    case 2:
        return HouseId::Villa;
    default:
        return HouseId::Block;
    }
}

// The stage after a continued round. Held at its largest value: wrapping to 0 would turn the
// campaign into a single game half-way through.
constexpr std::uint8_t NextCampaignStage(std::uint8_t stage) {
    return stage == UINT8_MAX ? stage : static_cast<std::uint8_t>(stage + 1);
}

// The interval for the round after `finishedStage`: one less after every third round, but never
// below 1, since the round engine's spawn test divides by it.
constexpr std::uint8_t IntervalAfterStage(std::uint8_t finishedStage, std::uint8_t interval) {
    if (finishedStage % 3 == 0 && interval > 1)
        return static_cast<std::uint8_t>(interval - 1);
    return interval;
}

} // namespace fire
