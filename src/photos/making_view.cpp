// SPDX-License-Identifier: GPL-3.0-or-later
#include "photos/making_view.h"

#include <algorithm>

namespace photos {

namespace {
constexpr int kMargin = 16;
constexpr int kBarHeight = 24;
constexpr int kButtonWidth = 90;
constexpr int kButtonHeight = 28;
constexpr int kCaptionFont = 14;
} // namespace

MakingView::MakingView(tk::TForm& window)
    : panel_(new tk::TPanel(&window)), caption_(new tk::TLabel(panel_)), bar_(new tk::TProgressBar(panel_)),
      cancel_(new tk::TButton(panel_)) {
    const QSize client = window.ClientSize();
    panel_->SetBounds(0, 0, client.width(), client.height());
    const int width = std::max(client.width() - 2 * kMargin, 100);
    const int top = std::max((client.height() - kBarHeight - kButtonHeight - 60) / 2, kMargin);
    caption_->SetFontHeight(kCaptionFont);
    caption_->SetCaption(QStringLiteral("Dělám karty z fotek…"));
    caption_->SetBounds(kMargin, top, width, caption_->Height());
    bar_->SetBounds(kMargin, top + 30, width, kBarHeight);
    bar_->SetProgress(0, 0); // busy until the photos are counted
    cancel_->SetCaption(QStringLiteral("Zrušit"));
    cancel_->SetBounds((client.width() - kButtonWidth) / 2, top + 30 + kBarHeight + kMargin, kButtonWidth,
                       kButtonHeight);
    cancel_->OnClick = [this] {
        if (cancelled_)
            return;
        cancelled_ = true;
        caption_->SetCaption(QStringLiteral("Ruším…"));
        if (OnCancel)
            OnCancel();
    };
    // Made last, so on top of the board.
}

MakingView::~MakingView() {
    tk::ReleaseControl(panel_); // and its controls with it
}

void MakingView::SetProgress(int done, int total) {
    bar_->SetProgress(done, total);
}

} // namespace photos
