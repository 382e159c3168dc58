// SPDX-License-Identifier: GPL-3.0-or-later
#include "cardset/card_set.h"

#include "cardset/set_writer.h"
#include "toolkit/pictures/jpeg.h"
#include "toolkit/pictures/jpeg_writer.h"
#include "toolkit/text/errors.h"
#include "toolkit/text/files.h"

#include <QFile>

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <future>
#include <string>
#include <system_error>
#include <thread>

namespace cardset {

namespace {

namespace fs = std::filesystem;

const char* const kBackName = "znak.jpg";
const char* const kBackResource = ":/pexeso-karty/znak.jpg";
// Photos decoded at once: a camera photo's eighth-scale decode is a core's work, and two of them
// hold little of the loader's memory budget.
constexpr unsigned kMostDecoders = 4;

fs::path NativePath(const QString& path) {
    return fs::path(tk::EncodeFileName(path).toStdString());
}

QString FromNative(const std::string& bytes) {
    return tk::DecodeFileName(QByteArray::fromStdString(bytes));
}

bool IsJpegName(const std::string& name) {
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return false;
    std::string extension = name.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return extension == "jpg" || extension == "jpeg";
}

// A photo as a card: upright, the largest centred square, reduced to kEdge x kEdge and encoded.
// Its file is read a chunk at a time and decoded at the smallest DCT scale that still covers the
// card, so a camera photo of 4000 x 3000 is decoded at 500 x 375, within the loader's one memory
// budget, however many photos are under way. Raises tk::EPictureError.
QByteArray Card(const QString& path) {
    return tk::EncodeJpeg(tk::LoadSquareCard(path, kEdge), kQuality);
}

// What became of one photo, made on a thread of its own.
struct Made {
    QByteArray card; // empty when the photo was skipped
    QString why;
    QString detail;
    bool notJpeg = false;
};

Made MakeCard(const QString& path) {
    Made made;
    try {
        made.card = Card(path);
    } catch (const tk::EPictureError& error) {
        made.why = WhatIsWrong(error);
        made.detail = error.Detail();
        made.notJpeg = error.GetKind() == tk::EPictureError::Kind::NotJpeg;
    }
    return made;
}

QString PictureName(int number) {
    return QString::number(number) + QStringLiteral(".jpg");
}

QByteArray BuiltInBack() {
    QFile backFile(QString::fromLatin1(kBackResource));
    if (!backFile.open(QIODevice::ReadOnly))
        qFatal("the card back is not built into the program");
    return backFile.readAll();
}

} // namespace

QString WhatIsWrong(const tk::EPictureError& error) {
    switch (error.GetKind()) {
    case tk::EPictureError::Kind::NotJpeg:
        return QStringLiteral("není to obrázek JPEG");
    case tk::EPictureError::Kind::TooLarge:
        return QStringLiteral("obrázek je příliš velký, nelze ho přečíst");
    case tk::EPictureError::Kind::Unreadable:
        return QStringLiteral("soubor nelze přečíst");
    case tk::EPictureError::Kind::Unsupported:
        return QStringLiteral("je to druh JPEG, který neumím přečíst (12bitový nebo bezeztrátový)");
    case tk::EPictureError::Kind::Damaged:
        break;
    }
    return QStringLiteral("obrázek je poškozený");
}

QString Usage() {
    return QStringLiteral(
               "Použití: pexeso-karty [--force] [--verbose] ZDROJ CÍL\n"
               "Udělá sadu karet pro pexeso ze složky fotografií ZDROJ: vezme fotografie JPEG (*.jpg, "
               "*.jpeg)\n"
               "podle jména, nejméně %3 a nejvýše prvních %1, z každé vyřízne čtverec ze středu, zmenší ho\n"
               "na %2 × %2 bodů a uloží do složky CÍL jako 1.jpg, 2.jpg, …, k nim rub karet znak.jpg.\n"
               "Poškozené fotografie a soubory, které nejsou obrázky JPEG, přeskočí a vyjmenuje. Sadu, "
               "která\n"
               "už ve složce CÍL je, přepíše jen s volbou --force. S volbou --verbose řekne u přeskočené\n"
               "fotografie i hlášení knihovny libjpeg nebo systému.")
        .arg(kPictureCount)
        .arg(kEdge)
        .arg(kMinimumPhotos);
}

bool ParseArguments(const QStringList& arguments, Options* options, const Output& out) {
    QStringList paths;
    for (const QString& argument : arguments) {
        if (argument == QLatin1String("--force")) {
            options->force = true;
        } else if (argument == QLatin1String("--verbose")) {
            options->verbose = true;
        } else if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            out.info(Usage());
            return false;
        } else if (argument.startsWith(QLatin1Char('-')) && argument.size() > 1) {
            out.problem(QStringLiteral("Neznámá volba %1.\n").arg(tk::EscapedFileName(argument)) + Usage());
            return false;
        } else {
            paths.append(argument);
        }
    }
    if (paths.size() != 2) {
        out.problem(Usage());
        return false;
    }
    options->source = paths[0];
    options->target = paths[1];
    return true;
}

bool PhotoNames(const QString& folder, QStringList* names, QString* systemText) {
    std::vector<std::string> found;
    std::error_code error;
    for (fs::directory_iterator it(NativePath(folder), error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().native();
        if (IsJpegName(name))
            found.push_back(name);
    }
    if (error) {
        if (systemText != nullptr)
            *systemText = QString::fromLocal8Bit(error.message().c_str());
        return false;
    }
    std::sort(found.begin(), found.end()); // std::string compares as unsigned char: byte order
    names->clear();
    for (const std::string& name : found)
        names->append(FromNative(name));
    return true;
}

bool HoldsCardSet(const QString& folder) {
    for (int number = 1; number <= kPictureCount; ++number)
        if (tk::FileExists(tk::JoinPath(folder, PictureName(number))))
            return true;
    return false;
}

QString SetsFolder() {
    // A relative XDG_DATA_HOME is invalid and ignored, as the base directory rules say.
    const char* data = std::getenv("XDG_DATA_HOME");
    QString base = data != nullptr && data[0] == '/' ? tk::DecodeFileName(QByteArray(data)) : QString();
    if (base.isEmpty()) {
        const char* home = std::getenv("HOME");
        base = tk::JoinPath(tk::DecodeFileName(QByteArray(home != nullptr ? home : "/")),
                            QStringLiteral(".local/share"));
    }
    return tk::JoinPath(base, QStringLiteral("pexeso"));
}

QString NewSetFolder(const QString& sets, const QString& photoFolder) {
    fs::path folder = NativePath(photoFolder).lexically_normal();
    if (!folder.has_filename())
        folder = folder.parent_path();
    std::string name = folder.filename().native();
    while (!name.empty() && name.front() == '.') // never hidden, never "." or ".."
        name.erase(0, 1);
    QString base = FromNative(name);
    if (base.isEmpty())
        base = QStringLiteral("fotky");
    QString candidate = tk::JoinPath(sets, base);
    std::error_code error;
    for (int n = 2; fs::symlink_status(NativePath(candidate), error).type() != fs::file_type::not_found; ++n)
        candidate = tk::JoinPath(sets, QStringLiteral("%1 (%2)").arg(base).arg(n));
    return candidate;
}

Status MakeCardSet(const Options& options, const Output& out, std::stop_token cancel, Summary* summary) {
    Summary own;
    Summary& said = summary != nullptr ? *summary : own;
    QStringList names;
    QString systemText;
    if (!PhotoNames(options.source, &names, &systemText)) {
        out.problem(QStringLiteral("Složku %1 nelze přečíst: %2.").arg(Quoted(options.source), systemText));
        return kSourceUnreadable;
    }

    if (!options.force) {
        for (int number = 0; number <= kPictureCount; ++number) {
            const QString name = number == 0 ? QString::fromLatin1(kBackName) : PictureName(number);
            if (tk::FileExists(tk::JoinPath(options.target, name))) {
                out.problem(
                    QStringLiteral("Ve složce %1 už sada karet je (%2). Přepsat ji lze volbou --force.")
                        .arg(Quoted(options.target), name));
                return kSetExists;
            }
        }
    }

    // How many photos there are (files that are no JPEG pictures are none), and when some could
    // not be read, how many of them are usable.
    int notJpeg = 0;
    const auto tooFew = [&](int usable, bool checked) {
        const int photos = static_cast<int>(names.size()) - notJpeg;
        const QString counted = checked && usable != photos
                                    ? QStringLiteral("%1 (použitelných %2)").arg(photos).arg(usable)
                                    : QString::number(photos);
        out.problem(QStringLiteral("Fotografií JPEG ve složce %1: %2; sada jich potřebuje aspoň %3.")
                        .arg(Quoted(options.source), counted)
                        .arg(kMinimumPhotos));
        return kTooFewPhotos;
    };
    if (names.size() < kMinimumPhotos)
        return tooFew(static_cast<int>(names.size()), false);

    // The photos in name order, a few at a time on threads of their own; each card is taken in
    // order, so the set holds the first usable photos whatever finishes first.
    const unsigned decoders = std::clamp(std::thread::hardware_concurrency(), 2u, kMostDecoders);
    std::deque<std::future<Made>> running;
    qsizetype next = 0;
    std::vector<QByteArray> cards;
    const auto total = [&] {
        const qsizetype left = names.size() - next + static_cast<qsizetype>(running.size());
        return static_cast<int>(
            std::min<qsizetype>(kPictureCount, static_cast<qsizetype>(cards.size()) + left));
    };
    const auto report = [&] {
        if (out.progress)
            out.progress(static_cast<int>(cards.size()), total());
    };
    const auto wanted = [&] { return static_cast<qsizetype>(cards.size() + running.size()) < kPictureCount; };
    report();
    for (;;) {
        while (!cancel.stop_requested() && running.size() < decoders && next < names.size() && wanted())
            running.push_back(
                std::async(std::launch::async, MakeCard, tk::JoinPath(options.source, names[next++])));
        if (running.empty())
            break;
        Made made = running.front().get();
        running.pop_front();
        const QString& photo = names[next - static_cast<qsizetype>(running.size()) - 1];
        if (cancel.stop_requested())
            continue; // the photos under way are waited for, and nothing is written
        if (!made.card.isEmpty()) {
            cards.push_back(made.card);
            said.used.push_back({PictureName(static_cast<int>(cards.size())), photo});
        } else {
            notJpeg += made.notJpeg ? 1 : 0;
            said.skipped.push_back({photo, made.why, made.notJpeg});
            QString text = QStringLiteral("Přeskakuji %1: %2.").arg(Quoted(photo), made.why);
            if (options.verbose && !made.detail.isEmpty())
                text += QStringLiteral(" (%1)").arg(made.detail);
            out.problem(text);
        }
        report();
    }
    if (cancel.stop_requested())
        return kCancelled;
    if (cards.size() < kMinimumPhotos)
        return tooFew(static_cast<int>(cards.size()), true);

    std::vector<SetFile> files{{QString::fromLatin1(kBackName), BuiltInBack()}};
    for (std::size_t i = 0; i < cards.size(); ++i)
        files.push_back({PictureName(static_cast<int>(i) + 1), cards[i]});
    std::vector<QString> stale; // an earlier, larger set's cards beyond this one's
    for (int number = static_cast<int>(cards.size()) + 1; number <= kPictureCount; ++number)
        stale.push_back(PictureName(number));
    if (!SetWriter(options.target, out.problem).Write(files, stale))
        return kWriteFailed;
    for (const Summary::Used& used : said.used)
        out.info(QStringLiteral("%1 ← %2").arg(used.card, tk::EscapedFileName(used.photo)));
    if (!said.skipped.empty()) {
        QStringList skipped;
        for (const Summary::Skipped& photo : said.skipped)
            skipped << QStringLiteral("%1 (%2)").arg(Quoted(photo.photo), photo.why);
        out.info(QStringLiteral("Přeskočeno: %1.").arg(skipped.join(QStringLiteral(", "))));
    }
    out.info(QStringLiteral("Sada karet je hotová ve složce %1: %2 karet z %3 fotografií.")
                 .arg(Quoted(options.target))
                 .arg(cards.size())
                 .arg(names.size() - notJpeg));
    return kDone;
}

} // namespace cardset
