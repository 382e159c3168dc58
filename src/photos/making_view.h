// SPDX-License-Identifier: GPL-3.0-or-later
// The view over the game window while cards are made: what is going on, a bar counting the photos
// ("12 z 23") and "Zrušit". It covers the window's client area, so the board takes no clicks.
#pragma once

#include "toolkit/ui/controls.h"

#include <functional>
#include <memory>

namespace photos {

class MakingView {
public:
    explicit MakingView(tk::TForm& window);
    ~MakingView();
    MakingView(const MakingView&) = delete;
    MakingView& operator=(const MakingView&) = delete;

    void SetProgress(int done, int total);
    // "Zrušit" pressed (once): the caption says the making is stopping.
    std::function<void()> OnCancel;

    tk::TProgressBar& Bar() { return *bar_; }
    tk::TButton& CancelButton() { return *cancel_; }

private:
    tk::TPanel* panel_;
    tk::TLabel* caption_;
    tk::TProgressBar* bar_;
    tk::TButton* cancel_;
    bool cancelled_ = false;
};

} // namespace photos
