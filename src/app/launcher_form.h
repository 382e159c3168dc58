// SPDX-License-Identifier: GPL-3.0-or-later
// The launcher: a button for each game, a third button and a menu that do nothing. It exists
// hidden for the whole run.
#pragma once

#include "toolkit/ui/controls.h"

class TForm1 : public tk::TForm {
    Q_OBJECT
public:
    TForm1();

    void Button1Click(); // opens a further fire game window and points Form2 at it
    void Button2Click(); // the memory game, modally

    tk::TButton* Button1 = nullptr;
    tk::TButton* Button2 = nullptr;
    tk::TButton* Button3 = nullptr;
    tk::TLabel* Label1 = nullptr;
    tk::TLabel* Label2 = nullptr;
    tk::TLabel* Label3 = nullptr;
    tk::TImage* Image1 = nullptr;
    tk::TImage* Image2 = nullptr;
    tk::TImage* Image3 = nullptr;
    tk::TMainMenu* MainMenu1 = nullptr;

private:
    void BuildControls();
};

// The launcher window, set at start-up and valid to the end of the run.
extern TForm1* Form1;
