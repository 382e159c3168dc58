#include "memory/folder_form.h"

namespace {
constexpr int kOkResult = 1;
} // namespace

TForm5* Form5 = nullptr;

TForm5::TForm5() {
    SetCaption(QStringLiteral("Výběr obrázků"));
    // A dialog: a close box only, and a fixed size, since nothing in it follows the window's size.
    SetBorderIcons(int(tk::BorderIcon::SystemMenu));
    SetOuterSize(383, 426);
    SetResizable(false);
    SetLeft(445);
    SetTop(252);
    SetColor(tk::ButtonFaceColor());
    SetFontHeight(tk::kDefaultFontHeight);

    // Created in tab order: the tree takes the focus first, then the button.
    Label1 = new tk::TLabel(this);
    Label1->SetBounds(16, 8, 117, 13);
    Label1->SetCaption(QStringLiteral("Vyber adresář s obrázky:"));

    DirectoryOutline1 = new tk::TDirectoryOutline(this);
    DirectoryOutline1->SetBounds(16, 32, 345, 313);

    Button1 = new tk::TButton(this);
    Button1->SetBounds(144, 360, 75, 25);
    Button1->SetCaption(QStringLiteral("OK"));
    Button1->SetModalResult(kOkResult);
}
