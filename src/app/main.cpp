// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/startup.h"
#include "toolkit/ui/application.h"

int main(int argc, char** argv) {
    // The pictures decode on a worker thread while the application object and the windows are made.
    StartDecodingPictures();
    tk::Application app(argc, argv);
    app.NameProgram(QStringLiteral("cz.plamkov.Plamkov"), QStringLiteral("plamkov"));
    return RunProgram(app);
}
