// pexeso-karty SOURCE TARGET: makes a card set for the memory game from a folder of photos.
#include "card_set.h"

#include "toolkit/text/files.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(tk::DecodeFileName(QByteArray(argv[i])));
    const cardset::Output out{
        [](const QString& text) { std::fprintf(stdout, "%s\n", text.toUtf8().constData()); },
        [](const QString& text) { std::fprintf(stderr, "%s\n", text.toUtf8().constData()); },
    };
    cardset::Options options;
    if (!cardset::ParseArguments(arguments, &options, out))
        return arguments.contains(QStringLiteral("--help")) || arguments.contains(QStringLiteral("-h"))
                   ? 0
                   : cardset::kUsage;
    return cardset::MakeCardSet(options, out);
}
