// SPDX-License-Identifier: GPL-3.0-or-later
#include "photos/cards_from_photos.h"

#include "photos/making_view.h"
#include "photos/photo_folder.h"
#include "toolkit/text/files.h"
#include "toolkit/ui/application.h"
#include "toolkit/ui/controls.h"
#include "toolkit/ui/worker.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace photos {

namespace {

constexpr int kYes = 6;
constexpr int kNo = 7;

// The photos skipped and why, as a sentence.
QString Skipped(const cardset::Summary& summary) {
    QStringList skipped;
    for (const cardset::Summary::Skipped& photo : summary.skipped)
        skipped << QStringLiteral("%1 (%2)").arg(cardset::Quoted(photo.photo), photo.why);
    return QStringLiteral("Přeskočil jsem: %1.").arg(skipped.join(QStringLiteral(", ")));
}

// What the parent reads once a making has ended: nothing when all went well and no photo was
// skipped, else the maker's own words.
QString Outcome(const Making& making) {
    const QString skipped = making.summary.skipped.empty() ? QString() : Skipped(making.summary);
    switch (making.status) {
    case cardset::kDone:
        if (skipped.isEmpty())
            return {};
        return QStringLiteral("Karty jsou hotové, %1 obrázků. ").arg(making.summary.used.size()) + skipped;
    case cardset::kCancelled:
        return {};
    case cardset::kTooFewPhotos:
        return making.problems.last() + (skipped.isEmpty() ? QString() : QLatin1Char(' ') + skipped);
    default:
        return making.problems.isEmpty() ? QStringLiteral("Karty se nepodařilo udělat.")
                                         : making.problems.last();
    }
}

QString HomeFolder() {
    const char* home = std::getenv("HOME");
    return tk::DecodeFileName(QByteArray(home != nullptr ? home : "/"));
}

QString MakeAndTell(tk::TForm& window, const QString& photoFolder, const Questions& ask) {
    const Making making =
        MakeCardsShowing(window, photoFolder, ask.sets.isEmpty() ? cardset::SetsFolder() : ask.sets);
    if (const QString outcome = Outcome(making); !outcome.isEmpty())
        (ask.tell ? ask.tell : Tell)(outcome);
    return making.status == cardset::kDone ? making.folder : QString();
}

} // namespace

bool AskYesNo(const QString& question) {
    tk::TForm box(nullptr);
    box.SetCaption(tk::App().Title());
    box.SetBorderStyle(tk::BorderStyle::Dialog);
    box.SetColor(tk::ButtonFaceColor());
    auto* text = new tk::TLabel(&box);
    text->SetCaption(QString(question).replace(QStringLiteral(". "), QStringLiteral(".\n")));
    text->SetBounds(16, 16, text->Width(), text->Height());
    const int width = std::max(text->Width() + 32, 240);
    const int buttons = text->Height() + 32;
    const auto button = [&](const QString& caption, int left, int result) {
        auto* b = new tk::TButton(&box);
        b->SetCaption(caption);
        b->SetBounds(left, buttons, 80, 26);
        b->SetModalResult(result);
    };
    button(QStringLiteral("Ano"), width / 2 - 88, kYes);
    button(QStringLiteral("Ne"), width / 2 + 8, kNo);
    box.SetOuterSize(width + 8, buttons + 26 + 16 + 34);
    box.SetCentered(true);
    return box.ShowModal() == kYes;
}

void Tell(const QString& text) {
    tk::App().ShowMessage(text);
}

Making MakeCardsShowing(tk::TForm& window, const QString& photoFolder, const QString& sets) {
    Making making;
    making.folder = cardset::NewSetFolder(sets, photoFolder);
    MakingView view(window);
    tk::TWorker worker;
    view.OnCancel = [&worker] { worker.RequestStop(); };
    // The worker's inputs, copied before it starts; what it reports comes back as posted functions,
    // which run on this thread and alone touch the view and the result.
    const cardset::Options options{photoFolder, making.folder, false, false};
    worker.Start([options, &view, &making](std::stop_token stop, const tk::TWorker::Post& post) {
        cardset::Output out{
            [](const QString&) {},
            [&post, &making](const QString& text) { post([&making, text] { making.problems << text; }); },
            [&post, &view](int done, int total) {
                post([&view, done, total] { view.SetProgress(done, total); });
            },
        };
        cardset::Summary summary;
        const cardset::Status status = cardset::MakeCardSet(options, out, stop, &summary);
        post([&making, status, summary] {
            making.status = status;
            making.summary = summary;
        });
    });
    worker.WaitShowing(window);
    return making;
}

QString CardsFromPhotos(tk::TForm& window, const Questions& ask) {
    const QString folder = ask.photoFolder ? ask.photoFolder(HomeFolder()) : QString();
    if (folder.isEmpty())
        return {};
    const FolderLook look = LookAtFolder(folder);
    if (look.kind == FolderKind::CardSet)
        return folder; // cards already: deal from them
    if (!OffersCards(look)) {
        (ask.tell ? ask.tell
                  : Tell)(look.kind == FolderKind::Neither
                              ? QStringLiteral("Ve složce nejsou žádné fotky (soubory .jpg nebo .jpeg).")
                              : FolderMessage(look));
        return {};
    }
    return MakeAndTell(window, folder, ask);
}

QString CardSetForDeal(tk::TForm& window, const QString& folder, const Questions& ask) {
    const FolderLook look = LookAtFolder(folder);
    if (look.kind == FolderKind::CardSet)
        return folder;
    if (!OffersCards(look)) {
        (ask.tell ? ask.tell : Tell)(FolderMessage(look));
        return {};
    }
    if (!(ask.yesNo ? ask.yesNo : AskYesNo)(FolderMessage(look)))
        return {};
    return MakeAndTell(window, folder, ask);
}

} // namespace photos
