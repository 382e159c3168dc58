// SPDX-License-Identifier: GPL-3.0-or-later
#include "family/rules/family_game.h"

#include <QStringList>

#include <algorithm>

namespace family {

FamilyGame::FamilyGame(std::vector<Player> players, int cards)
    : players_(std::move(players)), pairsLeft_(cards / 2) {
    if (players_.empty())
        players_.push_back(Player{});
}

void FamilyGame::PairFound() {
    if (Over())
        return;
    ++turns_;
    ++players_[static_cast<std::size_t>(current_)].pairs;
    --pairsLeft_;
}

void FamilyGame::Missed() {
    if (Over())
        return;
    ++turns_;
    current_ = (current_ + 1) % static_cast<int>(players_.size());
}

std::vector<int> FamilyGame::Leaders() const {
    int most = 0;
    for (const Player& player : players_)
        most = std::max(most, player.pairs);
    std::vector<int> leaders;
    for (std::size_t i = 0; i < players_.size(); ++i) {
        if (players_[i].pairs == most)
            leaders.push_back(static_cast<int>(i));
    }
    return leaders;
}

QString PairsText(int pairs) {
    if (pairs == 1)
        return QStringLiteral("1 pár");
    if (pairs >= 2 && pairs <= 4)
        return QStringLiteral("%1 páry").arg(pairs);
    return QStringLiteral("%1 párů").arg(pairs);
}

bool FeminineName(const QString& name) {
    const QString word = name.trimmed().toLower();
    // Men's and boys' names and family words that end as women's do.
    static const QStringList kMasculine{
        QStringLiteral("táta"),   QStringLiteral("taťka"),   QStringLiteral("tatínek"),
        QStringLiteral("děda"),   QStringLiteral("dědeček"), QStringLiteral("honza"),
        QStringLiteral("jirka"),  QStringLiteral("pepa"),    QStringLiteral("franta"),
        QStringLiteral("standa"), QStringLiteral("jarda"),   QStringLiteral("míra"),
        QStringLiteral("kuba"),   QStringLiteral("vašek"),   QStringLiteral("láďa"),
        QStringLiteral("vláďa"),  QStringLiteral("péťa"),    QStringLiteral("ota"),
        QStringLiteral("sáša"),   QStringLiteral("míša"),    QStringLiteral("strejda"),
        QStringLiteral("bráška"), QStringLiteral("brácha"),  QStringLiteral("jindra"),
        QStringLiteral("kamil"),  QStringLiteral("matyáš"),  QStringLiteral("ondra"),
        QStringLiteral("tonda"),  QStringLiteral("venca"),   QStringLiteral("zbyňa"),
        QStringLiteral("počítač")};
    if (word.isEmpty() || kMasculine.contains(word))
        return false;
    return word.endsWith(QLatin1Char('a')) || word.endsWith(QLatin1Char('e')) ||
           word.endsWith(QStringLiteral("ová"));
}

QString WinnerText(const Player& winner) {
    return (FeminineName(winner.name) ? QStringLiteral("Vyhrála %1! %2") : QStringLiteral("Vyhrál %1! %2"))
        .arg(winner.name, PairsText(winner.pairs));
}

QString TieText(const FamilyGame& game) {
    QStringList names;
    for (const int i : game.Leaders())
        names << game.Players()[static_cast<std::size_t>(i)].name;
    const QString last = names.takeLast();
    const QString joined = names.join(QStringLiteral(", ")) + QStringLiteral(" a ") + last;
    const int pairs = game.Players()[static_cast<std::size_t>(game.Leaders().front())].pairs;
    return QStringLiteral("Nerozhodně! %1: %2").arg(joined, PairsText(pairs));
}

QString TurnsText(int turns) {
    return QStringLiteral("Tahů: %1").arg(turns);
}

QString BestText(int best) {
    return QStringLiteral("Nejlépe: %1").arg(best);
}

} // namespace family
