// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/launcher_form.h"

#include "fire/fire_form.h"
#include "memory/memory_form.h"
#include "toolkit/ui/application.h"

#include <QPointer>

#include <memory>

namespace {

struct Bounds {
    int left, top, width, height;
};

template <typename Control> Control* Place(tk::TForm* form, Bounds b) {
    auto* control = new Control(form);
    control->SetBounds(b.left, b.top, b.width, b.height);
    return control;
}

} // namespace

TForm1* Form1 = nullptr;

TForm1::TForm1() {
    SetCaption(QString());
    SetOuterSize(800, 566);
    SetCentered(true);
    SetBorderIcons(int(tk::BorderIcon::SystemMenu) | int(tk::BorderIcon::Minimize));
    SetResizable(false);
    SetFontHeight(tk::kDefaultFontHeight);

    // Nothing shows this window: its controls are made once the main window is on the screen.
    tk::App().AfterFirstPaint([form = QPointer<TForm1>(this)] {
        if (form != nullptr)
            form->BuildControls();
    });
}

void TForm1::BuildControls() {
    // The menu: items with sub-items only open them; the others do nothing.
    MainMenu1 = new tk::TMainMenu(this);
    auto* soubor1 = new tk::TMenuItem(MainMenu1, QStringLiteral("soubor"));
    auto* vbrmod1 = new tk::TMenuItem(soubor1, QStringLiteral("výběr modů"));
    new tk::TMenuItem(vbrmod1, QStringLiteral("diplomy, pozvánky"));
    new tk::TMenuItem(vbrmod1, QStringLiteral("hry, omalovánky"));
    new tk::TMenuItem(vbrmod1, QStringLiteral("dokumenty"));
    new tk::TMenuItem(soubor1, QStringLiteral("konec"));
    auto* napovda1 = new tk::TMenuItem(MainMenu1, QStringLiteral("napověda"));
    new tk::TMenuItem(napovda1, QStringLiteral("k programu"));
    new tk::TMenuItem(napovda1, QStringLiteral("výrobce"));

    Button1 = Place<tk::TButton>(this, {56, 48, 169, 129});
    Button1->SetCaption(QStringLiteral("Plamkov"));
    Button1->OnClick = [this] { Button1Click(); };
    Button2 = Place<tk::TButton>(this, {56, 208, 169, 121});
    Button2->SetCaption(QStringLiteral("Pexeso"));
    Button2->OnClick = [this] { Button2Click(); };
    Button3 = Place<tk::TButton>(this, {56, 360, 169, 129});
    Button3->SetCaption(QStringLiteral("hra tri"));

    Label1 = Place<tk::TLabel>(this, {248, 56, 32, 13});
    Label1->SetCaption(QStringLiteral("Label1"));
    Label2 = Place<tk::TLabel>(this, {240, 208, 32, 13});
    Label2->SetCaption(QStringLiteral("Label2"));
    Label3 = Place<tk::TLabel>(this, {256, 368, 32, 13});
    Label3->SetCaption(QStringLiteral("Label3"));

    Image1 = Place<tk::TImage>(this, {464, 56, 169, 105});
    Image2 = Place<tk::TImage>(this, {464, 216, 177, 113});
    Image3 = Place<tk::TImage>(this, {464, 360, 201, 113});
}

void TForm1::Button1Click() {
    // The launcher owns the new window; it lives until the program ends.
    auto* form = new TForm2(this);
    Form2 = form;
    form->Show();
}

void TForm1::Button2Click() {
    Form4->ShowModal();
}
