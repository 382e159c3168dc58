// SPDX-License-Identifier: GPL-3.0-or-later
// Times the making of a card set from 23 camera photos of 12 megapixels, and the frames of the game
// window meanwhile. tools/bench.sh times the reference beside it: the same photos decoded at 1/8
// scale by djpeg on two processes.
//   making_bench photos DIR         writes the 23 photos (photo-like content, EXIF turns) into DIR
//   making_bench make DIR SCRATCH N  makes the set N times: alone, then in a window with its frames
#include "../tests/toolkit/pictures/jpeg_fixture.h"
#include "cardset/card_set.h"
#include "photos/cards_from_photos.h"
#include "toolkit/ui/application.h"
#include "toolkit/ui/controls.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <vector>

namespace {

constexpr int kPhotos = 23;
constexpr int kWidth = 4000;
constexpr int kHeight = 3000;
constexpr auto kFrame = std::chrono::milliseconds(16); // a frame asked for every 16 ms, as at 60 Hz

int WritePhotos(const QString& folder) {
    QDir().mkpath(folder);
    std::vector<std::future<bool>> written;
    for (int i = 1; i <= kPhotos; ++i)
        written.push_back(std::async(std::launch::async, [folder, i] {
            const int turns[] = {1, 6, 8, 3};
            const QByteArray jpeg = fixture::MakeJpeg(fixture::Fixture{.width = kWidth,
                                                                       .height = kHeight,
                                                                       .quality = 92,
                                                                       .content = fixture::Content::Photo,
                                                                       .orientation = turns[i % 4],
                                                                       .seed = unsigned(i)});
            QFile file(folder + QStringLiteral("/IMG_%1.JPG").arg(i, 4, 10, QLatin1Char('0')));
            return file.open(QIODevice::WriteOnly) && file.write(jpeg) == jpeg.size();
        }));
    for (auto& photo : written)
        if (!photo.get())
            return 1;
    return 0;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// A small window that records when it paints: on the UI thread, as the game window's own frames.
// (The making's view covers the game window's client area, so a widget in it would not paint.)
class FrameRecorder : public QWidget {
public:
    FrameRecorder() { clock_.start(); }
    std::vector<qint64> paints;

protected:
    void paintEvent(QPaintEvent*) override {
        paints.push_back(clock_.nsecsElapsed());
        QPainter(this).fillRect(rect(), paints.size() % 2 == 0 ? Qt::white : Qt::lightGray);
    }

private:
    QElapsedTimer clock_;
};

int Make(const QString& photos, const QString& scratch, int runs) {
    const cardset::Output quiet{[](const QString&) {}, [](const QString&) {}};
    std::vector<double> alone;
    std::vector<double> shown;
    std::vector<double> gaps;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        const QString target = scratch + QStringLiteral("/alone-%1").arg(run);
        if (cardset::MakeCardSet({photos, target}, quiet) != cardset::kDone)
            return 1;
        alone.push_back(timer.nsecsElapsed() / 1e6);

        // In a window of the game's size, a frame asked for every 16 ms; the gaps between paints.
        tk::TForm window;
        window.SetOuterSize(640, 480);
        window.Show();
        FrameRecorder recorder;
        recorder.resize(64, 64);
        recorder.show();
        QTimer frames;
        frames.setTimerType(Qt::PreciseTimer);
        QObject::connect(&frames, &QTimer::timeout, &recorder, [&recorder] { recorder.update(); });
        frames.start(kFrame);
        timer.restart();
        const photos::Making making =
            photos::MakeCardsShowing(window, photos, scratch + QStringLiteral("/shown-%1").arg(run));
        shown.push_back(timer.nsecsElapsed() / 1e6);
        frames.stop();
        if (making.status != cardset::kDone)
            return 1;
        for (std::size_t i = 1; i < recorder.paints.size(); ++i) {
            gaps.push_back((recorder.paints[i] - recorder.paints[i - 1]) / 1e6);
            if (std::getenv("MAKING_GAPS") != nullptr && gaps.back() > 30)
                std::fprintf(stderr, "run %d: gap %.1f ms at frame %zu of %zu\n", run, gaps.back(), i,
                             recorder.paints.size());
        }
    }
    std::sort(gaps.begin(), gaps.end());
    std::printf("making_23_photos_12mp_alone_median %.0f ms\n", Median(alone));
    std::printf("making_23_photos_12mp_in_window_median %.0f ms\n", Median(shown));
    if (!gaps.empty()) {
        std::printf("making_frame_gap_median %.1f ms (a frame asked for every %d ms)\n", Median(gaps),
                    int(kFrame.count()));
        std::printf("making_frame_gap_max %.1f ms (goal 50 ms; %zu frames)\n", gaps.back(), gaps.size());
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QStringList args; // the application object takes no arguments
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    tk::Application app(argc, argv);
    if (args.size() == 3 && args[1] == QLatin1String("photos"))
        return WritePhotos(args[2]);
    if (args.size() == 5 && args[1] == QLatin1String("make"))
        return Make(args[2], args[3], args[4].toInt());
    std::fprintf(stderr, "usage: making_bench photos DIR | make DIR SCRATCH RUNS\n");
    return 2;
}
