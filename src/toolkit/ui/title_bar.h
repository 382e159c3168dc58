// SPDX-License-Identifier: GPL-3.0-or-later
// The title bar a window draws itself where the compositor draws none (see ClientDrawsFrames).
#pragma once

#include <QMargins>
#include <QWidget>

namespace tk {

// The caption and the boxes the window asks for, and nothing else: a dialog shows its close box
// alone, a window of fixed size no maximise box. Each box keeps its place at the right end (close,
// maximise, minimise, as the title bar Qt draws has them); a press on the rest moves the window.
class TitleBar : public QWidget {
    Q_OBJECT
public:
    // What the bar and the borders take around the client area.
    static constexpr QMargins kFrame{3, 30, 3, 3};

    explicit TitleBar(QWidget* window);
    void SetBoxes(bool close, bool minimise, bool maximise);
    bool HasMaximise() const { return maximise_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    enum class Box { None, Close, Maximise, Minimise };
    QRect BoxRect(Box box) const;
    Box BoxAt(const QPoint& at) const;
    void ToggleMaximised();

    bool close_ = true;
    bool minimise_ = false;
    bool maximise_ = false;
    Box pressed_ = Box::None;
};

} // namespace tk
