#include "app/startup.h"
#include "toolkit/ui/application.h"
#include "toolkit/ui/sound.h"

int main(int argc, char** argv) {
    tk::Application app(argc, argv);
    const tk::SystemSound sound(
        {QStringLiteral("Pexeso"), QStringLiteral("pexeso"), QStringLiteral("cz.plamkov.Pexeso")});
    return RunPexeso(app);
}
