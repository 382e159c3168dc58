// SPDX-License-Identifier: GPL-3.0-or-later
// Play by keyboard: the arrow keys move a frame over the cards, skipping the gaps; Space or Enter
// turns the framed card through its click, so the look drops it as it drops a press. The frame
// appears at the first arrow key and goes at the next mouse press.
#include "family/family_window.h"

#include "memory/card_image.h"

#include <QRect>

#include <climits>
#include <cstdlib>

namespace family {

namespace {

const QColor kFrameColour(0xff, 0x98, 0x00);
constexpr int kFramePen = 5;
constexpr int kFrameOutside = 4;

// The place of a card still on the board (face down or face up), or an empty rectangle.
QRect CardPlace(int card) {
    const tk::TImage* face = LiveCard(Memory().CardFaces, static_cast<std::uint8_t>(card));
    return face != nullptr ? QRect(face->Left(), face->Top(), face->Width(), face->Height()) : QRect();
}

int CardCount() {
    return static_cast<int>(Memory().CardFaces.size()) - 1;
}

} // namespace

bool FamilyPexeso::KeyPressed(tk::Key key) {
    if (making_)
        return false; // the cards lie under the making's view; its "Zrušit" takes Space and Enter
    if (endPanel_ != nullptr) {
        // Space or Enter presses the end panel's button with the focus, "Hrát znovu" unless the
        // player has moved it to "Konec"; the arrows and Tab are the buttons' own.
        if (key != tk::Key::Turn)
            return false;
        const tk::Handler press = quit_ != nullptr && quit_->Focused() ? quit_->OnClick : playAgain_->OnClick;
        press();
        return true;
    }
    if (key == tk::Key::Turn && framed_ != 0)
        TurnFramed();
    else
        MoveFrame(key);
    return true;
}

void FamilyPexeso::MoveFrame(tk::Key key) {
    // A pair taken under the frame leaves it on the gap, from where it moves on.
    const QRect from = framed_ != 0 && CardPlace(framed_).isNull() ? framedPlace_ : CardPlace(framed_);
    if (framed_ == 0 || from.isNull()) {
        // The first key shows the frame on the first card left, without moving it.
        framed_ = 0;
        for (int card = 1; card <= CardCount() && framed_ == 0; ++card) {
            if (!CardPlace(card).isNull())
                framed_ = card;
        }
        PlaceFrame();
        return;
    }
    if (key == tk::Key::Turn)
        return;
    // The nearest card that way, in the same row or column first: gaps are passed over.
    const QPoint centre = from.center();
    int best = 0;
    long bestScore = LONG_MAX;
    for (int card = 1; card <= CardCount(); ++card) {
        const QRect place = CardPlace(card);
        if (card == framed_ || place.isNull())
            continue;
        const QPoint d = place.center() - centre;
        const int along = key == tk::Key::Left    ? -d.x()
                          : key == tk::Key::Right ? d.x()
                          : key == tk::Key::Up    ? -d.y()
                                                  : d.y();
        const int across = key == tk::Key::Left || key == tk::Key::Right ? std::abs(d.y()) : std::abs(d.x());
        if (along <= 0)
            continue;
        const long score = static_cast<long>(across) * 100000 + along;
        if (score < bestScore) {
            bestScore = score;
            best = card;
        }
    }
    if (best != 0)
        framed_ = best;
    PlaceFrame();
}

void FamilyPexeso::TurnFramed() {
    if (ComputerPlaying())
        return; // the computer's turn: dropped as a press on the board is
    TMujImage* back = LiveCard(Memory().CardBacks, static_cast<std::uint8_t>(framed_));
    if (back == nullptr || !back->Visible())
        return; // a face-up card takes no click
    const tk::Handler click = back->OnClick;
    click();
    PlaceFrame(); // above a pair's gap or the card face up
}

// Made anew each time, so that it lies above the cards of the latest deal.
void FamilyPexeso::PlaceFrame() {
    tk::ReleaseControl(frame_);
    const QRect place = CardPlace(framed_).isNull() ? framedPlace_ : CardPlace(framed_);
    if (framed_ == 0 || place.isNull())
        return;
    framedPlace_ = place;
    frame_ = new tk::TShape(Form4);
    frame_->SetPen(kFrameColour, kFramePen);
    const QRect around = place.adjusted(-kFrameOutside, -kFrameOutside, kFrameOutside, kFrameOutside);
    frame_->SetBounds(around.x(), around.y(), around.width(), around.height());
}

void FamilyPexeso::HideFrame() {
    tk::ReleaseControl(frame_);
    framed_ = 0;
    framedPlace_ = QRect();
}

} // namespace family
