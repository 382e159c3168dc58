// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/startup.h"
#include "toolkit/ui/application.h"

int main(int argc, char** argv) {
    tk::Application app(argc, argv);
    app.NameProgram(QStringLiteral("cz.plamkov.Pexeso"), QStringLiteral("pexeso"));
    return RunPexeso(app);
}
