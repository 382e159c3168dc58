// SPDX-License-Identifier: GPL-3.0-or-later
#include "memory/card_image.h"

#include "memory/memory_form.h"
#include "memory/memory_state.h"
#include "toolkit/ui/sound.h"

namespace {

// Takes a card off the board: its face and back, each only if it is still there. The tables may
// name the same card twice in a turn or a card freed on a newer board; neither is freed again.
void FreeCard(std::uint8_t index) {
    MemoryModule& memory = Memory();
    tk::ReleaseControl(LiveCard(memory.CardFaces, index));
    tk::ReleaseControl(LiveCard(memory.CardBacks, index));
}

} // namespace

TMujImage::TMujImage(tk::TControl* owner) : tk::TImage(owner) {
    OnClick = [this] { ImageClick(); };
}

void TMujImage::ImageClick() {
    MemoryTurnState& turn = MemoryTurn();
    if (turn.Busy != 0 || turn.InClick != 0 || Released())
        return;
    turn.InClick = 1;
    const std::uint8_t card = CardIndex;
    const std::uint8_t picture = PictureNo;
    bool pair = false;
    if (turn.OneTurned == 1) {
        turn.SecondIndex = CardIndex;
        turn.SecondPicture = PictureNo;
        SetVisible(false);
        if (turn.FirstPicture == turn.SecondPicture) {
            // A pair leaves at this click; this very back is among what is freed, so it is released
            // only once its click has been handled.
            FreeCard(turn.FirstIndex);
            FreeCard(turn.SecondIndex);
            turn.OneTurned = 0;
            pair = true;
            tk::PlaySound(QStringLiteral("chime")); // the pair leaves at once: no flip before it
        } else {
            turn.Busy = 1;
            if (auto* form = qobject_cast<TForm4*>(window()))
                form->Timer1->SetEnabled(true);
            tk::PlaySound(QStringLiteral("flip"));
        }
    } else {
        turn.OneTurned = 1;
        turn.FirstIndex = CardIndex;
        turn.FirstPicture = PictureNo;
        SetVisible(false);
        tk::PlaySound(QStringLiteral("flip"));
    }
    turn.InClick = 0;
    // Told from copies: this control may already be released, and what is told may start a new deal.
    const MemoryTurnListener listener = MemoryListener();
    if (listener.CardTurned)
        listener.CardTurned(card, picture);
    if (pair && listener.PairTaken)
        listener.PairTaken(turn.FirstIndex, turn.SecondIndex);
}
