// SPDX-License-Identifier: GPL-3.0-or-later
// The round engine: one routine for the ticks of all three houses and one for the clicks on all
// 25 hotspots. A hotspot burns while it is shown; its age in spawn ticks is kept in its Tag.
#include "fire/fire_form.h"
#include "fire/round_state.h"
#include "toolkit/text/numbers.h"
#include "toolkit/text/random.h"
#include "toolkit/ui/sound.h"

#include <algorithm>

namespace fire {

namespace {
RoundState theRound{};
} // namespace

RoundState& Round() {
    return theRound;
}

} // namespace fire

void TForm2::TickHouse(House& house) {
    fire::RoundState& round = fire::Round();

    round.seconds = round.timeLeft / 10.0;
    house.timeLabel->SetCaption(QStringLiteral("Čas: ") + tk::FloatToStr(round.seconds));
    house.countLabel->SetCaption(QStringLiteral("Uhašeno: ") + tk::IntToStr(round.firesPutOut));

    if (round.timeLeft == 0) {
        tk::PlaySound(QStringLiteral("bell"));
        house.panel->SetVisible(false);
        if (round.firesPutOut > fire::kCampaignGoal && round.campaignStage != 0) {
            // The total is left alone: "Pokračovat" adds this round to it.
            nextlevel->SetVisible(true);
        } else {
            round.campaignStage = 0;
            round.total += round.firesPutOut;
            konechry->SetVisible(true);
            Label2->SetCaption(QStringLiteral("Tvé skóre: ") + tk::IntToStr(round.total));
            Edit1->SetFocus();
        }
        house.timer->SetEnabled(false);
    }
    // The last tick goes on like any other: with an interval of 1 it spawns once more.

    round.timeLeft -= 1;

    // The game flow never lets the interval fall to 0; should it, spawn on every tick rather than
    // divide by zero.
    const std::int32_t interval = std::max<std::int32_t>(round.spawnInterval, 1);
    if (round.timeLeft % interval != 0) // C++ truncates toward zero, so -1 % 1 == 0 spawns too
        return;

    const auto count = static_cast<std::uint32_t>(house.hotspots.size());
    round.pick = static_cast<std::uint8_t>(tk::Random(count));
    tk::TImage* fresh = house.hotspots[round.pick];
    fresh->SetVisible(true);
    fresh->Tag = 1;

    for (tk::TImage* hotspot : house.hotspots) {
        if (hotspot->Tag > 0) {
            hotspot->Tag += 1;
            if (hotspot->Tag == fire::kBurnOutAge) {
                hotspot->SetVisible(false);
                hotspot->Tag = 0;
            }
        }
    }
}

void TForm2::PutOutFire(House& house, int index) {
    tk::TImage* hotspot = house.hotspots[static_cast<std::size_t>(index)];
    hotspot->SetVisible(false);
    hotspot->Tag = 0;
    fire::Round().firesPutOut += 1;
    tk::PlaySound(QStringLiteral("put_out"));
}

void TForm2::Timer1Timer() {
    TickHouse(HouseOf(fire::HouseId::FamilyHouse));
}
void TForm2::Timer2Timer() {
    TickHouse(HouseOf(fire::HouseId::Villa));
}
void TForm2::Timer3Timer() {
    TickHouse(HouseOf(fire::HouseId::Block));
}

#define PLAMKOV_DEFINE_HOTSPOT_CLICK(image, house, index)                                                    \
    void TForm2::image##Click() {                                                                            \
        PutOutFire(HouseOf(fire::HouseId::house), index);                                                    \
    }
PLAMKOV_FIRE_HOTSPOTS(PLAMKOV_DEFINE_HOTSPOT_CLICK)
#undef PLAMKOV_DEFINE_HOTSPOT_CLICK
