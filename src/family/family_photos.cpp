// SPDX-License-Identifier: GPL-3.0-or-later
// Cards from a family's photos in pexeso. The folder chosen under "Nová" is looked at before a card
// is dealt from it: a card set deals, a folder of photos is offered to be made into one, anything
// else is said in one message and the board stays. "Hra" → "Karty z fotek…" makes a set of a photo
// folder. A set made goes to cardset::SetsFolder() and is dealt from at once, and the next "Nová"
// opens at it, so a family finds its sets again.
#include "family/family_window.h"

#include "memory/folder_form.h"
#include "toolkit/ui/application.h"

#include <QFileInfo>

#include <algorithm>

namespace family {

namespace {

constexpr int kOkResult = 1;
// The classic deal draws from all of 1.jpg to 23.jpg onto its 40 cards.
constexpr int kClassicPictures = PictureBound - 1;
constexpr int kClassicCards = BoardRows * BoardColumns;

// While a folder is looked at or made into cards, the board is out of play: the computer waits and
// the keys leave the cards alone. Back in play at the end of the scope.
class OutOfPlay {
public:
    OutOfPlay(bool& making, tk::TTimer& computer, std::function<void()> resume)
        : making_(making), resume_(std::move(resume)) {
        making_ = true;
        computer.SetEnabled(false);
    }
    ~OutOfPlay() {
        making_ = false;
        resume_();
    }
    OutOfPlay(const OutOfPlay&) = delete;
    OutOfPlay& operator=(const OutOfPlay&) = delete;

private:
    bool& making_;
    std::function<void()> resume_;
};

} // namespace

photos::Questions FamilyPexeso::Ask() {
    photos::Questions ask;
    ask.photoFolder = [this](const QString& start) { return ChoosePhotoFolder(start); };
    ask.yesNo = photos::AskYesNo;
    ask.tell = photos::Tell;
    return ask;
}

// The folder dialog of "Nová", asking for photos this once.
QString FamilyPexeso::ChoosePhotoFolder(const QString& start) {
    const QString caption = Form5->Label1->Caption();
    Form5->Label1->SetCaption(QStringLiteral("Vyber složku s fotkami:"));
    Form5->DirectoryOutline1->SetDirectory(start);
    const bool chosen = Form5->ShowModal() == kOkResult;
    Form5->Label1->SetCaption(caption);
    return chosen ? Form5->DirectoryOutline1->Directory() : QString();
}

QString FamilyPexeso::CardSetFor(const QString& chosen) {
    const OutOfPlay out(making_, *computerTimer_, [this] { ComputerNext(); });
    return photos::CardSetForDeal(*Form4, chosen, Ask());
}

void FamilyPexeso::CardsFromPhotos() {
    QString set;
    {
        const OutOfPlay out(making_, *computerTimer_, [this] { ComputerNext(); });
        set = photos::CardsFromPhotos(*Form4, Ask());
    }
    if (!set.isEmpty())
        DealFromSet(set);
}

void FamilyPexeso::DealFromSet(const QString& set) {
    if (settings_.board == kClassicBoard)
        DealClassic(set);
    else
        Deal(set);
}

// "Nová" under "klasická hra": memory's own deal, once the folder is known to be a card set.
void FamilyPexeso::NewClassicGame() {
    if (Form5->ShowModal() != kOkResult)
        return;
    const QString set = CardSetFor(Form5->DirectoryOutline1->Directory());
    if (!set.isEmpty())
        DealClassic(set);
}

bool FamilyPexeso::DealClassic(const QString& set) {
    const std::vector<std::uint8_t> pictures = PicturesInFolder(set);
    const auto has = static_cast<int>(std::count_if(pictures.begin(), pictures.end(),
                                                    [](std::uint8_t n) { return n <= kClassicPictures; }));
    if (has < kClassicPictures) {
        tk::App().ShowMessage(TooFewPicturesText(has, kClassicPictures, kClassicCards));
        return false;
    }
    // A set of the maker has its own back; another without one takes the built-in back rather than
    // a message box for each card.
    const QString ownBack = set + QStringLiteral("/znak.jpg");
    const QString back =
        QFileInfo(ownBack).isFile() ? ownBack : BuiltInFolder() + QStringLiteral("/znak.jpg");
    if (Form5->DirectoryOutline1->Directory() != set)
        Form5->DirectoryOutline1->SetDirectory(set); // the next "Nová" opens at the set made
    Form4->DealBoard(back, set);
    return true;
}

} // namespace family
