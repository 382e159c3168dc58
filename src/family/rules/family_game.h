// SPDX-License-Identifier: GPL-3.0-or-later
// One family game: the players in their order, whose turn it is, each one's pairs, the turns taken
// and the end. A pair found keeps the turn; a miss passes it to the next player.
#pragma once

#include <QString>

#include <vector>

namespace family {

struct Player {
    QString name;
    bool computer = false;
    int pairs = 0;
};

class FamilyGame {
public:
    // At least one player; a board of `cards` cards holds cards / 2 pairs.
    FamilyGame(std::vector<Player> players, int cards);

    const std::vector<Player>& Players() const { return players_; }
    int Current() const { return current_; }
    const Player& CurrentPlayer() const { return players_[static_cast<std::size_t>(current_)]; }
    int Turns() const { return turns_; }
    int PairsLeft() const { return pairsLeft_; }
    bool Over() const { return pairsLeft_ == 0; }

    // The end of a turn: the current player takes the pair and turns again.
    void PairFound();
    // The end of a turn after an unlike pair's look: the turn passes on.
    void Missed();

    // The players with the most pairs, in their order (more than one for a tie).
    std::vector<int> Leaders() const;

private:
    std::vector<Player> players_;
    int current_ = 0;
    int turns_ = 0;
    int pairsLeft_;
};

// The Czech texts of the end: "Vyhrála Anička! 5 párů", a tie named as a tie, or for one player
// "Hotovo!" with the turns and the best so far.
QString PairsText(int pairs); // "1 pár", "3 páry", "5 párů"
QString WinnerText(const Player& winner);
QString TieText(const FamilyGame& game);
QString TurnsText(int turns); // "Tahů: 14"
QString BestText(int best);   // "Nejlépe: 12"
// Whether a name reads as a girl's or a woman's ("Anička", "Máma", "Marie"; not "Táta", "Honza").
bool FeminineName(const QString& name);

} // namespace family
