// SPDX-License-Identifier: GPL-3.0-or-later
// Cards from a family's photos, from inside the game window: the menu item "Hra" → "Karty z fotek…",
// and the offer when a folder chosen for a deal holds photos but no cards. The set is made by the
// card-set maker on a worker thread, with its progress and "Zrušit" in the window, into a new
// folder of cardset::SetsFolder() named as the photo folder.
#pragma once

#include "cardset/card_set.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace tk {
class TForm;
}

namespace photos {

// What the window answers on the way. The defaults are the program's own message box and a
// yes-or-no box; tests put their answers here.
struct Questions {
    // The photo folder to make cards from, or "" when the parent changed their mind. `start` is
    // where the folder dialog opens.
    std::function<QString(const QString& start)> photoFolder;
    std::function<bool(const QString& question)> yesNo;
    std::function<void(const QString& text)> tell;
    // Where the sets go; empty for cardset::SetsFolder().
    QString sets;
};

// A yes-or-no box ("Ano", "Ne") over the active window; true for "Ano".
bool AskYesNo(const QString& question);
// The program's message box.
void Tell(const QString& text);

// What one making did.
struct Making {
    cardset::Status status = cardset::kCancelled;
    QString folder;       // the set's folder when made
    QStringList problems; // the maker's messages, in order
    cardset::Summary summary;
};

// Makes a set from the photos of `photoFolder` into a new folder of `sets` on a worker, showing its
// progress over `window`'s client area with "Zrušit", and returns when it has ended; the window keeps
// painting and its menu is off meanwhile. A cancel or a failure leaves nothing in `sets`.
Making MakeCardsShowing(tk::TForm& window, const QString& photoFolder, const QString& sets);

// "Hra" → "Karty z fotek…": asks for a photo folder and makes a set of it in cardset::SetsFolder().
// Returns the set's folder to deal from, or "" when none was made (the parent was told why, unless
// they cancelled).
QString CardsFromPhotos(tk::TForm& window, const Questions& ask);

// A folder chosen for a deal. A card set: the folder itself. Photos: one message offers to make cards
// of them, and on "yes" the new set's folder (as CardsFromPhotos). Neither, or too few photos: one
// message says what a card set is, and "" (the board stays as it was).
QString CardSetForDeal(tk::TForm& window, const QString& folder, const Questions& ask);

} // namespace photos
