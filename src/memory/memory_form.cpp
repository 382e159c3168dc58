#include "memory/memory_form.h"

namespace {
MemoryTurnState turn;
}

MemoryTurnState& MemoryTurn() { return turn; }

TForm4::TForm4() {
    SetCaption(QStringLiteral("Pexeso"));
    SetOuterSize(784, 551);
    SetLeft(376);
    SetTop(306);
    SetBorderIcons(int(tk::BorderIcon::SystemMenu) | int(tk::BorderIcon::Minimize) |
                   int(tk::BorderIcon::Maximize));
    SetResizable(true);
    SetFontHeight(tk::kDefaultFontHeight);
    FormCreate();
}

void TForm4::FormCreate() {
    tk::App().SetMessageFilter(
        [this](const tk::Message& message, bool& handled) { FilterAppMessage(message, handled); });
    turn.OneTurned = 0;
    turn.Busy = 0;
    turn.InClick = 0;
    turn.FirstPicture = 0;
    turn.SecondPicture = 0;
}

void TForm4::FilterAppMessage(const tk::Message& message, bool& handled) {
    // During the look at an unlike pair, a left press anywhere in the program is dropped; presses
    // on menus pass, so the menu stays usable.
    if (message.kind == tk::Message::LButtonDown && turn.Busy == 1)
        handled = true;
}
