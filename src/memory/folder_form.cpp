#include "memory/folder_form.h"

TForm5::TForm5() {
    SetCaption(QStringLiteral("Výběr obrázků"));
    SetOuterSize(383, 426);
    SetLeft(445);
    SetTop(252);
    SetBorderIcons(int(tk::BorderIcon::SystemMenu) | int(tk::BorderIcon::Minimize) |
                   int(tk::BorderIcon::Maximize));
    SetResizable(true);
    SetFontHeight(tk::kDefaultFontHeight);
}
