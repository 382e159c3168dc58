// SPDX-License-Identifier: GPL-3.0-or-later
// The card-set maker: turns a folder of photos into a card set for the memory game, 1.jpg to N.jpg
// (square cuts of the first readable photos by name, at least 6 and at most 23) and the card back
// znak.jpg. pexeso-karty runs it on the command line, the game on a worker thread.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <stop_token>
#include <vector>

namespace tk {
class EPictureError;
}

namespace cardset {

constexpr int kPictureCount = 23; // the memory game's faces are 1.jpg to 23.jpg
constexpr int kMinimumPhotos = 6; // the smallest family board: 12 cards, 6 pairs
constexpr int kEdge = 280;        // four times a card's 70 pixels: sharp also on a large screen
constexpr int kQuality = 90;

enum Status : int {
    kDone = 0,
    kUsage = 1,
    kSourceUnreadable = 2,
    kSetExists = 3,
    kTooFewPhotos = 4,
    kWriteFailed = 5,
    kCancelled = 6,
};

struct Options {
    QString source; // paths as tk::DecodeFileName gives them, so that any bytes survive
    QString target;
    bool force = false;
    bool verbose = false; // a skipped photo's message also gives libjpeg's or the system's own text
};

// Where the maker's messages go: what it made, and problems (skipped photos, refusals). They are
// called on the thread that runs MakeCardSet.
struct Output {
    std::function<void(const QString&)> info;
    std::function<void(const QString&)> problem;
    // After the list of photos is read and after each photo: cards made so far of those the set
    // will have. Optional.
    std::function<void(int done, int total)> progress = {};
};

// What a run did with the photos, for a summary in the maker's own words.
struct Summary {
    struct Used {
        QString card;  // "1.jpg"
        QString photo; // the photo's file name
    };
    struct Skipped {
        QString photo;
        QString why;          // in Czech, as WhatIsWrong says it
        bool notJpeg = false; // not a JPEG picture at all: not counted as a photo
    };
    std::vector<Used> used;
    std::vector<Skipped> skipped;
};

// Reads the command line ("--force", "--verbose", SOURCE, TARGET); false, with a message, when it is not one.
bool ParseArguments(const QStringList& arguments, Options* options, const Output& out);

// Makes the set: all of it or, when anything fails or `cancel` is requested, nothing (TARGET is as it
// was). The photos are decoded on a few threads of its own; `cancel` is looked at between photos.
Status MakeCardSet(const Options& options, const Output& out, std::stop_token cancel = {},
                   Summary* summary = nullptr);

// The usage text.
QString Usage();

// A file name in Czech quotes as a terminal or a message can show it: bytes that are not UTF-8
// escaped, never lost.
QString Quoted(const QString& path);

// Why a picture cannot become a card, in the words a parent reads: the one place of these texts.
QString WhatIsWrong(const tk::EPictureError& error);

// The names of the folder's photos (*.jpg, *.jpeg in any letter case) in byte order, as
// tk::DecodeFileName gives them; false when the folder cannot be listed.
bool PhotoNames(const QString& folder, QStringList* names, QString* systemText = nullptr);

// Whether the folder holds a card set: any of 1.jpg to 23.jpg.
bool HoldsCardSet(const QString& folder);

// Where the game keeps the sets it makes: $XDG_DATA_HOME/pexeso, or ~/.local/share/pexeso.
QString SetsFolder();

// A folder for a new set made from this photo folder, in `sets`: named as the photo folder (a
// leading dot dropped, so it is never hidden), with " (2)", " (3)", ... when that name is taken, so
// an earlier set is never overwritten.
QString NewSetFolder(const QString& sets, const QString& photoFolder);

} // namespace cardset
