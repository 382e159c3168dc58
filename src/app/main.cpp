// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/startup.h"
#include "toolkit/ui/application.h"
#include "toolkit/ui/sound.h"

int main(int argc, char** argv) {
    tk::Application app(argc, argv);
    app.NameProgram(QStringLiteral("cz.plamkov.Plamkov"), QStringLiteral("plamkov"));
    // What the fire game window's first picture does not need is done once it is on the screen.
    app.DeferStartupWork();
    const tk::SystemSound sound(
        {QStringLiteral("Plamkov"), QStringLiteral("plamkov"), QStringLiteral("cz.plamkov.Plamkov")});
    // The pictures decode on a worker thread while the windows are made.
    StartDecodingPictures(app);
    return RunProgram(app);
}
