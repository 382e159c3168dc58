// SPDX-License-Identifier: GPL-3.0-or-later
// The settings dialog of pexeso ("Hra" → "Nastavení"): the players and their names, the computer
// and its level, the board. Shown modally; "OK" closes it with 1, "Zrušit" and the close box with 2.
#pragma once

#include "family/rules/family_settings.h"
#include "toolkit/ui/controls.h"

#include <array>

namespace family {

class TSettingsForm : public tk::TForm {
    Q_OBJECT
public:
    explicit TSettingsForm(tk::TForm* owner);

    // Fills the controls from the settings.
    void Show(const Settings& settings);
    // The settings as the controls now say, over `base` (the folder and the best turns stay).
    Settings Read(const Settings& base) const;

    tk::TRadioGroup* PlayerCount;
    std::array<tk::TEdit*, kMaxPlayers> Names{};
    tk::TCheckBox* Computer;
    tk::TRadioGroup* Level;
    tk::TRadioGroup* Board;
    tk::TButton* Ok;
    tk::TButton* Cancel;

private:
    void EnableControls();
};

} // namespace family
