// SPDX-License-Identifier: GPL-3.0-or-later
// The memory game's module-level state beside its window: the card size, the two card tables and
// the turn state. The game keeps one instance in memory_form.cpp; tests reach it through Memory().
#pragma once

#include "toolkit/ui/controls.h"

#include <QPointer>

#include <cstdint>
#include <functional>
#include <vector>

class TMujImage;

struct MemoryTurnState {
    std::uint8_t OneTurned = 0; // 1 from the first card of a turn until the turn ends
    std::uint8_t Busy = 0;      // 1 while an unlike pair is face up for its look
    std::uint8_t InClick = 0;   // 1 while a card click is being handled
    std::uint8_t FirstIndex = 0;
    std::uint8_t SecondIndex = 0;
    std::uint8_t FirstPicture = 0;
    std::uint8_t SecondPicture = 0;
};

struct MemoryModule {
    std::uint8_t CardSize = 0;
    // Index = card index; slot 0 stays empty. A freed card's slot keeps its reference (null once the
    // control is gone, Released() until then) until the next deal overwrites it; cards of earlier
    // deals are reached through no slot at all.
    std::vector<QPointer<tk::TImage>> CardFaces;
    std::vector<QPointer<TMujImage>> CardBacks;
    MemoryTurnState turn;
};

// What a game built on this window hears of its turns, each after the window has done its part;
// all empty in the classic game.
struct MemoryTurnListener {
    std::function<void(std::uint8_t card, std::uint8_t picture)> CardTurned; // a face came up
    std::function<void(std::uint8_t first, std::uint8_t second)> PairTaken;  // a pair left the board
    std::function<void()> LookEnded; // an unlike pair is face down again
};

MemoryModule& Memory();
MemoryTurnState& MemoryTurn();
MemoryTurnListener& MemoryListener();

// The control in a table slot, or nullptr when the slot is out of range, empty, or names a control
// that has been freed or is about to be.
template <typename Control>
Control* LiveCard(const std::vector<QPointer<Control>>& table, std::uint8_t index) {
    if (index >= table.size())
        return nullptr;
    Control* control = table[index].data();
    return control != nullptr && !control->Released() ? control : nullptr;
}
