// Times the JPEG loader on a 12-megapixel photo-like picture, decoded in full and at 1/8 scale (what
// the memory game asks for when it deals from a folder of camera photos), and measures the worst
// files we know of: each is decoded in a child process of its own, so that its peak resident memory
// is its own.
#include "../tests/toolkit/pictures/jpeg_fixture.h"
#include "toolkit/pictures/jpeg.h"
#include "toolkit/text/errors.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
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

// The child: decodes one file (as a card when asked) and prints the time and the outcome.
int DecodeOne(const char* path, const char* mode) {
    QFile file(QString::fromLocal8Bit(path));
    if (!file.open(QIODevice::ReadOnly))
        return 2;
    const QByteArray data = file.readAll();
    const std::string how = mode;
    const auto start = std::chrono::steady_clock::now();
    std::string outcome;
    try {
        const QImage image = how == "card" ? tk::DecodeCardPicture(data, kCard) : tk::DecodeJpeg(data);
        outcome = std::to_string(image.width()) + "x" + std::to_string(image.height());
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
};

// Runs the child on the file in both modes and prints the time, peak memory and outcome of each.
void Measure(const char* self, const QString& folder, const Hostile& hostile) {
    const QByteArray data = hostile.make();
    const QString path = QDir(folder).filePath(QString::fromLatin1(hostile.name) + QStringLiteral(".jpg"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
        return;
    file.close();
    for (const char* mode : {"full", "card"}) {
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
                    hostile.name, mode, cpu, ms, data.size() / 1024.0, line.c_str());
        std::printf("hostile_%s_%s_peak_rss %.1f MB\n", hostile.name, mode, usage.ru_maxrss / 1024.0);
    }
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

    // Goal for every file: under a second and 150 MB, whatever it claims. The baseline is a child
    // that decodes a tiny file, the cost of the process itself.
    QTemporaryDir folder;
    const std::vector<Hostile> files = {
        {"tiny", [] { return fixture::MakeJpeg(Fixture{.width = 16, .height = 16}); }},
        {"wide_sampled_4728", fixture::WideSampledClaim},
        {"half_sampled_4728", fixture::HalfSampledClaim},
        {"arithmetic_37800", fixture::ArithmeticGiantClaim},
        {"progressive_20000", fixture::ProgressiveGiantClaim},
        {"baseline_24mp_photo",
         [] {
             return fixture::MakeJpeg(
                 Fixture{.width = 6000, .height = 4000, .quality = 92, .content = Content::Photo});
         }},
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
    };
    for (const Hostile& hostile : files) {
        if (argc == 3 && std::string(argv[1]) == "only" && std::string(argv[2]) != hostile.name)
            continue;
        Measure("/proc/self/exe", folder.path(), hostile);
    }
    return 0;
}
