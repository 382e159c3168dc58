// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/fire_play.h"

#include "fire/fire_form.h"
#include "fire/round_state.h"

namespace testing {

PlayedRound PlayRound(TForm2& form, Harness& harness, int fires,
                      const std::function<void(int tick)>& onTick) {
    constexpr int kTickBound = 700; // a round is 601 ticks
    const fire::HouseId ids[] = {fire::HouseId::FamilyHouse, fire::HouseId::Villa, fire::HouseId::Block};
    PlayedRound played;
    while (played.ticks < kTickBound && fire::Round().timeLeft >= 0) {
        harness.Advance(fire::kTickInterval);
        ++played.ticks;
        if (onTick)
            onTick(played.ticks);
        for (const fire::HouseId id : ids) {
            const TForm2::House& house = form.HouseOf(id);
            if (!house.panel->Visible())
                continue;
            for (tk::TImage* hotspot : house.hotspots) {
                if (hotspot->Visible() && played.clicked < fires) {
                    Click(hotspot);
                    ++played.clicked;
                }
            }
        }
    }
    return played;
}

} // namespace testing
