// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/ui/keyboard.h"

#include "toolkit/ui/application.h"
#include "toolkit/ui/controls.h"

#include <QKeyEvent>
#include <QWidget>

#include <optional>

namespace tk {

namespace {

std::optional<Key> KeyOf(const QKeyEvent* event) {
    if ((event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return std::nullopt;
    switch (event->key()) {
    case Qt::Key_Left:
        return Key::Left;
    case Qt::Key_Right:
        return Key::Right;
    case Qt::Key_Up:
        return Key::Up;
    case Qt::Key_Down:
        return Key::Down;
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return Key::Turn;
    default:
        return std::nullopt;
    }
}

} // namespace

// Watches the whole application, since a key goes to whichever control of the window has the focus.
TKeyPreview::TKeyPreview(TForm* form) : QObject(form), form_(form) {
    qApp->installEventFilter(this);
}

TKeyPreview::~TKeyPreview() {
    qApp->removeEventFilter(this);
}

bool TKeyPreview::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::MouseButtonPress)
        return false;
    if (!watched->isWidgetType() || static_cast<QWidget*>(watched)->window() != form_)
        return false;
    if (type == QEvent::MouseButtonPress) {
        if (OnMousePress) {
            const auto handler = OnMousePress;
            App().Invoke(handler);
        }
        return false;
    }
    const std::optional<Key> key = KeyOf(static_cast<QKeyEvent*>(event));
    if (!key || !OnKey)
        return false;
    // Decided once, at the control that first receives it (the filter sees it again as it propagates).
    const auto handler = OnKey;
    bool taken = false;
    App().Invoke([&] { taken = handler(*key); });
    if (taken)
        event->accept();
    return taken;
}

} // namespace tk
