// A card back of the memory game: an image that knows its card's index and picture number, and
// turns the card when clicked.
#pragma once

#include "toolkit/ui/controls.h"

#include <cstdint>

class TMujImage : public tk::TImage {
    Q_OBJECT
public:
    explicit TMujImage(tk::TControl* owner);

    // The card's turn (the back's OnClick): the first card of a turn is turned face up, the second
    // either takes the pair off the board or starts the look at an unlike pair.
    void ImageClick();

    std::uint8_t CardIndex = 0; // 1 to 40, in reading order
    std::uint8_t PictureNo = 0; // 1 to 23
};
