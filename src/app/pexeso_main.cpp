// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/startup.h"
#include "family/family_window.h"
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
    // The family game on the memory game's window; on a family board it deals at once.
    return sound.End(RunPexeso(app, [] { family::AttachFamilyGame()->Start(); }));
}
