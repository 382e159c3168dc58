// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/ui/startup_queue.h"

#include <QEvent>
#include <QWidget>

#include <utility>

namespace tk {

void StartupQueue::Add(std::function<void()> work) {
    if (!work)
        return;
    if (!deferring_) {
        work();
        return;
    }
    work_.push_back(std::move(work));
}

void StartupQueue::Run() {
    deferring_ = false;
    std::vector<std::function<void()>> queue = std::exchange(work_, {});
    for (std::function<void()>& work : queue)
        work();
}

bool StartupQueue::MustRunBefore(const QObject* receiver, const QEvent* event,
                                 const QWidget* mainWindow) const {
    if (work_.empty() || receiver == nullptr)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::TouchBegin:
    case QEvent::TabletPress:
    case QEvent::ContextMenu:
        return event->spontaneous();
    case QEvent::Close:
        return true;
    case QEvent::Show:
        return receiver != mainWindow && receiver->isWidgetType() &&
               static_cast<const QWidget*>(receiver)->isWindow();
    default:
        return false;
    }
}

bool StartupQueue::FirstPaintOf(const QObject* receiver, const QEvent* event, const QWidget* mainWindow) {
    if (firstPaintSeen_ || event->type() != QEvent::Paint || mainWindow == nullptr || receiver == nullptr ||
        !receiver->isWidgetType() || static_cast<const QWidget*>(receiver)->window() != mainWindow)
        return false;
    firstPaintSeen_ = true;
    return true;
}

} // namespace tk
