// SPDX-License-Identifier: GPL-3.0-or-later
#include "family/settings_form.h"

#include "family/rules/family_deal.h"

namespace family {

namespace {
constexpr int kOkResult = 1;
constexpr int kCancelResult = 2;
constexpr int kFont = 14;
} // namespace

TSettingsForm::TSettingsForm(tk::TForm* owner) : tk::TForm(owner) {
    SetCaption(QStringLiteral("Nastavení"));
    SetBorderStyle(tk::BorderStyle::Dialog);
    SetOuterSize(468, 404);
    SetCentered(true);
    SetColor(tk::ButtonFaceColor());
    SetFontHeight(kFont);

    PlayerCount = new tk::TRadioGroup(this);
    PlayerCount->SetBounds(12, 10, 100, 150);
    PlayerCount->SetCaption(QStringLiteral("Hráči"));
    PlayerCount->SetItems(
        {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")});

    auto* namesLabel = new tk::TLabel(this);
    namesLabel->SetBounds(124, 12, 200, 18);
    namesLabel->SetCaption(QStringLiteral("Jména:"));
    for (int i = 0; i < kMaxPlayers; ++i) {
        auto* edit = new tk::TEdit(this);
        edit->SetBounds(124, 34 + i * 31, 200, 26);
        edit->SetMaxLength(kMaxNameLength);
        Names[static_cast<std::size_t>(i)] = edit;
    }

    Computer = new tk::TCheckBox(this);
    Computer->SetBounds(12, 172, 220, 24);
    Computer->SetCaption(QStringLiteral("Hraje i počítač"));
    Level = new tk::TRadioGroup(this);
    Level->SetBounds(12, 200, 200, 120);
    Level->SetCaption(QStringLiteral("Počítač je"));
    Level->SetItems(LevelNames());

    Board = new tk::TRadioGroup(this);
    Board->SetBounds(240, 172, 204, 148);
    Board->SetCaption(QStringLiteral("Karty"));
    QStringList boards;
    for (const BoardShape& shape : FamilyBoards())
        boards << QStringLiteral("%1 karet").arg(shape.cards);
    boards << QStringLiteral("klasická hra");
    Board->SetItems(boards);

    Ok = new tk::TButton(this);
    Ok->SetBounds(244, 332, 96, 28);
    Ok->SetCaption(QStringLiteral("OK"));
    Ok->SetModalResult(kOkResult);
    Cancel = new tk::TButton(this);
    Cancel->SetBounds(348, 332, 96, 28);
    Cancel->SetCaption(QStringLiteral("Zrušit"));
    Cancel->SetModalResult(kCancelResult);

    Computer->OnClick = [this] { EnableControls(); };
    for (int i = 0; i < kMaxPlayers; ++i) {
        QObject::connect(PlayerCount->ItemButton(i), &QRadioButton::toggled, this,
                         [this] { EnableControls(); });
    }
}

void TSettingsForm::Show(const Settings& settings) {
    PlayerCount->SetItemIndex(static_cast<int>(settings.names.size()) - 1);
    for (int i = 0; i < kMaxPlayers; ++i) {
        Names[static_cast<std::size_t>(i)]->SetText(i < settings.names.size() ? settings.names[i]
                                                                              : Settings::DefaultName(i + 1));
    }
    Computer->SetChecked(settings.computer);
    Level->SetItemIndex(static_cast<int>(settings.level));
    int board = static_cast<int>(FamilyBoards().size()); // klasická hra, the last item
    for (std::size_t i = 0; i < FamilyBoards().size(); ++i) {
        if (FamilyBoards()[i].cards == settings.board)
            board = static_cast<int>(i);
    }
    Board->SetItemIndex(board);
    EnableControls();
}

Settings TSettingsForm::Read(const Settings& base) const {
    Settings settings = base;
    settings.names.clear();
    const int players = PlayerCount->ItemIndex() + 1;
    for (int i = 0; i < std::max(players, 1); ++i)
        settings.names << CleanName(Names[static_cast<std::size_t>(i)]->Text(), i + 1);
    settings.computer = Computer->Checked();
    settings.level = static_cast<family::Level>(std::max(Level->ItemIndex(), 0));
    const int board = Board->ItemIndex();
    settings.board = board >= 0 && board < static_cast<int>(FamilyBoards().size())
                         ? FamilyBoards()[static_cast<std::size_t>(board)].cards
                         : kClassicBoard;
    return settings;
}

// A name box for each player that plays, a level when the computer plays.
void TSettingsForm::EnableControls() {
    const int players = PlayerCount->ItemIndex() + 1;
    for (int i = 0; i < kMaxPlayers; ++i)
        Names[static_cast<std::size_t>(i)]->SetEnabled(i < players);
    Level->SetEnabled(Computer->Checked());
}

} // namespace family
