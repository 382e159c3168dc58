// SPDX-License-Identifier: GPL-3.0-or-later
// The main menu and its items.
#include "toolkit/ui/controls.h"
#include "toolkit/ui/controls_internal.h"

#include "toolkit/ui/application.h"

#include <QMenu>
#include <QMenuBar>

namespace tk {

// ---- Menus ----------------------------------------------------------------------------------------

TMainMenu::TMainMenu(TForm* form) : QObject(form), bar_(new QMenuBar(form)) {
    form->AttachMenuBar(bar_);
}

TMenuItem::TMenuItem(TMainMenu* menu, const QString& caption)
    : QObject(menu->Bar()), caption_(caption), bar_(menu->Bar()) {
    if (caption_ == QLatin1String("-"))
        action_ = bar_->addSeparator();
    else
        action_ = bar_->addAction(caption_);
    Wire();
}

TMenuItem::TMenuItem(TMenuItem* parent, const QString& caption)
    : QObject(parent), caption_(caption), parentItem_(parent) {
    QMenu* owner = parent->SubMenu();
    if (caption_ == QLatin1String("-"))
        action_ = owner->addSeparator();
    else
        action_ = owner->addAction(caption_);
    Wire();
}

TMenuItem::TMenuItem(TMenuItem* parent, const QString& caption, TMenuItem* before)
    : QObject(parent), caption_(caption), parentItem_(parent) {
    QMenu* owner = parent->SubMenu();
    action_ = new QAction(caption_, this); // the item's own: deleting the item takes it off the menu
    if (caption_ == QLatin1String("-"))
        action_->setSeparator(true);
    owner->insertAction(before != nullptr ? before->Action() : nullptr, action_);
    Wire();
}

QMenu* TMenuItem::SubMenu() {
    if (menu_ != nullptr)
        return menu_;
    // The item becomes a submenu: its plain action is replaced by the menu's own action, in place.
    QWidget* container = bar_ != nullptr ? static_cast<QWidget*>(bar_) : parentItem_->SubMenu();
    menu_ = new QMenu(caption_, container);
    QAction* old = action_;
    container->insertAction(old, menu_->menuAction());
    container->removeAction(old);
    old->deleteLater();
    action_ = menu_->menuAction();
    return menu_;
}

void TMenuItem::Wire() {
    if (action_->isSeparator())
        return;
    connect(action_, &QAction::triggered, this, [this] { App().Invoke(OnClick); });
}

void TMenuItem::SetShortCut(const QKeySequence& keys) {
    action_->setShortcut(keys);
    action_->setShortcutContext(Qt::WindowShortcut);
}

} // namespace tk
