// SPDX-License-Identifier: GPL-3.0-or-later
// Keys for a window before its controls see them: the arrow keys, Space and Enter come to the
// handler of the window, and a mouse press or tap anywhere in it is reported too (play by keyboard
// gives way to the mouse).
#pragma once

#include <QObject>

#include <functional>

namespace tk {

class TForm;

enum class Key { Left, Right, Up, Down, Turn };

class TKeyPreview : public QObject {
    Q_OBJECT
public:
    explicit TKeyPreview(TForm* form);
    ~TKeyPreview() override;

    // Each runs inside the error boundary. A key the handler takes (returns true for) reaches no
    // control; one it leaves goes on to the control with the focus.
    std::function<bool(Key key)> OnKey;
    std::function<void()> OnMousePress;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TForm* form_;
};

} // namespace tk
