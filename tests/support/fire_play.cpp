// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/fire_play.h"

#include "fire/fire_form.h"
#include "fire/round_state.h"
#include "scores/score_form.h"
#include "toolkit/text/files.h"

#include <QTest>

namespace testing {

FireGame::FireGame(std::vector<std::uint32_t> draws) {
    previousDir = tk::GetCurrentDir();
    if (folder.isValid())
        tk::SetCurrentDir(folder.path());
    fire::Round() = {};
    harness.Script(std::move(draws));
    form = std::make_unique<TForm2>();
    scores = std::make_unique<TForm3>();
    Form2 = form.get();
    Form3 = scores.get();
    ready = folder.isValid() && ShowAndExpose(form.get());
}

FireGame::~FireGame() {
    Form2 = nullptr;
    Form3 = nullptr;
    tk::SetCurrentDir(previousDir);
}

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
                    if (!Click(hotspot)) {
                        played.clicksLanded = false;
                        return played;
                    }
                    ++played.clicked;
                }
            }
        }
    }
    return played;
}

} // namespace testing
