// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/startup.h"
#include "toolkit/ui/application.h"
#include "toolkit/ui/sound.h"

int main(int argc, char** argv) {
    // The environment is set before the application object starts any thread.
    tk::SetSoundServerIdentity(
        {QStringLiteral("Plamkov"), QStringLiteral("plamkov"), QStringLiteral("cz.plamkov.Plamkov")});
    tk::Application app(argc, argv);
    app.NameProgram(QStringLiteral("cz.plamkov.Plamkov"), QStringLiteral("plamkov"));
    // What the fire game window's first picture does not need is done once it is on the screen.
    app.DeferStartupWork();
    tk::SystemSound sound;
    // The pictures decode on a worker thread while the windows are made.
    StartDecodingPictures(app);
    return sound.End(RunProgram(app));
}
