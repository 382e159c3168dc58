// SPDX-License-Identifier: GPL-3.0-or-later
#include "photos/photo_folder.h"

#include "cardset/card_set.h"

#include <QStringList>

namespace photos {

FolderLook LookAtFolder(const QString& folder) {
    FolderLook look;
    if (cardset::HoldsCardSet(folder)) {
        look.kind = FolderKind::CardSet;
        return look;
    }
    QStringList names;
    if (cardset::PhotoNames(folder, &names))
        look.photos = static_cast<int>(names.size());
    look.kind = look.photos > 0 ? FolderKind::Photos : FolderKind::Neither;
    return look;
}

QString PhotoCount(int photos) {
    if (photos == 1)
        return QStringLiteral("1 fotka");
    if (photos >= 2 && photos <= 4)
        return QStringLiteral("%1 fotky").arg(photos);
    return QStringLiteral("%1 fotek").arg(photos);
}

bool OffersCards(const FolderLook& look) {
    return look.kind == FolderKind::Photos && look.photos >= cardset::kMinimumPhotos;
}

QString FolderMessage(const FolderLook& look) {
    if (OffersCards(look))
        return QStringLiteral("Ve složce je %1, ale žádné karty. Udělat z nich karty?")
            .arg(PhotoCount(look.photos));
    if (look.kind == FolderKind::Photos)
        return QStringLiteral("Ve složce %1 %2, ale žádné karty. Na karty je potřeba aspoň %3.")
            .arg(look.photos >= 2 && look.photos <= 4 ? QStringLiteral("jsou jen") : QStringLiteral("je jen"),
                 PhotoCount(look.photos), PhotoCount(cardset::kMinimumPhotos));
    return QStringLiteral("Ve složce nejsou karty ani fotky.\n\n"
                          "Sada karet je složka s obrázky 1.jpg, 2.jpg, … (nejvýše %1.jpg) a s rubem karet "
                          "znak.jpg. Pexeso ji udělá samo ze složky fotek: Hra → Karty z fotek…")
        .arg(cardset::kPictureCount);
}

} // namespace photos
