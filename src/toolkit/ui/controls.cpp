// SPDX-License-Identifier: GPL-3.0-or-later
// The base of every control: geometry, visibility, fonts and deferred release, and the helpers the
// control families share.
#include "toolkit/ui/controls.h"
#include "toolkit/ui/controls_internal.h"

#include <algorithm>

namespace tk {

QFont LayoutFont(int pixels) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(std::max(pixels, 1));
    return font;
}

TForm* FormOf(QWidget* widget) {
    for (QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
        if (auto* form = dynamic_cast<TForm*>(w))
            return form;
    }
    return nullptr;
}

QWidget* ParentClient(TControl* parent) {
    return parent != nullptr ? parent->ClientWidget() : nullptr;
}

// ---- TControl -------------------------------------------------------------------------------------

int TControl::Left() const {
    return self_->x();
}
int TControl::Top() const {
    return self_->y();
}
int TControl::Width() const {
    return self_->width();
}
int TControl::Height() const {
    return self_->height();
}
void TControl::SetLeft(int left) {
    self_->move(left, self_->y());
}
void TControl::SetTop(int top) {
    self_->move(self_->x(), top);
}
void TControl::SetWidth(int width) {
    self_->resize(width, self_->height());
}
void TControl::SetHeight(int height) {
    self_->resize(self_->width(), height);
}

void TControl::SetBounds(int left, int top, int width, int height) {
    self_->setGeometry(left, top, width, height);
}

bool TControl::Visible() const {
    return !self_->isHidden();
}

bool TControl::Enabled() const {
    return self_->isEnabled();
}

void TControl::SetEnabled(bool enabled) {
    self_->setEnabled(enabled);
}

void TControl::SetVisible(bool visible) {
    if (visible == Visible())
        return;
    // A window shows and hides as a window does (OnShow, placement, front).
    if (auto* form = dynamic_cast<TForm*>(this)) {
        visible ? form->Show() : form->Hide();
        return;
    }
    self_->setVisible(visible);
}

void TControl::SetFontHeight(int pixels) {
    self_->setFont(LayoutFont(pixels));
}

void ReleaseControl(TControl* control) {
    if (control == nullptr || control->released_)
        return;
    control->released_ = true;
    // Hidden now, so the player sees it gone and no later input reaches it; freed by the event loop
    // once the handler that released it (and Qt's delivery of its event) has returned.
    control->self_->hide();
    control->self_->deleteLater();
}

} // namespace tk
