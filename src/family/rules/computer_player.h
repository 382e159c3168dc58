// SPDX-License-Identifier: GPL-3.0-or-later
// The computer as a player: it knows only the faces it has seen turned, each remembered with its
// level's probability, and picks its cards from what it remembers. Chance comes from tk::Random, so
// tests script or seed it.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <map>
#include <set>

namespace family {

enum class Level { Forgetful = 0, Skilled = 1, Master = 2 };

// "zapomnětlivý", "šikovný", "mistr", in the order of Level.
QStringList LevelNames();
// In per cent: how likely a card seen is remembered.
int RememberPercent(Level level);

class ComputerPlayer {
public:
    explicit ComputerPlayer(Level level) : level_(level) {}

    // A new board of cards 1 to `cards`, all face down: the memory starts empty.
    void NewBoard(int cards);
    // A face was turned (by anyone): it is remembered with the level's probability.
    void Seen(int card, int picture);
    // A pair left the board.
    void Removed(int card);

    // The first card of its turn: one of a pair it remembers, else a card it has not seen, else any.
    int FirstCard();
    // The second card, with the first one face up: its partner when remembered, else a card not
    // seen, else any other.
    int SecondCard(int first, int picture);

    bool Remembers(int card) const { return known_.count(card) != 0; }
    Level GetLevel() const { return level_; }

private:
    int AnyOf(const std::set<int>& cards) const;
    Level level_;
    std::set<int> onBoard_;
    std::map<int, int> known_; // card -> picture, for the cards it remembers
};

} // namespace family
