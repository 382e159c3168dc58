// SPDX-License-Identifier: GPL-3.0-or-later
// The card-set maker: turns a folder of photos into a card set for the memory game, 1.jpg to 23.jpg
// (square cuts of the first 23 readable photos by name) and the card back znak.jpg.
#pragma once

#include <QString>

#include <functional>

namespace cardset {

constexpr int kPictureCount = 23; // the memory game's faces are 1.jpg to 23.jpg
constexpr int kEdge = 280;        // four times a card's 70 pixels: sharp also on a large screen
constexpr int kQuality = 90;

enum Status : int {
    kDone = 0,
    kUsage = 1,
    kSourceUnreadable = 2,
    kSetExists = 3,
    kTooFewPhotos = 4,
    kWriteFailed = 5,
};

struct Options {
    QString source; // paths as tk::DecodeFileName gives them, so that any bytes survive
    QString target;
    bool force = false;
    bool verbose = false; // a skipped photo's message also gives libjpeg's or the system's own text
};

// Where the maker's messages go: progress, and problems (skipped photos, refusals).
struct Output {
    std::function<void(const QString&)> info;
    std::function<void(const QString&)> problem;
};

// Reads the command line ("--force", "--verbose", SOURCE, TARGET); false, with a message, when it is not one.
bool ParseArguments(const QStringList& arguments, Options* options, const Output& out);

// Makes the set: all of it or, when anything fails, nothing (TARGET is as it was).
Status MakeCardSet(const Options& options, const Output& out);

// The usage text.
QString Usage();

} // namespace cardset
