// SPDX-License-Identifier: GPL-3.0-or-later
// Labels, push buttons, radio buttons and check boxes.
#include "toolkit/ui/controls.h"
#include "toolkit/ui/controls_internal.h"

#include "toolkit/ui/application.h"

#include <QMouseEvent>

namespace tk {

// ---- TLabel ---------------------------------------------------------------------------------------

TLabel::TLabel(TControl* parent) : QLabel(ParentClient(parent)), TControl(this) {
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setMargin(0);
    setTextFormat(Qt::PlainText);
    show();
}

void TLabel::SetCaption(const QString& caption) {
    setText(caption);
    if (autoSize_)
        adjustSize();
}

void TLabel::SetAutoSize(bool autoSize) {
    autoSize_ = autoSize;
    if (autoSize_)
        adjustSize();
}

void TLabel::SetColor(const QColor& background) {
    QPalette pal = palette();
    pal.setColor(QPalette::Window, background);
    setPalette(pal);
    setAutoFillBackground(true);
}

void TLabel::SetFontColor(const QColor& color) {
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, color);
    setPalette(pal);
}

void TLabel::mousePressEvent(QMouseEvent* event) {
    event->accept();
}

// ---- TButton --------------------------------------------------------------------------------------

TButton::TButton(TControl* parent) : QPushButton(ParentClient(parent)), TControl(this) {
    setAutoDefault(false);
    connect(this, &QPushButton::clicked, this, [this] {
        // Copies: the handler may free the button.
        App().Invoke([handler = OnClick, result = modalResult_, form = FormOf(this)] {
            if (result != 0 && form != nullptr)
                form->SetModalResult(result);
            if (handler)
                handler();
        });
    });
    show();
}

// ---- TRadioButton ---------------------------------------------------------------------------------

TRadioButton::TRadioButton(TControl* parent) : QRadioButton(ParentClient(parent)), TControl(this) {
    // Qt's auto-exclusive radio buttons already group by parent.
    setAutoExclusive(true);
    show();
}

void TRadioButton::SetChecked(bool checked) {
    if (checked) {
        setChecked(true);
        return;
    }
    // Qt will not uncheck the checked button of an exclusive group; the program may.
    setAutoExclusive(false);
    setChecked(false);
    setAutoExclusive(true);
}

// ---- TCheckBox -----------------------------------------------------------------------------------

TCheckBox::TCheckBox(TControl* parent) : QCheckBox(ParentClient(parent)), TControl(this) {
    connect(this, &QCheckBox::clicked, this, [this] {
        const Handler handler = OnClick;
        App().Invoke(handler);
    });
    show();
}

} // namespace tk
