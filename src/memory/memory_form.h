// The memory game window. Its creation installs the application-wide message filter, which drops
// left-button presses while an unlike pair is face up.
#pragma once

#include "app/toolkit/application.h"
#include "app/toolkit/controls.h"

#include <cstdint>

class TForm4 : public tk::TForm {
    Q_OBJECT
public:
    TForm4();

    void FormCreate();
    void FilterAppMessage(const tk::Message& message, bool& handled);
};

// The turn state beside the memory game window.
struct MemoryTurnState {
    std::uint8_t OneTurned = 0;
    std::uint8_t Busy = 0;
    std::uint8_t InClick = 0;
    std::uint8_t FirstIndex = 0;
    std::uint8_t SecondIndex = 0;
    std::uint8_t FirstPicture = 0;
    std::uint8_t SecondPicture = 0;
};
MemoryTurnState& MemoryTurn();
