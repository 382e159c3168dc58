// SPDX-License-Identifier: GPL-3.0-or-later
#include "family/rules/family_deal.h"

#include "toolkit/text/random.h"

#include <QFileInfo>

#include <utility>

namespace family {

const std::vector<BoardShape>& FamilyBoards() {
    static const std::vector<BoardShape> boards{{12, 3, 4}, {20, 4, 5}, {30, 5, 6}, {40, 5, 8}};
    return boards;
}

BoardShape ShapeFor(int cards) {
    for (const BoardShape& shape : FamilyBoards()) {
        if (shape.cards == cards)
            return shape;
    }
    return FamilyBoards()[1];
}

std::vector<std::uint8_t> PicturesInFolder(const QString& folder) {
    std::vector<std::uint8_t> numbers;
    for (int n = 1; n <= 255; ++n) {
        if (QFileInfo(folder + QLatin1Char('/') + QString::number(n) + QStringLiteral(".jpg")).isFile())
            numbers.push_back(static_cast<std::uint8_t>(n));
    }
    return numbers;
}

namespace {
// Fisher-Yates: every order equally likely, given a uniform tk::Random.
template <typename T> void Shuffle(std::vector<T>& items, std::size_t firstN) {
    for (std::size_t i = 0; i < firstN && i + 1 < items.size(); ++i) {
        const std::size_t j = i + tk::Random(static_cast<std::uint32_t>(items.size() - i));
        std::swap(items[i], items[j]);
    }
}
} // namespace

std::vector<std::uint8_t> DealFamilyBoard(const std::vector<std::uint8_t>& pictures, int cards) {
    const auto pairs = static_cast<std::size_t>(cards / 2);
    std::vector<std::uint8_t> drawn = pictures;
    Shuffle(drawn, pairs); // the first `pairs` entries are a uniform sample
    drawn.resize(pairs);
    std::vector<std::uint8_t> board;
    board.reserve(pairs * 2);
    for (const std::uint8_t picture : drawn) {
        board.push_back(picture);
        board.push_back(picture);
    }
    Shuffle(board, board.size());
    return board;
}

QString TooFewPicturesText(int has, int needs, int cards) {
    const QString pictures = has == 1                 ? QStringLiteral("1 obrázek")
                             : (has >= 2 && has <= 4) ? QStringLiteral("%1 obrázky").arg(has)
                                                      : QStringLiteral("%1 obrázků").arg(has);
    return QStringLiteral("Ve složce je jen %1, hra na %2 karet jich potřebuje %3.")
        .arg(pictures)
        .arg(cards > 0 ? cards : needs * 2)
        .arg(needs);
}

} // namespace family
