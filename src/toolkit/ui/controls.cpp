#include "app/toolkit/controls.h"

#include "app/toolkit/application.h"
#include "app/toolkit/cp1250.h"
#include "app/toolkit/errors.h"
#include "app/toolkit/jpeg.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include <algorithm>

namespace tk {

namespace {

// The layouts give a window's outer size on a platform whose sizable frame takes 4 px on each side
// (8 px of width) and whose frame and title bar take 34 px of height; a menu bar there is 20 px high.
// The client area we give a window is what those leave, so the layout's controls fit; our own menu
// bar is added on top of it at whatever height it needs.
constexpr int kFrameWidth = 8;
constexpr int kFrameHeight = 34;
constexpr int kLayoutMenuBarHeight = 20;

QFont LayoutFont(int pixels) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(std::max(pixels, 1));
    return font;
}

TForm* FormOf(QWidget* widget) {
    for (QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
        if (auto* form = dynamic_cast<TForm*>(w))
            return form;
    }
    return nullptr;
}

QWidget* ParentClient(TControl* parent) {
    return parent != nullptr ? parent->ClientWidget() : nullptr;
}

} // namespace

// ---- TControl -------------------------------------------------------------------------------------

int TControl::Left() const {
    return self_->x();
}
int TControl::Top() const {
    return self_->y();
}
int TControl::Width() const {
    return self_->width();
}
int TControl::Height() const {
    return self_->height();
}
void TControl::SetLeft(int left) {
    self_->move(left, self_->y());
}
void TControl::SetTop(int top) {
    self_->move(self_->x(), top);
}
void TControl::SetWidth(int width) {
    self_->resize(width, self_->height());
}
void TControl::SetHeight(int height) {
    self_->resize(self_->width(), height);
}

void TControl::SetBounds(int left, int top, int width, int height) {
    self_->setGeometry(left, top, width, height);
}

bool TControl::Visible() const {
    return !self_->isHidden();
}

void TControl::SetVisible(bool visible) {
    if (visible == Visible())
        return;
    // A window shows and hides as a window does (OnShow, placement, front).
    if (auto* form = dynamic_cast<TForm*>(this)) {
        visible ? form->Show() : form->Hide();
        return;
    }
    self_->setVisible(visible);
}

void TControl::SetFontHeight(int pixels) {
    self_->setFont(LayoutFont(pixels));
}

void ReleaseControl(TControl* control) {
    if (control == nullptr || control->released_)
        return;
    control->released_ = true;
    // Hidden now, so the player sees it gone and no later input reaches it; freed by the event loop
    // once the handler that released it (and Qt's delivery of its event) has returned.
    control->self_->hide();
    control->self_->deleteLater();
}

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
    if (!wasPressed || !rect().contains(event->position().toPoint()) || !OnClick)
        return;
    // A copy: a card's click handler frees the card itself, and with it OnClick.
    const Handler handler = OnClick;
    App().Invoke(handler);
}

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

void TLabel::mousePressEvent(QMouseEvent* event) {
    event->accept();
}

// ---- TButton --------------------------------------------------------------------------------------

TButton::TButton(TControl* parent) : QPushButton(ParentClient(parent)), TControl(this) {
    setAutoDefault(false);
    connect(this, &QPushButton::clicked, this, [this] {
        // Copies first: the handler may free the button.
        const Handler handler = OnClick;
        const int result = modalResult_;
        TForm* form = FormOf(this);
        App().Invoke([&] {
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

// ---- TEdit ----------------------------------------------------------------------------------------

namespace {

QString TypableOnly(const QString& text) {
    QString kept;
    kept.reserve(text.size());
    for (QChar c : text) {
        if (cp1250::IsTypable(c))
            kept.append(c);
    }
    return kept;
}

} // namespace

TEdit::TEdit(TControl* parent) : QLineEdit(ParentClient(parent)), TControl(this) {
    // Typed and pasted text loses what a score file could not store; the cursor stays after
    // the characters that were before it.
    connect(this, &QLineEdit::textEdited, this, [this](const QString& edited) {
        const QString kept = TypableOnly(edited);
        if (kept == edited)
            return;
        const int cursor = cursorPosition();
        const int keptBeforeCursor = static_cast<int>(TypableOnly(edited.left(cursor)).size());
        setText(kept);
        setCursorPosition(keptBeforeCursor);
    });
    show();
}

void TEdit::SetText(const QString& text) {
    setText(TypableOnly(text));
}

void TEdit::SetFocus() {
    if (!isVisible() || !isEnabled() || !window()->isVisible() || !window()->isEnabled())
        throw EInvalidOperation(texts::kCannotFocus);
    window()->activateWindow();
    setFocus(Qt::OtherFocusReason);
    if (autoSelect_)
        selectAll();
}

// ---- TStringGrid ----------------------------------------------------------------------------------

TStringGrid::TStringGrid(TControl* parent) : QTableWidget(ParentClient(parent)), TControl(this) {
    horizontalHeader()->hide();
    verticalHeader()->hide();
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setShowGrid(true);
    setGridStyle(Qt::SolidLine);
    // A text longer than its cell is cut at the cell's edge, not shortened to "--...".
    setTextElideMode(Qt::ElideNone);
    setWordWrap(false);
    show();
}

void TStringGrid::SetDimensions(int colCount, int rowCount, int fixedRows) {
    setColumnCount(colCount);
    setRowCount(rowCount);
    fixedRows_ = std::clamp(fixedRows, 0, rowCount);
    for (int row = 0; row < rowCount; ++row) {
        for (int col = 0; col < colCount; ++col) {
            if (item(row, col) == nullptr)
                SetCell(col, row, QString());
        }
    }
    // The current cell starts on the first row below the header, as the player would pick it.
    if (fixedRows_ < rowCount && colCount > 0)
        setCurrentCell(fixedRows_, 0, QItemSelectionModel::NoUpdate);
}

void TStringGrid::SetCellSize(int width, int height) {
    horizontalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setDefaultSectionSize(width);
    verticalHeader()->setDefaultSectionSize(height);
    for (int col = 0; col < columnCount(); ++col)
        setColumnWidth(col, width);
    for (int row = 0; row < rowCount(); ++row)
        setRowHeight(row, height);
}

QString TStringGrid::Cell(int col, int row) const {
    const QTableWidgetItem* cell = item(row, col);
    return cell != nullptr ? cell->text() : QString();
}

void TStringGrid::SetCell(int col, int row, const QString& text) {
    if (col < 0 || row < 0 || col >= columnCount() || row >= rowCount())
        return;
    QTableWidgetItem* cell = item(row, col);
    if (cell == nullptr) {
        cell = new QTableWidgetItem();
        if (row < fixedRows_) {
            // The header rows look like buttons and cannot be selected.
            cell->setFlags(Qt::ItemIsEnabled);
            cell->setBackground(palette().color(QPalette::Button));
        } else {
            cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        }
        setItem(row, col, cell);
    }
    cell->setText(text);
}

// ---- Menus ----------------------------------------------------------------------------------------

TMainMenu::TMainMenu(TForm* form) : QObject(form), bar_(new QMenuBar(form)) {
    form->AttachMenuBar(bar_);
}

TMenuItem::TMenuItem(TMainMenu* menu, const QString& caption)
    : QObject(menu->Bar()), caption_(caption), bar_(menu->Bar()) {
    if (caption_ == QLatin1String("-"))
        action_ = bar_->addSeparator();
    else
        action_ = bar_->addAction(caption_);
    Wire();
}

TMenuItem::TMenuItem(TMenuItem* parent, const QString& caption)
    : QObject(parent), caption_(caption), parentItem_(parent) {
    QMenu* owner = parent->SubMenu();
    if (caption_ == QLatin1String("-"))
        action_ = owner->addSeparator();
    else
        action_ = owner->addAction(caption_);
    Wire();
}

QMenu* TMenuItem::SubMenu() {
    if (menu_ != nullptr)
        return menu_;
    // The item becomes a submenu: its plain action is replaced by the menu's own action, in place.
    QWidget* container = bar_ != nullptr ? static_cast<QWidget*>(bar_) : parentItem_->SubMenu();
    menu_ = new QMenu(caption_, container);
    QAction* old = action_;
    container->insertAction(old, menu_->menuAction());
    container->removeAction(old);
    old->deleteLater();
    action_ = menu_->menuAction();
    return menu_;
}

void TMenuItem::Wire() {
    if (action_->isSeparator())
        return;
    connect(action_, &QAction::triggered, this, [this] {
        const Handler handler = OnClick; // the handler may free its own item
        App().Invoke(handler);
    });
}

} // namespace tk
