// SPDX-License-Identifier: GPL-3.0-or-later
// The window: its outer size and client area, placement, closing and the modal loop.
#include "toolkit/ui/controls.h"
#include "toolkit/ui/controls_internal.h"

#include "toolkit/text/errors.h"
#include "toolkit/ui/application.h"
#include "toolkit/ui/compositor.h"
#include "toolkit/ui/placement.h"
#include "toolkit/ui/title_bar.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMenuBar>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QScreen>
#include <QWindow>

#include <algorithm>

namespace tk {

// The layouts give a window's outer size on a platform whose sizable frame takes 4 px on each side
// (8 px of width) and whose frame and title bar take 34 px of height; a menu bar there is 20 px high.
// The client area we give a window is what those leave, so the layout's controls fit; our own menu
// bar is added on top of it at whatever height it needs.
namespace {
constexpr int kFrameWidth = 8;
constexpr int kFrameHeight = 34;
constexpr int kLayoutMenuBarHeight = 20;

// Wayland tells a client nothing of its window being minimised; X11 does, and its window managers
// keep a modal dialog with its window themselves.
bool WindowSystemHidesMinimising() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

// The screen a window at these bounds opens on.
QScreen* ScreenFor(const QRect& bounds) {
    if (QScreen* screen = QGuiApplication::screenAt(bounds.center()))
        return screen;
    if (QScreen* screen = QGuiApplication::screenAt(bounds.topLeft()))
        return screen;
    return QGuiApplication::primaryScreen();
}
} // namespace

// ---- TForm ----------------------------------------------------------------------------------------

TForm::TForm(TForm* owner) : QWidget(owner, Qt::Window), TControl(this), client_(new QWidget(this)) {
    setAttribute(Qt::WA_QuitOnClose, false);
    setAutoFillBackground(true);
    SetFontHeight(kDefaultFontHeight);
    if (ClientDrawsFrames()) {
        titleBar_ = new TitleBar(this);
        frame_ = TitleBar::kFrame;
    }
    client_->show();
    SetBorderIcons(static_cast<int>(BorderIcon::SystemMenu) | static_cast<int>(BorderIcon::Minimize) |
                   static_cast<int>(BorderIcon::Maximize));
    if (Application* app = Application::Instance())
        app->RegisterForm(this);
}

TForm::~TForm() {
    if (modalLoop_ != nullptr)
        modalLoop_->quit();
}

QString TForm::Caption() const {
    return windowTitle();
}
void TForm::SetCaption(const QString& caption) {
    setWindowTitle(caption);
}

void TForm::SetOuterSize(int width, int height) {
    outerWidth_ = width;
    outerHeight_ = height;
    const int menuHeight = menuBar_ != nullptr ? menuBar_->sizeHint().height() : 0;
    const int clientWidth = std::max(width - kFrameWidth, 0);
    const int clientHeight =
        std::max(height - kFrameHeight - (menuBar_ != nullptr ? kLayoutMenuBarHeight : 0), 0);
    const QSize size(clientWidth + frame_.left() + frame_.right(),
                     clientHeight + menuHeight + frame_.top() + frame_.bottom());
    if (FixedSize()) {
        setFixedSize(size);
    } else {
        // A shown window remembers the size it left, against a late answer of the window system.
        if (!isHidden() && size != this->size()) {
            sizeLeft_ = this->size();
            sizeAsked_ = size;
        }
        const bool outer = resizing_;
        resizing_ = true;
        resize(size);
        resizing_ = outer;
    }
    LayoutClient();
    KeepOnScreen();
}

int TForm::OuterWidth() const {
    return outerWidth_;
}
int TForm::OuterHeight() const {
    return outerHeight_;
}
QSize TForm::ClientSize() const {
    return client_->size();
}

void TForm::SetCentered(bool centered) {
    centered_ = centered;
}

void TForm::SetBorderIcons(int icons) {
    borderIcons_ = icons;
    const bool wasShown = !isHidden();
    // A dialog asks for its title and close box alone, so window managers draw no other box.
    Qt::WindowFlags flags =
        (dialog_ ? Qt::Dialog : Qt::Window) | Qt::WindowTitleHint | Qt::CustomizeWindowHint;
    if (icons & static_cast<int>(BorderIcon::SystemMenu))
        flags |= dialog_ ? Qt::WindowCloseButtonHint : Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if ((icons & static_cast<int>(BorderIcon::Minimize)) && !dialog_)
        flags |= Qt::WindowMinimizeButtonHint;
    if ((icons & static_cast<int>(BorderIcon::Maximize)) && !dialog_)
        flags |= Qt::WindowMaximizeButtonHint;
    // Our own title bar shows the boxes; Qt would drop the frameless hint beside box hints.
    if (titleBar_ != nullptr)
        flags = (dialog_ ? Qt::Dialog : Qt::Window) | Qt::FramelessWindowHint;
    setWindowFlags(flags);
    UpdateTitleBoxes();
    // Changing the flags hides a window; put it back as it was.
    if (wasShown)
        show();
}

void TForm::SetBorderStyle(BorderStyle style) {
    dialog_ = style == BorderStyle::Dialog;
    if (dialog_) {
        SetBorderIcons(static_cast<int>(BorderIcon::SystemMenu));
        SetResizable(false);
    }
}

void TForm::SetResizable(bool resizable) {
    if (resizable) {
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    } else {
        setFixedSize(size());
    }
    UpdateTitleBoxes();
}

bool TForm::FixedSize() const {
    return maximumSize() == minimumSize() && minimumSize() != QSize(0, 0);
}

void TForm::UpdateTitleBoxes() {
    if (titleBar_ == nullptr)
        return;
    // A fixed size cannot be maximised: no box that would only move the window to the corner.
    const auto asks = [this](BorderIcon icon) { return (borderIcons_ & static_cast<int>(icon)) != 0; };
    titleBar_->SetBoxes(asks(BorderIcon::SystemMenu), asks(BorderIcon::Minimize) && !dialog_,
                        asks(BorderIcon::Maximize) && !dialog_ && !FixedSize());
}

QColor ButtonFaceColor() {
    return QApplication::palette().color(QPalette::Button);
}

void TForm::SetColor(const QColor& color) {
    QPalette pal = palette();
    pal.setColor(QPalette::Window, color);
    setPalette(pal);
}

void TForm::AttachMenuBar(QMenuBar* bar) {
    menuBar_ = bar;
    bar->setParent(this);
    bar->show();
    if (outerWidth_ > 0 || outerHeight_ > 0)
        SetOuterSize(outerWidth_, outerHeight_); // the client area gives way to the bar
    else
        LayoutClient();
}

void TForm::LayoutClient() {
    const int menuHeight = menuBar_ != nullptr ? menuBar_->sizeHint().height() : 0;
    const QRect inside = rect().marginsRemoved(frame_);
    if (titleBar_ != nullptr)
        titleBar_->setGeometry(0, 0, width(), frame_.top());
    if (menuBar_ != nullptr)
        menuBar_->setGeometry(inside.x(), inside.y(), inside.width(), menuHeight);
    client_->setGeometry(inside.x(), inside.y() + menuHeight, inside.width(),
                         std::max(inside.height() - menuHeight, 0));
}

void TForm::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (titleBar_ != nullptr &&
        (event->type() == QEvent::ActivationChange || event->type() == QEvent::WindowTitleChange ||
         event->type() == QEvent::WindowIconChange))
        titleBar_->update();
}

void TForm::mousePressEvent(QMouseEvent* event) {
    // Only our own borders lie outside the children: a press there resizes a window that may be.
    if (titleBar_ == nullptr || FixedSize() || event->button() != Qt::LeftButton ||
        windowHandle() == nullptr) {
        QWidget::mousePressEvent(event);
        return;
    }
    constexpr int kCorner = 16;
    const QPoint at = event->position().toPoint();
    Qt::Edges edges;
    if (at.x() < frame_.left() || (at.y() >= height() - frame_.bottom() && at.x() < kCorner))
        edges |= Qt::LeftEdge;
    if (at.x() >= width() - frame_.right() ||
        (at.y() >= height() - frame_.bottom() && at.x() >= width() - kCorner))
        edges |= Qt::RightEdge;
    if (at.y() >= height() - frame_.bottom() ||
        ((edges & (Qt::LeftEdge | Qt::RightEdge)) && at.y() >= height() - kCorner))
        edges |= Qt::BottomEdge;
    if (edges)
        windowHandle()->startSystemResize(edges);
}

void TForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayoutClient();
    if (resizing_ || !sizeAsked_.isValid())
        return;
    // A size from the window system. A Wayland compositor tells each configure the size it last
    // knew, so one sent before it saw our resize (the focus coming back when a dialog closes) brings
    // back the size the window left: that one is stale and our size stands. Any other size is the
    // player's (or the compositor's own, as maximised) and is kept from here on.
    if (event->size() == sizeLeft_ && event->size() != sizeAsked_) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!sizeAsked_.isValid() || size() != sizeLeft_)
                    return;
                resizing_ = true;
                resize(sizeAsked_);
                resizing_ = false;
                LayoutClient();
            },
            Qt::QueuedConnection);
        return;
    }
    sizeAsked_ = QSize();
}

void TForm::PlaceOnScreen() {
    if (placed_)
        return;
    placed_ = true;
    // A window the layout gives no place goes where the window system puts it.
    if (!centered_ && !testAttribute(Qt::WA_Moved))
        return;
    // Not yet on screen, the frame is the layout's outer size.
    const QSize outer(outerWidth_ > 0 ? outerWidth_ : width() + kFrameWidth,
                      outerHeight_ > 0 ? outerHeight_ : height() + kFrameHeight);
    QRect wanted(pos(), outer);
    QScreen* screen = ScreenFor(wanted);
    if (screen == nullptr)
        return;
    const QRect area = screen->availableGeometry();
    if (centered_)
        wanted.moveTo(area.x() + (area.width() - outer.width()) / 2,
                      area.y() + (area.height() - outer.height()) / 2);
    move(PlaceWithin(wanted, area));
}

void TForm::KeepOnScreen() {
    if (isHidden())
        return;
    // On screen, the frame is what the window manager gave it.
    const QRect frame = frameGeometry();
    QScreen* screen = ScreenFor(frame);
    if (screen == nullptr)
        return;
    const QPoint at = PlaceWithin(frame, screen->availableGeometry());
    if (at != frame.topLeft())
        move(at);
}

void TForm::Show() {
    const bool wasHidden = isHidden();
    if (wasHidden)
        PlaceOnScreen();
    show();
    raise();
    activateWindow();
    if (wasHidden)
        App().Invoke(OnShow);
}

void TForm::Hide() {
    hide();
}

void TForm::Close() {
    App().Invoke(OnClose);
    if (modalLoop_ != nullptr) {
        SetModalResult(2);
        return;
    }
    Application* app = Application::Instance();
    if (app != nullptr && app->MainForm() == this)
        app->Terminate();
    else
        hide();
}

void TForm::closeEvent(QCloseEvent* event) {
    // The window system asks; we decide (hide, end a modal show, or end the program) ourselves.
    event->ignore();
    Close();
}

void TForm::SetModalResult(int result) {
    modalResult_ = result;
    if (result != 0 && modalLoop_ != nullptr)
        modalLoop_->quit();
}

int TForm::ShowModal() {
    if (!isHidden())
        throw EInvalidOperation(texts::kCannotMakeVisibleModal);
    modalResult_ = 0;
    setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    QObject::connect(&App(), &Application::TerminateRequested, &loop, &QEventLoop::quit);
    QEventLoop* const outer = modalLoop_;
    modalLoop_ = &loop;
    // Owned by the window it was opened from: window managers keep it above that window, and one
    // that minimises it takes that window along rather than leaving it blocked behind nothing.
    if (QWidget* opener = QApplication::activeWindow(); opener != nullptr && opener != this) {
        winId(); // gives the window its native side, which carries the owner
        if (windowHandle() != nullptr)
            windowHandle()->setTransientParent(opener->windowHandle());
    }
    Show();
    MarkModalOnCompositor(windowHandle());
    // A compositor may minimise the dialog alone (its own box or keyboard), and the window it blocks
    // then stands on the screen taking no input, as if hung. The blocked window taking the focus
    // (from a click, or handed on by the compositor) brings the dialog back; on Wayland, where the
    // client cannot tell whether it is minimised, as a new window, which always opens unminimised.
    QMetaObject::Connection refocus;
    if (WindowSystemHidesMinimising())
        refocus = QObject::connect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* focus) {
            if (focus == nullptr || focus == windowHandle() || QApplication::activeModalWidget() != this ||
                (focus->type() != Qt::Window && focus->type() != Qt::Dialog))
                return;
            QMetaObject::invokeMethod(
                this,
                [this] {
                    if (modalLoop_ == nullptr || isHidden() || QApplication::activeModalWidget() != this)
                        return;
                    QWidget::hide();
                    QWidget::show();
                    MarkModalOnCompositor(windowHandle());
                },
                Qt::QueuedConnection);
        });
    while (modalResult_ == 0 && !App().Terminated())
        loop.exec();
    QObject::disconnect(refocus);
    if (modalResult_ == 0)
        modalResult_ = 2; // the program is ending: the show ends as if cancelled
    modalLoop_ = outer;
    hide();
    setWindowModality(Qt::NonModal);
    return modalResult_;
}

} // namespace tk
