#include "app/startup.h"
#include "toolkit/ui/application.h"

int main(int argc, char** argv) {
    tk::Application app(argc, argv);
    return RunPexeso(app);
}
