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

    // Each runs inside the error boundary. A key with a handler is taken: no control sees it.
    std::function<void(Key key)> OnKey;
    std::function<void()> OnMousePress;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TForm* form_;
};

} // namespace tk
