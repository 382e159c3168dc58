#include "app/startup.h"
#include "app/toolkit/application.h"

int main(int argc, char** argv) {
    tk::Application app(argc, argv);
    return RunPexeso(app);
}
