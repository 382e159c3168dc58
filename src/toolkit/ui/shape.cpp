// SPDX-License-Identifier: GPL-3.0-or-later
// The shape control: a hollow rectangle drawn over other controls.
#include "toolkit/ui/controls.h"
#include "toolkit/ui/controls_internal.h"

#include <QPainter>

namespace tk {

// ---- TShape ---------------------------------------------------------------------------------------

TShape::TShape(TControl* parent) : QWidget(ParentClient(parent)), TControl(this) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    show();
}

void TShape::SetPen(const QColor& color, int width) {
    color_ = color;
    width_ = width;
    update();
}

void TShape::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QPen pen(color_, width_);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const int inset = width_ / 2;
    painter.drawRect(rect().adjusted(inset, inset, -inset - (width_ % 2 == 0 ? 1 : 0),
                                     -inset - (width_ % 2 == 0 ? 1 : 0)));
}

} // namespace tk
