// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/startup.h"

#include "app/launcher_form.h"
#include "fire/art/fire_pictures.h"
#include "fire/fire_form.h"
#include "memory/folder_form.h"
#include "memory/memory_form.h"
#include "scores/score_form.h"
#include "toolkit/ui/application.h"

void StartDecodingPictures(const tk::Application& app) {
    PrefetchFirePictures(app.ScreenPixelRatio());
}

void CreateForms(tk::Application& app) {
    app.CreateForm(Form2);
    app.CreateForm(Form1);
    app.CreateForm(Form3);
    app.CreateForm(Form4);
    app.CreateForm(Form5);
}

int RunProgram(tk::Application& app) {
    CreateForms(app);
    app.Run();
    return 0;
}

int RunPexeso(tk::Application& app, const std::function<void()>& beforeRun) {
    app.CreateForm(Form4);
    app.CreateForm(Form5);
    if (beforeRun)
        beforeRun();
    app.Run();
    return 0;
}
