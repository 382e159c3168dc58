#include "app/startup.h"
#include "toolkit/ui/application.h"
#include "toolkit/ui/sound.h"

int main(int argc, char** argv) {
    // The pictures decode on a worker thread while the application object and the windows are made.
    StartDecodingPictures();
    tk::Application app(argc, argv);
    const tk::SystemSound sound(
        {QStringLiteral("Plamkov"), QStringLiteral("plamkov"), QStringLiteral("cz.plamkov.Plamkov")});
    return RunProgram(app);
}
