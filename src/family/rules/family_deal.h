// SPDX-License-Identifier: GPL-3.0-or-later
// A family board: its shape and the deal that lays every picture on exactly two cards.
#pragma once

#include <QString>

#include <cstdint>
#include <vector>

namespace family {

// A family board of rows × columns cards.
struct BoardShape {
    int cards;
    int rows;
    int columns;
};
// 12 (3 × 4), 20 (4 × 5), 30 (5 × 6) and 40 (5 × 8) cards.
const std::vector<BoardShape>& FamilyBoards();
// The shape of a board of that many cards; the 20-card board for any other number.
BoardShape ShapeFor(int cards);

// The picture numbers a folder holds: n.jpg for n from 1 to 255, ascending.
std::vector<std::uint8_t> PicturesInFolder(const QString& folder);

// The picture numbers of a family deal, card 1 at [0]: `cards` / 2 pictures drawn from `pictures`
// without repetition, each laid on two cards, and the cards shuffled uniformly (Fisher-Yates);
// chance through tk::Random. Needs pictures.size() >= cards / 2.
std::vector<std::uint8_t> DealFamilyBoard(const std::vector<std::uint8_t>& pictures, int cards);

// "Ve složce je jen 7 obrázků, hra na 20 karet jich potřebuje 10." for a folder with too few
// pictures; a board of `cards` cards (the classic 40 needs all 23 pictures), 0 for twice `needs`.
QString TooFewPicturesText(int has, int needs, int cards = 0);

} // namespace family
