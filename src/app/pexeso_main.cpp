// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/startup.h"
#include "toolkit/ui/application.h"
#include "toolkit/ui/sound.h"

int main(int argc, char** argv) {
    // The environment is set before the application object starts any thread.
    tk::SetSoundServerIdentity(
        {QStringLiteral("Pexeso"), QStringLiteral("pexeso"), QStringLiteral("cz.plamkov.Pexeso")});
    tk::Application app(argc, argv);
    app.NameProgram(QStringLiteral("cz.plamkov.Pexeso"), QStringLiteral("pexeso"));
    // What the memory game window's first picture does not need is done once it is on the screen.
    app.DeferStartupWork();
    tk::SystemSound sound;
    return sound.End(RunPexeso(app));
}
