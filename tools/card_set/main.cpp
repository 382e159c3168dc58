// SPDX-License-Identifier: GPL-3.0-or-later
// pexeso-karty SOURCE TARGET: makes a card set for the memory game from a folder of photos.
#include "cardset/card_set.h"

#include "toolkit/text/files.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>
#include <unistd.h>

namespace {

// The progress line on a terminal: rewritten in place, and cleared before any other line.
bool gProgressShown = false;

void ClearProgress() {
    if (gProgressShown)
        std::fputs("\r\033[K", stderr);
    gProgressShown = false;
}

void Print(std::FILE* stream, const QString& text) {
    ClearProgress();
    std::fprintf(stream, "%s\n", text.toUtf8().constData());
    std::fflush(stream);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(tk::DecodeFileName(QByteArray(argv[i])));
    cardset::Output out{
        [](const QString& text) { Print(stdout, text); },
        [](const QString& text) { Print(stderr, text); },
    };
    // Progress only for a person watching: output into a file or a pipe stays as it was.
    if (::isatty(STDERR_FILENO) != 0 && ::isatty(STDOUT_FILENO) != 0)
        out.progress = [](int done, int total) {
            std::fprintf(stderr, "\rDělám karty: %d z %d", done, total);
            std::fflush(stderr);
            gProgressShown = true;
        };
    cardset::Options options;
    if (!cardset::ParseArguments(arguments, &options, out))
        return arguments.contains(QStringLiteral("--help")) || arguments.contains(QStringLiteral("-h"))
                   ? 0
                   : cardset::kUsage;
    const int status = cardset::MakeCardSet(options, out);
    ClearProgress();
    return status;
}
