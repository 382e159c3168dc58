// SPDX-License-Identifier: GPL-3.0-or-later
// Times the JPEG loader on a 12-megapixel photo-like picture, decoded in full and at 1/8 scale (what
// the memory game asks for when it deals from a folder of camera photos), and measures the worst
// files we know of: each is decoded from its file in a child process of its own, so that its
// processor time and peak resident memory are its own, and the worst deals, the cache's two workers
// on a folder of such files. `jpeg_bench hostile` runs the files alone, `jpeg_bench only NAME` one
// of them, `jpeg_bench write NAME PATH` writes one out.
#include "../tests/toolkit/pictures/jpeg_fixture.h"
#include "toolkit/pictures/jpeg.h"
#include "toolkit/pictures/picture_cache.h"
#include "toolkit/text/errors.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using fixture::Content;
using fixture::Fixture;
using fixture::Kind;

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;
constexpr int kQuality = 90;
constexpr int kRuns = 7;
constexpr QSize kCard(70, 70);

double MedianMilliseconds(const QByteArray& data, QSize target, QSize* decoded) {
    std::vector<double> times;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const QImage image = tk::DecodeJpeg(data, target);
        const auto elapsed = std::chrono::steady_clock::now() - start;
        *decoded = image.size();
        times.push_back(std::chrono::duration<double, std::milli>(elapsed).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// The child: decodes one file as the program does (as a card when asked), or deals from a folder
// as the memory game does, and prints the time and the outcome.
int DecodeOne(const char* path, const char* mode) {
    const QString file = QString::fromLocal8Bit(path);
    const std::string how = mode;
    const auto start = std::chrono::steady_clock::now();
    std::string outcome;
    try {
        if (how == "deal") {
            int argc = 1;
            char name[] = "jpeg_bench";
            char* argv[] = {name, nullptr};
            QCoreApplication app(argc, argv);
            QStringList paths;
            for (const QString& name : QDir(file).entryList({QStringLiteral("*.jpg")}, QDir::Files))
                paths << QDir(file).filePath(name);
            tk::PictureCache::Instance().Prefetch(paths, kCard, 1.0);
            int cards = 0;
            for (const QString& card : paths) {
                try {
                    cards += tk::PictureCache::Instance().Get(card, kCard, 1.0).isNull() ? 0 : 1;
                } catch (const tk::EPictureError&) {
                }
            }
            outcome = std::to_string(cards) + " of " + std::to_string(paths.size()) + " cards";
        } else {
            const QImage image = how == "card" ? tk::LoadCardPicture(file, kCard) : tk::LoadPictureFile(file);
            outcome = std::to_string(image.width()) + "x" + std::to_string(image.height());
        }
    } catch (const tk::EPictureError& error) {
        outcome = error.Text().toStdString();
    }
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.1f %s\n", ms, outcome.c_str());
    return 0;
}

struct Hostile {
    const char* name;
    std::function<QByteArray()> make;
    int copies = 0; // a deal from this many copies of the file, instead of one decode
};

bool Write(const QString& path, const QByteArray& data) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

// Runs the child on the file in both modes (or the deal) and prints the processor time, peak memory
// and outcome of each.
void Measure(const char* self, const QString& folder, const Hostile& hostile) {
    QByteArray data = hostile.make();
    const qsizetype size = data.size();
    QString path = QDir(folder).filePath(QString::fromLatin1(hostile.name) + QStringLiteral(".jpg"));
    std::vector<const char*> modes = {"full", "card"};
    if (hostile.copies > 0) {
        path = QDir(folder).filePath(QString::fromLatin1(hostile.name));
        QDir().mkpath(path);
        for (int i = 1; i <= hostile.copies; ++i)
            if (!Write(QDir(path).filePath(QStringLiteral("%1.jpg").arg(i)), data))
                return;
        modes = {"deal"};
    } else if (!Write(path, data)) {
        return;
    }
    // The child's peak memory counts what the parent holds when it forks.
    data = QByteArray();
    for (const char* mode : modes) {
        int pipes[2];
        if (::pipe(pipes) != 0)
            return;
        const pid_t child = ::fork();
        if (child == 0) {
            ::dup2(pipes[1], 1);
            ::execl(self, self, "decode", QFile::encodeName(path).constData(), mode, nullptr);
            std::_Exit(127);
        }
        ::close(pipes[1]);
        char buffer[512] = {};
        const ssize_t got = ::read(pipes[0], buffer, sizeof buffer - 1);
        ::close(pipes[0]);
        int status = 0;
        rusage usage{};
        ::wait4(child, &status, 0, &usage);
        std::string line = got > 0 ? std::string(buffer, std::size_t(got)) : std::string("? crashed\n");
        const double ms = std::atof(line.c_str());
        line = line.substr(line.find(' ') + 1);
        line.pop_back();
        // The machine is shared, so the processor time of the child is the figure; the wall time of
        // its decode is beside it.
        const double cpu = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
        std::printf("hostile_%s_%s_cpu %.1f ms  (whole child; decode wall %.1f ms; file %.1f KB; %s)\n",
                    hostile.name, mode, cpu, ms, size / 1024.0, line.c_str());
        std::fflush(stdout);
        std::printf("hostile_%s_%s_peak_rss %.1f MB\n", hostile.name, mode, usage.ru_maxrss / 1024.0);
    }
}

QByteArray Photo(int width, int height, int quality, bool progressive, bool arithmetic, bool subsampled) {
    Fixture f{.width = width,
              .height = height,
              .progressive = progressive,
              .arithmetic = arithmetic,
              .quality = quality,
              .content = Content::Photo};
    if (!subsampled)
        f.sampling = {{1, 1}, {1, 1}, {1, 1}};
    return fixture::MakeJpeg(f);
}

constexpr qint64 kFloodBytes = qint64{127} << 20; // just inside the largest file read

QByteArray Flood(const QByteArray& data, qsizetype at, const char* marker, int size, qint64 bytes) {
    return fixture::WithInserted(data, at, QByteArray(marker, size), int(bytes / size));
}

QByteArray TrailingBytesPhoto() {
    QByteArray data = Photo(4800, 4000, 90, true, false, false);
    std::mt19937 noise(7);
    const qsizetype end = data.size();
    data.resize(kFloodBytes);
    for (qsizetype i = end; i < data.size(); ++i)
        data[i] = char(noise());
    return data;
}

// The files that broke the goals once, each at full size, then the worst deals.
std::vector<Hostile> HostileFiles() {
    const auto baseline = [] { return fixture::MakeJpeg(Fixture{.width = 640, .height = 480}); };
    const auto progressive = [] {
        return fixture::MakeJpeg(Fixture{.width = 640, .height = 480, .progressive = true});
    };
    return {
        {"tiny", [] { return fixture::MakeJpeg(Fixture{.width = 16, .height = 16}); }},
        {"wide_sampled_4728", fixture::WideSampledClaim},
        {"half_sampled_4728", fixture::HalfSampledClaim},
        {"arithmetic_37800", fixture::ArithmeticGiantClaim},
        {"progressive_20000", fixture::ProgressiveGiantClaim},
        {"baseline_24mp_photo", [] { return Photo(6000, 4000, 92, false, false, true); }},
        {"progressive_100_scans_22mp_420",
         [] {
             return fixture::MakeJpeg(Fixture{.width = 5400,
                                              .height = 4000,
                                              .quality = 98,
                                              .scans = fixture::ScanScript(100),
                                              .content = Content::Photo});
         }},
        {"progressive_100_scans_22mp_444",
         [] {
             return fixture::MakeJpeg(Fixture{.width = 5400,
                                              .height = 4000,
                                              .quality = 98,
                                              .scans = fixture::ScanScript(100),
                                              .content = Content::Photo,
                                              .sampling = {{1, 1}, {1, 1}, {1, 1}}});
         }},
        {"arithmetic_q100_22mp_noise",
         [] {
             return fixture::MakeJpeg(Fixture{.width = 5400,
                                              .height = 4000,
                                              .arithmetic = true,
                                              .quality = 100,
                                              .content = Content::Noise,
                                              .sampling = {{1, 1}, {1, 1}, {1, 1}}});
         }},
        // Decoding past the data: trained on noise, then claiming far more rows than it holds.
        {"arithmetic_trained_2048x65500", [] { return fixture::TrainedArithmeticClaim(2048, 64, 65500); }},
        {"arithmetic_trained_rgb444_2048x21800",
         [] { return fixture::TrainedArithmeticClaim(2048, 64, 21800, fixture::Kind::Rgb); }},
        {"arithmetic_trained_small_gray_claim",
         [] { return fixture::WithClaimedSize(fixture::TrainedArithmeticClaim(64, 8, 8), 2048, 65500); }},
        // Marker floods, before the frame and after the scan.
        {"tem_flood_before_frame",
         [=] {
             const QByteArray d = baseline();
             return Flood(d, fixture::FrameMarker(d), "\xFF\x01", 2, kFloodBytes);
         }},
        {"com_flood_before_frame",
         [=] {
             const QByteArray d = baseline();
             return Flood(d, fixture::FrameMarker(d), "\xFF\xFE\x00\x02", 4, kFloodBytes);
         }},
        {"tem_flood_after_scan",
         [=] {
             const QByteArray d = baseline();
             return Flood(d, d.size() - 2, "\xFF\x01", 2, kFloodBytes);
         }},
        {"com_flood_between_scans",
         [=] {
             const QByteArray d = progressive();
             return Flood(d, fixture::NthMarker(d, 0xDA, 2), "\xFF\xFE\x00\x02", 4, kFloodBytes);
         }},
        {"stray_bytes_before_frame",
         [=] {
             const QByteArray d = baseline();
             return Flood(d, fixture::FrameMarker(d), "\x00", 1, kFloodBytes);
         }},
        // The file's bytes: a photo that needs most of the budget, with random bytes after its end.
        {"progressive_444_19mp_q90_trailing_bytes", TrailingBytesPhoto},
        // Real photos in arithmetic coding must decode.
        {"arithmetic_q92_12mp_photo", [] { return Photo(4000, 3000, 92, false, true, true); }},
        {"progressive_arithmetic_q92_12mp_photo", [] { return Photo(4000, 3000, 92, true, true, true); }},
        // Deals (one child, the cache's two workers): 24 ordinary 19-megapixel progressive photos
        // without chroma subsampling, each needing most of the budget.
        {"deal_24_progressive_444_19mp_q75", [] { return Photo(5376, 3584, 75, true, false, false); }, 24},
        {"deal_3_copies_of_trailing_bytes", TrailingBytesPhoto, 3},
    };
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "decode")
        return DecodeOne(argv[2], argv[3]);
    const bool hostileOnly = argc >= 2;

    if (!hostileOnly) {
        const QByteArray photo = fixture::MakeJpeg(
            Fixture{.width = kWidth, .height = kHeight, .quality = kQuality, .content = Content::Photo});
        std::printf("picture: %d x %d, %.1f MB of JPEG (quality %d)\n", kWidth, kHeight, photo.size() / 1e6,
                    kQuality);
        QSize decoded;
        const double full = MedianMilliseconds(photo, QSize(), &decoded);
        std::printf("full_decode %.1f ms  (%d x %d, median of %d)\n", full, decoded.width(), decoded.height(),
                    kRuns);
        const double eighth = MedianMilliseconds(photo, QSize(kWidth / 8, kHeight / 8), &decoded);
        std::printf("eighth_decode %.1f ms  (%d x %d, median of %d)\n", eighth, decoded.width(),
                    decoded.height(), kRuns);
    }

    // Goal for every file and every deal's file: under a second of processor time and 150 MB,
    // whatever it claims or holds. The baseline is a child that decodes a tiny file, the cost of the
    // process itself.
    const std::vector<Hostile> files = HostileFiles();
    if (argc == 4 && std::string(argv[1]) == "write") {
        for (const Hostile& hostile : files)
            if (std::string(argv[2]) == hostile.name)
                return Write(QString::fromLocal8Bit(argv[3]), hostile.make()) ? 0 : 2;
        return 2;
    }
    QTemporaryDir folder;
    for (const Hostile& hostile : files) {
        if (argc == 3 && std::string(argv[1]) == "only" && std::string(argv[2]) != hostile.name)
            continue;
        Measure("/proc/self/exe", folder.path(), hostile);
    }
    return 0;
}
