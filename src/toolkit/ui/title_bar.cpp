// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/ui/title_bar.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

namespace tk {

namespace {
constexpr int kBox = 18;
constexpr int kBoxGap = 5;
constexpr int kRightMargin = 8;
constexpr int kIcon = 22;
constexpr int kTitlePixels = 14;
} // namespace

TitleBar::TitleBar(QWidget* window) : QWidget(window) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TitleBar::SetBoxes(bool close, bool minimise, bool maximise) {
    close_ = close;
    minimise_ = minimise;
    maximise_ = maximise;
    update();
}

QRect TitleBar::BoxRect(Box box) const {
    const int slot = box == Box::Close ? 0 : box == Box::Maximise ? 1 : 2;
    return {width() - kRightMargin - kBox * (slot + 1) - kBoxGap * slot, (height() - kBox) / 2, kBox, kBox};
}

TitleBar::Box TitleBar::BoxAt(const QPoint& at) const {
    for (const auto& [box, shown] : {std::pair{Box::Close, close_}, std::pair{Box::Maximise, maximise_},
                                     std::pair{Box::Minimise, minimise_}})
        if (shown && BoxRect(box).contains(at))
            return box;
    return Box::None;
}

void TitleBar::paintEvent(QPaintEvent*) {
    const QPalette palette = QApplication::palette();
    const bool active = window()->isActiveWindow();
    QPainter p(this);
    p.fillRect(rect(), palette.color(QPalette::Active, QPalette::Window));
    const QColor ink = active ? palette.color(QPalette::Active, QPalette::WindowText)
                              : palette.color(QPalette::Disabled, QPalette::WindowText);

    int left = TitleBar::kFrame.left() + kBoxGap;
    if (const QIcon icon = window()->windowIcon(); !icon.isNull()) {
        icon.paint(&p, QRect(left, (height() - kIcon) / 2, kIcon, kIcon));
        left += kIcon + kBoxGap;
    }
    QFont font = p.font();
    font.setPixelSize(kTitlePixels);
    p.setFont(font);
    p.setPen(ink);
    // Centred on the whole bar, clipped before the first box.
    p.setClipRect(QRect(left, 0, BoxRect(Box::Minimise).left() - kBoxGap - left, height()));
    p.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, window()->windowTitle());
    p.setClipping(false);

    QPen pen(ink, 2);
    p.setPen(pen);
    if (close_) {
        const QRectF cross = QRectF(BoxRect(Box::Close)).adjusted(5, 5, -5, -5);
        p.setRenderHint(QPainter::Antialiasing);
        p.drawLine(cross.topLeft(), cross.bottomRight());
        p.drawLine(cross.bottomLeft(), cross.topRight());
        p.setRenderHint(QPainter::Antialiasing, false);
    }
    if (minimise_) {
        const QRect line = BoxRect(Box::Minimise).adjusted(5, 5, -5, -5);
        p.drawLine(line.bottomLeft(), line.bottomRight());
    }
    if (maximise_) {
        pen.setWidth(1);
        p.setPen(pen);
        const QRect frame = BoxRect(Box::Maximise).adjusted(4, 5, -4, -5);
        p.drawRect(frame);
        p.drawLine(frame.left(), frame.top() + 1, frame.right(), frame.top() + 1);
    }
}

void TitleBar::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    pressed_ = BoxAt(event->position().toPoint());
    if (pressed_ == Box::None && window()->windowHandle() != nullptr)
        window()->windowHandle()->startSystemMove();
}

void TitleBar::mouseReleaseEvent(QMouseEvent* event) {
    const Box pressed = pressed_;
    pressed_ = Box::None;
    if (event->button() != Qt::LeftButton || pressed == Box::None ||
        BoxAt(event->position().toPoint()) != pressed)
        return;
    switch (pressed) {
    case Box::Close:
        window()->close(); // the window's close handling decides, as for the compositor's close
        break;
    case Box::Minimise:
        window()->showMinimized();
        break;
    case Box::Maximise:
        ToggleMaximised();
        break;
    case Box::None:
        break;
    }
}

void TitleBar::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && maximise_ && BoxAt(event->position().toPoint()) == Box::None)
        ToggleMaximised();
}

void TitleBar::ToggleMaximised() {
    if (window()->isMaximized())
        window()->showNormal();
    else
        window()->showMaximized();
}

} // namespace tk
