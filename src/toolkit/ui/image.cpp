// SPDX-License-Identifier: GPL-3.0-or-later
// The picture control: a decoded picture, plain or stretched, that takes clicks.
#include "toolkit/ui/controls.h"
#include "toolkit/ui/controls_internal.h"

#include "toolkit/pictures/jpeg.h"

#include "toolkit/ui/application.h"

#include <QMouseEvent>
#include <QPainter>

namespace tk {

// ---- TImage ---------------------------------------------------------------------------------------

TImage::TImage(TControl* parent) : QWidget(ParentClient(parent)), TControl(this) {
    show();
}

void TImage::SetPicture(QImage picture) {
    picture_ = std::move(picture);
    UpdateOpaque();
    update();
}

void TImage::ClearPicture() {
    picture_ = QImage();
    UpdateOpaque();
    update();
}

// A stretched picture without alpha covers the whole control, so Qt need not paint what lies
// beneath it: the memory game stacks every earlier deal's cards under the board.
void TImage::UpdateOpaque() {
    setAttribute(Qt::WA_OpaquePaintEvent, stretch_ && !picture_.isNull() && !picture_.hasAlphaChannel());
}

void TImage::LoadPictureFromFile(const QString& path) {
    SetPicture(LoadPictureFile(path, stretch_ ? size() : QSize()));
}

void TImage::SetStretch(bool stretch) {
    if (stretch_ == stretch)
        return;
    stretch_ = stretch;
    UpdateOpaque();
    update();
}

void TImage::paintEvent(QPaintEvent*) {
    if (picture_.isNull())
        return;
    QPainter painter(this);
    if (stretch_) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(rect(), picture_);
    } else {
        painter.drawImage(QPoint(0, 0), picture_);
    }
}

void TImage::mousePressEvent(QMouseEvent* event) {
    // The image takes the press even without a handler, so it never falls through to the parent.
    event->accept();
    if (event->button() == Qt::LeftButton)
        pressed_ = true;
}

void TImage::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    const bool wasPressed = pressed_;
    pressed_ = false;
    if (wasPressed && rect().contains(event->position().toPoint()))
        App().Invoke(OnClick); // a copy: the handler may free its own image, and with it OnClick
}

} // namespace tk
