// SPDX-License-Identifier: GPL-3.0-or-later
#include "family/rules/computer_player.h"

#include "toolkit/text/random.h"

#include <iterator>

namespace family {

QStringList LevelNames() {
    return {QStringLiteral("zapomnětlivý"), QStringLiteral("šikovný"), QStringLiteral("mistr")};
}

int RememberPercent(Level level) {
    switch (level) {
    case Level::Forgetful:
        return 30;
    case Level::Skilled:
        return 70;
    case Level::Master:
        break;
    }
    return 100;
}

void ComputerPlayer::NewBoard(int cards) {
    onBoard_.clear();
    known_.clear();
    for (int card = 1; card <= cards; ++card)
        onBoard_.insert(card);
}

void ComputerPlayer::Seen(int card, int picture) {
    if (onBoard_.count(card) == 0)
        return;
    // Drawn even at the top level, so that a scripted game draws the same at every level.
    if (static_cast<int>(tk::Random(100)) < RememberPercent(level_))
        known_[card] = picture;
}

void ComputerPlayer::Removed(int card) {
    onBoard_.erase(card);
    known_.erase(card);
}

int ComputerPlayer::AnyOf(const std::set<int>& cards) const {
    auto it = cards.begin();
    std::advance(it, static_cast<long>(tk::Random(static_cast<std::uint32_t>(cards.size()))));
    return *it;
}

int ComputerPlayer::FirstCard() {
    std::map<int, int> firstOf; // picture -> a card remembered with it
    for (const auto& [card, picture] : known_) {
        const auto found = firstOf.find(picture);
        if (found != firstOf.end())
            return found->second;
        firstOf[picture] = card;
    }
    std::set<int> unseen;
    for (const int card : onBoard_) {
        if (known_.count(card) == 0)
            unseen.insert(card);
    }
    return AnyOf(unseen.empty() ? onBoard_ : unseen);
}

int ComputerPlayer::SecondCard(int first, int picture) {
    for (const auto& [card, known] : known_) {
        if (card != first && known == picture)
            return card;
    }
    std::set<int> unseen;
    std::set<int> others;
    for (const int card : onBoard_) {
        if (card == first)
            continue;
        others.insert(card);
        if (known_.count(card) == 0)
            unseen.insert(card);
    }
    if (others.empty())
        return first;
    return AnyOf(unseen.empty() ? others : unseen);
}

} // namespace family
