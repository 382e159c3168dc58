// SPDX-License-Identifier: GPL-3.0-or-later
// Panels, group boxes and radio groups: the controls that hold others.
#include "toolkit/ui/controls.h"
#include "toolkit/ui/controls_internal.h"

#include "toolkit/text/errors.h"
#include "toolkit/ui/application.h"

#include <QButtonGroup>
#include <QEvent>
#include <QPainter>

#include <algorithm>

namespace tk {

// ---- TPanel ---------------------------------------------------------------------------------------

TPanel::TPanel(TControl* parent) : QFrame(ParentClient(parent)), TControl(this) {
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(1);
    setAutoFillBackground(true);
    show();
}

void TPanel::SetCaption(const QString& caption) {
    if (caption_ == caption)
        return;
    caption_ = caption;
    update();
}

void TPanel::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    if (caption_.isEmpty())
        return;
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(contentsRect(), Qt::AlignCenter | Qt::TextSingleLine, caption_);
}

// ---- TGroupBox ------------------------------------------------------------------------------------

namespace {

// A group box's caption sits on its frame line, at the left, as on the original platform; the
// children keep the coordinates the layout gives them from the box's top-left corner.
// An item of a radio group: its whole row takes the click.
class RadioItem : public QRadioButton {
public:
    RadioItem(const QString& text, QWidget* parent) : QRadioButton(text, parent) {}

protected:
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};

void FrameCaptionOnBorder(QGroupBox* box) {
    box->setStyleSheet(
        QStringLiteral("QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 0.5em; }"
                       "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
                       " left: 7px; padding: 0 2px; }"));
}

} // namespace

TGroupBox::TGroupBox(TControl* parent) : QGroupBox(ParentClient(parent)), TControl(this) {
    FrameCaptionOnBorder(this);
    show();
}

// ---- TRadioGroup ----------------------------------------------------------------------------------

TRadioGroup::TRadioGroup(TControl* parent)
    : QGroupBox(ParentClient(parent)), TControl(this), group_(new QButtonGroup(this)) {
    group_->setExclusive(true);
    connect(group_, &QButtonGroup::idClicked, this, [this] {
        const Handler handler = OnClick;
        App().Invoke(handler);
    });
    FrameCaptionOnBorder(this);
    show();
}

// The items share the height below the caption evenly, one row each; an item whose text is taller
// than its row keeps its full height, centred on the row, so no letter is cut.
void TRadioGroup::ArrangeItems() {
    if (buttons_.empty())
        return;
    const int count = static_cast<int>(buttons_.size());
    const int textHeight = fontMetrics().height();
    const int room = height() - textHeight - 5;
    const int row = std::max(1, room / count);
    const int top = textHeight + 1 + (room % count) / 2;
    for (int i = 0; i < count; ++i) {
        QRadioButton* button = buttons_[static_cast<std::size_t>(i)];
        button->setFont(font()); // a styled box does not pass its font on by itself
        const int h = std::max(row, button->sizeHint().height());
        button->setGeometry(8, top + i * row + (row - h) / 2, width() - 10, h);
    }
}

void TRadioGroup::resizeEvent(QResizeEvent* event) {
    QGroupBox::resizeEvent(event);
    ArrangeItems();
}

void TRadioGroup::changeEvent(QEvent* event) {
    QGroupBox::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        ArrangeItems();
}

void TRadioGroup::SetItems(const QStringList& items) {
    const int keep = ItemIndex();
    for (QRadioButton* button : buttons_) {
        group_->removeButton(button);
        delete button;
    }
    buttons_.clear();
    items_ = items;
    for (int i = 0; i < items_.size(); ++i) {
        auto* button = new RadioItem(items_[i], this);
        group_->addButton(button, i);
        button->show();
        buttons_.push_back(button);
    }
    ArrangeItems();
    SetItemIndex(keep < static_cast<int>(buttons_.size()) ? keep : -1);
}

int TRadioGroup::ItemIndex() const {
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        if (buttons_[i]->isChecked())
            return static_cast<int>(i);
    }
    return -1;
}

void TRadioGroup::SetItemIndex(int index) {
    if (index >= 0 && index < static_cast<int>(buttons_.size())) {
        buttons_[static_cast<std::size_t>(index)]->setChecked(true);
        return;
    }
    // None checked: an exclusive group cannot uncheck its last button, so lift it for a moment.
    group_->setExclusive(false);
    for (QRadioButton* button : buttons_)
        button->setChecked(false);
    group_->setExclusive(true);
}

QRadioButton* TRadioGroup::ItemButton(int index) const {
    if (index < 0 || index >= static_cast<int>(buttons_.size()))
        return nullptr;
    return buttons_[static_cast<std::size_t>(index)];
}

} // namespace tk
