// SPDX-License-Identifier: GPL-3.0-or-later
// What a folder chosen for a deal holds, and what the game says about it in one message.
#pragma once

#include <QString>

namespace photos {

enum class FolderKind {
    CardSet, // holds any of 1.jpg to 23.jpg
    Photos,  // no card set, but photos (*.jpg, *.jpeg in any letter case)
    Neither,
};

struct FolderLook {
    FolderKind kind = FolderKind::Neither;
    int photos = 0; // files named as photos, when the folder holds no card set
};

FolderLook LookAtFolder(const QString& folder);

// The one message about a folder that is no card set: for photos enough for a set the offer to make
// cards of them (a yes-or-no question), for too few photos what is missing, for neither what a card
// set is and how the game makes one.
QString FolderMessage(const FolderLook& look);
// Whether FolderMessage asks a question.
bool OffersCards(const FolderLook& look);

// "1 fotka", "3 fotky", "37 fotek".
QString PhotoCount(int photos);

} // namespace photos
