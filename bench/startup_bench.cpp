// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up: how long creating the five windows takes (the fire game window decodes its embedded
// pictures here), and how long the main window then takes to paint for the first time.
#include "app/launcher_form.h"
#include "app/startup.h"
#include "fire/fire_form.h"
#include "memory/folder_form.h"
#include "memory/memory_form.h"
#include "scores/score_form.h"
#include "toolkit/ui/application.h"

#include <QElapsedTimer>
#include <QPixmap>

#include <cstdio>

int main(int argc, char** argv) {
    QElapsedTimer clock;
    clock.start();
    tk::Application app(argc, argv);
    const qint64 appReady = clock.nsecsElapsed();
    // The windows in their start-up order, each timed on its own.
    qint64 formTimes[5];
    qint64 before = clock.nsecsElapsed();
    const auto timed = [&](int slot, auto& reference) {
        app.CreateForm(reference);
        const qint64 now = clock.nsecsElapsed();
        formTimes[slot] = now - before;
        before = now;
    };
    timed(0, Form2);
    timed(1, Form1);
    timed(2, Form3);
    timed(3, Form4);
    timed(4, Form5);
    const qint64 formsReady = clock.nsecsElapsed();
    Form2->Show();
    const QPixmap firstFrame = Form2->grab();
    const qint64 painted = clock.nsecsElapsed();

    QElapsedTimer another;
    another.start();
    TForm2 second(Form2); // a further fire game window, as the launcher opens one
    const qint64 secondWindow = another.nsecsElapsed();

    std::printf("application object       %8.2f ms\n", appReady / 1e6);
    std::printf("five windows created     %8.2f ms\n", (formsReady - appReady) / 1e6);
    const char* const names[] = {"fire game", "launcher", "score table", "memory game", "folder dialog"};
    for (int i = 0; i < 5; ++i)
        std::printf("  %-22s %8.2f ms\n", names[i], formTimes[i] / 1e6);
    std::printf("main window first paint  %8.2f ms (%dx%d)\n", (painted - formsReady) / 1e6,
                firstFrame.width(), firstFrame.height());
    std::printf("start to first paint     %8.2f ms\n", painted / 1e6);
    std::printf("a further fire window    %8.2f ms\n", secondWindow / 1e6);
    return 0;
}
