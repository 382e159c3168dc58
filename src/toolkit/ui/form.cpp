// The window: its outer size and client area, placement, closing and the modal loop.
#include "toolkit/ui/controls.h"
#include "toolkit/ui/controls_internal.h"

#include "toolkit/text/errors.h"
#include "toolkit/ui/application.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>

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
} // namespace

// ---- TForm ----------------------------------------------------------------------------------------

TForm::TForm(TForm* owner) : QWidget(owner, Qt::Window), TControl(this), client_(new QWidget(this)) {
    setAttribute(Qt::WA_QuitOnClose, false);
    setAutoFillBackground(true);
    SetFontHeight(kDefaultFontHeight);
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
    const QSize size(clientWidth, clientHeight + menuHeight);
    if (maximumSize() == minimumSize() && minimumSize() != QSize(0, 0))
        setFixedSize(size);
    else
        resize(size);
    LayoutClient();
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
    const bool wasShown = !isHidden();
    Qt::WindowFlags flags = Qt::Window | Qt::WindowTitleHint | Qt::CustomizeWindowHint;
    if (icons & static_cast<int>(BorderIcon::SystemMenu))
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (icons & static_cast<int>(BorderIcon::Minimize))
        flags |= Qt::WindowMinimizeButtonHint;
    if (icons & static_cast<int>(BorderIcon::Maximize))
        flags |= Qt::WindowMaximizeButtonHint;
    setWindowFlags(flags);
    // Changing the flags hides a window; put it back as it was.
    if (wasShown)
        show();
}

void TForm::SetResizable(bool resizable) {
    if (resizable) {
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    } else {
        setFixedSize(size());
    }
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
    if (menuBar_ != nullptr)
        menuBar_->setGeometry(0, 0, width(), menuHeight);
    client_->setGeometry(0, menuHeight, width(), std::max(height() - menuHeight, 0));
}

void TForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayoutClient();
}

void TForm::PlaceOnScreen() {
    if (!centered_ || placed_)
        return;
    placed_ = true;
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    const QRect area = screen->availableGeometry();
    const int outerW = outerWidth_ > 0 ? outerWidth_ : width() + kFrameWidth;
    const int outerH = outerHeight_ > 0 ? outerHeight_ : height() + kFrameHeight;
    move(area.x() + (area.width() - outerW) / 2, area.y() + (area.height() - outerH) / 2);
}

void TForm::Show() {
    const bool wasHidden = isHidden();
    if (wasHidden)
        PlaceOnScreen();
    show();
    raise();
    activateWindow();
    if (wasHidden && OnShow) {
        const Handler handler = OnShow;
        App().Invoke(handler);
    }
}

void TForm::Hide() {
    hide();
}

void TForm::Close() {
    if (OnClose) {
        const Handler handler = OnClose;
        App().Invoke(handler);
    }
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
    Show();
    while (modalResult_ == 0 && !App().Terminated())
        loop.exec();
    if (modalResult_ == 0)
        modalResult_ = 2; // the program is ending: the show ends as if cancelled
    modalLoop_ = outer;
    hide();
    setWindowModality(Qt::NonModal);
    return modalResult_;
}

} // namespace tk
