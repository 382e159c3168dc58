// The fire game window: start panel, three house scenes, next-round and game-over panels.
#pragma once

#include "app/toolkit/controls.h"

#include <cstdint>

class TForm2 : public tk::TForm {
    Q_OBJECT
public:
    explicit TForm2(tk::TForm* owner = nullptr);

    // Which score table the game belongs to: house + 3 x speed index, 0 for the campaign.
    std::uint8_t TableNumber = 0;
};
