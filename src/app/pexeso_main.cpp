// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/startup.h"
#include "family/family_window.h"
#include "toolkit/ui/application.h"
#include "toolkit/ui/sound.h"

int main(int argc, char** argv) {
    tk::Application app(argc, argv);
    app.NameProgram(QStringLiteral("cz.plamkov.Pexeso"), QStringLiteral("pexeso"));
    // What the memory game window's first picture does not need is done once it is on the screen.
    app.DeferStartupWork();
    const tk::SystemSound sound(
        {QStringLiteral("Pexeso"), QStringLiteral("pexeso"), QStringLiteral("cz.plamkov.Pexeso")});
    // The family game on the memory game's window; on a family board it deals at once.
    return RunPexeso(app, [] { family::AttachFamilyGame()->Start(); });
}
