// SPDX-License-Identifier: GPL-3.0-or-later
// Times the memory game's deal from a folder of 23 camera photos (12 megapixels,
// baseline, 4:2:0, quality 92) and a znak.jpg: the decode limit of the machine for those files, a
// first deal of the game's own window, a repeat deal, the naive deal (each card's file decoded in
// full and scaled), and resident memory after 1 and 100 deals. `deal_bench FOLDER` deals once from
// a folder of one's own and prints its processor time and the process's peak memory. Each figure is printed
// beside its reference from the same run: name, value, unit. The family boards of pexeso (40 and 20
// cards, as large as the screen allows) are dealt from the same folder, against the same limit.
#include "../tests/toolkit/pictures/jpeg_fixture.h"
#include "family/family_window.h"
#include "memory/folder_form.h"
#include "memory/memory_form.h"
#include "printed_dialogs.h"
#include "toolkit/pictures/jpeg.h"
#include "toolkit/pictures/picture_cache.h"
#include "toolkit/text/files.h"
#include "toolkit/ui/application.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <random>
#include <thread>
#include <vector>

namespace {

using fixture::Content;
using fixture::Fixture;

constexpr int kPictures = 23;
constexpr int kCards = 40;
constexpr int kTries = 3; // each timed figure is the best of this many, as the machine is shared
constexpr int kDeals = 100;
constexpr QSize kCard(70, 70);
constexpr QSize kPhoto(4000, 3000);

QString gFolder;
QStringList gFaces; // the face file of each card, in deal order

double Milliseconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

double Best(const std::function<double()>& timed) {
    double best = timed();
    for (int i = 1; i < kTries; ++i)
        best = std::min(best, timed());
    return best;
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString Znak() {
    return QDir(gFolder).filePath(QStringLiteral("znak.jpg"));
}

// The picture numbers of a deal: drawn freely, at most two cards each, as the game draws them.
QStringList DealFaces(unsigned seed) {
    std::mt19937 random(seed);
    std::vector<int> numbers;
    while (int(numbers.size()) < kCards) {
        const int number = 1 + int(random() % kPictures);
        if (std::count(numbers.begin(), numbers.end(), number) < 2)
            numbers.push_back(number);
    }
    QStringList faces;
    for (const int number : numbers)
        faces << QDir(gFolder).filePath(QStringLiteral("%1.jpg").arg(number));
    return faces;
}

// What the machine can do at best: the 23 photos read and decoded at 1/8 scale on two threads.
double DecodeLimit() {
    std::atomic<int> next{1};
    const auto worker = [&] {
        for (int i = next++; i <= kPictures; i = next++)
            tk::DecodeJpeg(ReadAll(QDir(gFolder).filePath(QStringLiteral("%1.jpg").arg(i))), QSize(1, 1));
    };
    return Milliseconds([&] {
        std::thread a(worker), b(worker);
        a.join();
        b.join();
    });
}

// One deal of the memory game itself, timed in milliseconds: "Nová", the folder dialog answered
// with "OK" on the photo folder, and the 40 cards made with their pictures.
double TimeDeal() {
    QTimer::singleShot(0, [] { Form5->Button1->click(); });
    const double ms = Milliseconds([] { Form4->Nov1Click(); });
    QCoreApplication::processEvents();
    return ms;
}

// Each card's file decoded in full and scaled, as a loader without the cache and the DCT scale would.
double NaiveDeal() {
    qint64 keep = 0;
    const double ms = Milliseconds([&] {
        for (const QString& face : gFaces)
            keep += tk::DecodeJpeg(ReadAll(face))
                        .scaled(kCard, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                        .sizeInBytes();
    });
    return keep > 0 ? ms : -1;
}

// The process's resident memory now (VmRSS) or at its peak (VmHWM).
double ResidentMegabytes(const char* field = "VmRSS:") {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(std::strlen(field))).trimmed().split(' ').front().toDouble() / 1024;
    return -1;
}

double ProcessorMilliseconds() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// One deal of the game's window from a folder of one's own (1.jpg to 23.jpg and znak.jpg): its
// processor time and the process's peak resident memory, whatever the files hold.
int DealFromFolder(const QString& folder) {
    gFolder = folder;
    Form4->Show();
    std::printf("rss_before_deal %.1f MB\n", ResidentMegabytes());
    const double cpu = ProcessorMilliseconds();
    const double ms = TimeDeal();
    std::printf("folder_deal_cpu %.1f ms  (wall %.1f ms; %d files decoded)\n", ProcessorMilliseconds() - cpu,
                ms, tk::PictureCache::Instance().Decodes());
    std::printf("folder_deal_peak_rss %.1f MB  (goal < 150 MB)\n", ResidentMegabytes("VmHWM:"));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    tk::Application app(argc, argv);
    app.SetDialogs(std::make_unique<PrintedDialogs>());
    if (argc == 2) {
        tk::SetCurrentDir(QString::fromLocal8Bit(argv[1])); // where the folder dialog's tree starts
        app.CreateForm(Form4);
        app.CreateForm(Form5);
        return DealFromFolder(QString::fromLocal8Bit(argv[1]));
    }
    QTemporaryDir folder;
    gFolder = folder.path();
    const double making = Milliseconds([] {
        for (int i = 1; i <= kPictures; ++i) {
            QFile file(QDir(gFolder).filePath(QStringLiteral("%1.jpg").arg(i)));
            if (file.open(QIODevice::WriteOnly))
                file.write(fixture::MakeJpeg(Fixture{.width = kPhoto.width(),
                                                     .height = kPhoto.height(),
                                                     .quality = 92,
                                                     .content = Content::Photo,
                                                     .seed = unsigned(i)}));
        }
        QFile znak(Znak());
        if (znak.open(QIODevice::WriteOnly))
            znak.write(fixture::MakeJpeg(
                Fixture{.width = 800, .height = 600, .quality = 92, .content = Content::Photo, .seed = 99}));
    });
    std::printf("folder: %d photos of %d x %d (%.1f MB each) and znak.jpg, made in %.0f ms\n", kPictures,
                kPhoto.width(), kPhoto.height(),
                QFile(QDir(gFolder).filePath(QStringLiteral("1.jpg"))).size() / 1e6, making);
    gFaces = DealFaces(1);
    // The memory game's windows, with the folder dialog's tree starting at the photo folder.
    tk::SetCurrentDir(gFolder);
    app.CreateForm(Form4);
    app.CreateForm(Form5);
    Form4->Show();
    std::printf("rss_before_deals %.1f MB\n", ResidentMegabytes());

    const double limit = Best(DecodeLimit);
    const double first = Best([] {
        tk::PictureCache::Instance().Clear();
        return TimeDeal();
    });
    const double repeat = Best(TimeDeal);
    const double naive = NaiveDeal();
    std::printf("decode_limit %.1f ms  (23 photos at 1/8 scale on two threads)\n", limit);
    std::printf("first_deal %.1f ms  (goal <= 1.2 x decode_limit = %.1f ms; %.2f x)\n", first, 1.2 * limit,
                first / limit);
    std::printf("repeat_deal %.1f ms  (goal <= 30 ms)\n", repeat);
    std::printf("naive_deal %.1f ms  (reference: %.1f x first_deal)\n", naive, naive / first);

    tk::PictureCache::Instance().Clear();
    TimeDeal();
    std::printf("rss_after_1_deal %.1f MB  (goal <= 150 MB)\n", ResidentMegabytes());
    for (int deal = 2; deal <= kDeals; ++deal)
        TimeDeal();
    std::printf("rss_after_100_deals %.1f MB  (goal <= 150 MB; %d files decoded in all)\n",
                ResidentMegabytes(), tk::PictureCache::Instance().Decodes());
    const int beneath = static_cast<int>(Form4->findChildren<tk::TImage*>().size()) / 2;
    std::printf("deal_over_%d_cards %.1f ms  (reference: repeat_deal)\n", beneath, TimeDeal());
    const double repaint = Milliseconds([] { Form4->repaint(); });
    std::printf("repaint_over_%d_cards %.1f ms\n", beneath, repaint);

    // The family boards: a first deal (nothing cached) of each, against the same decode limit.
    QTemporaryDir config;
    for (const int cards : {40, 20}) {
        family::Settings settings;
        settings.board = cards;
        settings.folder = gFolder;
        const QString path = config.filePath(QStringLiteral("pexeso%1.ini").arg(cards));
        family::SaveSettings(path, settings);
        family::FamilyPexeso* game = family::AttachFamilyGame(path);
        const double deal = Best([game] {
            tk::PictureCache::Instance().Clear();
            return Milliseconds([game] { game->Deal(gFolder); });
        });
        std::printf(
            "family_first_deal_%d %.1f ms  (cards of %d px; goal <= 1.2 x decode_limit = %.1f ms; %.2f x; "
            "classic first_deal %.1f ms)\n",
            cards, deal, game->CardSize(), 1.2 * limit, deal / limit, first);
        delete game;
    }
    return 0;
}
