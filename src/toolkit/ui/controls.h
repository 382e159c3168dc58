// SPDX-License-Identifier: GPL-3.0-or-later
// The control kinds the windows are built from: thin wrappers over Qt widgets that expose the
// properties and events the game code uses, and run every event handler through the
// application's error boundary.
#pragma once

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QImage>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <QTableWidget>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <vector>

class QMenuBar;
class QMenu;
class QAction;
class QButtonGroup;
class QVBoxLayout;
class QEventLoop;

namespace tk {

class TitleBar;

using Handler = std::function<void()>;

// Character heights in pixels; the layouts' font is replaced by DejaVu Sans at the same height.
inline constexpr int kDefaultFontHeight = 11;

// What every control has: bounds relative to its parent's client area, its own visibility flag
// and a free Tag. Derived classes are QWidgets; this mixin reaches the widget through self().
class TControl {
public:
    explicit TControl(QWidget* self) : self_(self) {}
    virtual ~TControl() = default;
    TControl(const TControl&) = delete;
    TControl& operator=(const TControl&) = delete;

    int Left() const;
    int Top() const;
    int Width() const;
    int Height() const;
    void SetLeft(int left);
    void SetTop(int top);
    void SetWidth(int width);
    void SetHeight(int height);
    void SetBounds(int left, int top, int width, int height);

    // The control's own flag (not whether its parents are shown). Hidden controls are not drawn
    // and take no mouse input; a click on their spot reaches what lies beneath.
    bool Visible() const;
    void SetVisible(bool visible);
    // A disabled control is drawn greyed and takes no input.
    bool Enabled() const;
    void SetEnabled(bool enabled);

    // Character height in pixels of the control's font.
    void SetFontHeight(int pixels);

    // Where children of this control are placed (a form's client area, a panel, a group box).
    virtual QWidget* ClientWidget() { return self_; }
    QWidget* self() const { return self_; }

    std::int32_t Tag = 0;

    // True once the control has been released (see ReleaseControl); it is off its window and about
    // to be freed, so nothing may show, hide or release it again.
    bool Released() const { return released_; }

private:
    friend void ReleaseControl(TControl* control);
    QWidget* self_;
    bool released_ = false;
};

// Takes a control off its window at once and frees it once the event being handled is done, so a
// handler may free the very control whose click it is running in. Releasing it again does nothing.
void ReleaseControl(TControl* control);

// The system's colour of button faces, which dialogs take as their background.
QColor ButtonFaceColor();

enum class BorderIcon { SystemMenu = 1, Minimize = 2, Maximize = 4 };
// A dialog's border: a title and a close box only, and a fixed size.
enum class BorderStyle { Sizeable, Dialog };

// A top-level window. The layout gives the outer size; the client area is what the frame leaves.
class TForm : public QWidget, public TControl {
    Q_OBJECT
public:
    // A form without an owner is owned by the application; one with an owner is freed with it.
    explicit TForm(TForm* owner = nullptr);
    ~TForm() override;

    QString Caption() const;
    void SetCaption(const QString& caption);

    // Outer size as the layout gives it, frame and title bar included.
    void SetOuterSize(int width, int height);
    int OuterWidth() const;
    int OuterHeight() const;
    QSize ClientSize() const;

    // Centred on the desktop when first shown, or placed at the layout's Left, Top; moved (never
    // resized) just far enough to stand wholly on the screen where that place does not fit, also
    // when its size changes while it is shown. Once placed, a window keeps its place (where the
    // player may have moved it) from one showing to the next.
    void SetCentered(bool centered);
    void SetBorderIcons(int icons); // a combination of BorderIcon values
    void SetBorderStyle(BorderStyle style);
    void SetResizable(bool resizable);
    // The colour of the client area, such as ButtonFaceColor() for a dialog.
    void SetColor(const QColor& color);

    // Shows the window and brings it to the front; OnShow runs only on the way from hidden to shown.
    void Show();
    // Hides the window (no OnClose).
    void Hide();
    // As the close box: runs OnClose, then hides the window (or ends a modal show with 2, or
    // ends the program when this is the main window).
    void Close();

    // Shows the window modally: the other windows take no input, timers keep ticking. Returns when
    // ModalResult is not 0, hides the window and returns that value.
    int ShowModal();
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int result);
    bool InModalShow() const { return modalLoop_ != nullptr; }

    QWidget* ClientWidget() override { return client_; }
    QMenuBar* MenuBar() const { return menuBar_; }
    void AttachMenuBar(QMenuBar* bar);

    Handler OnShow;
    Handler OnClose;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void PlaceOnScreen();
    void KeepOnScreen();
    void LayoutClient();
    bool FixedSize() const;
    void UpdateTitleBoxes();

    QWidget* client_;
    QMenuBar* menuBar_ = nullptr;
    // Our own title bar and borders, where the compositor draws no frame (else null and none).
    TitleBar* titleBar_ = nullptr;
    QMargins frame_;
    int borderIcons_ = 0;
    bool centered_ = false;
    bool dialog_ = false;
    bool placed_ = false;
    int outerWidth_ = 0;
    int outerHeight_ = 0;
    int modalResult_ = 0;
    QEventLoop* modalLoop_ = nullptr;
    // The size the program gave the shown window and the one it had before, until the window
    // system confirms or overrides it (see resizeEvent).
    QSize sizeAsked_;
    QSize sizeLeft_;
    bool resizing_ = false;
};

// A panel: a plain area with a raised edge; its caption is drawn centred on it.
class TPanel : public QFrame, public TControl {
    Q_OBJECT
public:
    explicit TPanel(TControl* parent);
    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString caption_;
};

// An image control. Without Stretch the picture is drawn at natural size from the top-left corner
// and clipped; with Stretch it is scaled to fill the control. A press is taken by the image even
// without a click handler.
class TImage : public QWidget, public TControl {
    Q_OBJECT
public:
    explicit TImage(TControl* parent);

    const QImage& Picture() const { return picture_; }
    void SetPicture(QImage picture);
    void ClearPicture();
    // Decodes a picture file by its extension ("jpg", "jpeg"). With Stretch on, decodes at the
    // smallest scale that still covers the control. Raises EPictureError.
    void LoadPictureFromFile(const QString& path);

    bool Stretch() const { return stretch_; }
    void SetStretch(bool stretch);

    Handler OnClick;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void UpdateOpaque();
    QImage picture_;
    bool stretch_ = false;
    bool pressed_ = false;
};

// A label that grows to fit its text; opaque when given a background colour.
class TLabel : public QLabel, public TControl {
    Q_OBJECT
public:
    explicit TLabel(TControl* parent);
    QString Caption() const { return text(); }
    void SetCaption(const QString& caption);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool autoSize);
    void SetColor(const QColor& background); // makes the label opaque
    void SetFontColor(const QColor& color);

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    bool autoSize_ = true;
};

class TButton : public QPushButton, public TControl {
    Q_OBJECT
public:
    explicit TButton(TControl* parent);
    QString Caption() const { return text(); }
    void SetCaption(const QString& caption) { setText(caption); }
    // A button with a modal result sets it on its form when clicked.
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int result) { modalResult_ = result; }
    bool Focused() const { return hasFocus(); }
    void SetFocus() { setFocus(); }

    Handler OnClick;

private:
    int modalResult_ = 0;
};

// A bar that fills as work goes on, with "done z total" on it.
class TProgressBar : public QProgressBar, public TControl {
    Q_OBJECT
public:
    explicit TProgressBar(TControl* parent);
    int Position() const { return value(); }
    int Max() const { return maximum(); }
    // Position out of max; max 0 shows a bar that only says work is going on.
    void SetProgress(int position, int max);
};

// Radio buttons with the same parent form one group: checking one unchecks the others.
class TRadioButton : public QRadioButton, public TControl {
    Q_OBJECT
public:
    explicit TRadioButton(TControl* parent);
    bool Checked() const { return isChecked(); }
    void SetChecked(bool checked);
    QString Caption() const { return text(); }
    void SetCaption(const QString& caption) { setText(caption); }

protected:
    // The whole control takes the click, not only its circle and text.
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};

class TGroupBox : public QGroupBox, public TControl {
    Q_OBJECT
public:
    explicit TGroupBox(TControl* parent);
    QString Caption() const { return title(); }
    void SetCaption(const QString& caption) { setTitle(caption); }
};

// A group box of radio buttons, one per item, laid out in a column.
class TRadioGroup : public QGroupBox, public TControl {
    Q_OBJECT
public:
    explicit TRadioGroup(TControl* parent);
    QString Caption() const { return title(); }
    void SetCaption(const QString& caption) { setTitle(caption); }
    QStringList Items() const { return items_; }
    void SetItems(const QStringList& items);
    int ItemIndex() const; // -1 for none
    void SetItemIndex(int index);
    QRadioButton* ItemButton(int index) const;

    Handler OnClick; // the player has clicked an item

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void ArrangeItems();
    QStringList items_;
    std::vector<QRadioButton*> buttons_;
    QButtonGroup* group_;
};

// An edit box. It holds only characters the score files can store: printable characters of the
// Windows-1250 code page, never CR, LF or byte 26.
class TEdit : public QLineEdit, public TControl {
    Q_OBJECT
public:
    explicit TEdit(TControl* parent);
    QString Text() const { return text(); }
    void SetText(const QString& text);
    void SetMaxLength(int characters) { setMaxLength(characters); }
    bool AutoSelect() const { return autoSelect_; }
    void SetAutoSelect(bool autoSelect) { autoSelect_ = autoSelect; }
    // Gives the box the keyboard focus and, with AutoSelect, selects its whole text.
    // Raises EInvalidOperation when the box or its window is not shown.
    void SetFocus();

private:
    bool autoSelect_ = true;
};

// A grid of text cells, addressed column first; fixed rows are the header at the top.
class TStringGrid : public QTableWidget, public TControl {
    Q_OBJECT
public:
    explicit TStringGrid(TControl* parent);
    void SetDimensions(int colCount, int rowCount, int fixedRows);
    void SetCellSize(int width, int height);
    int ColCount() const { return columnCount(); }
    int RowCount() const { return rowCount(); }
    QString Cell(int col, int row) const;
    void SetCell(int col, int row, const QString& text);

private:
    int fixedRows_ = 0;
};

class TMenuItem;

// A form's menu bar.
class TMainMenu : public QObject {
    Q_OBJECT
public:
    explicit TMainMenu(TForm* form);
    QMenuBar* Bar() const { return bar_; }

private:
    QMenuBar* bar_;
};

// A menu item: on the bar, or under another item (which then opens a submenu). A caption of "-"
// makes a separator line.
class TMenuItem : public QObject {
    Q_OBJECT
public:
    TMenuItem(TMainMenu* menu, const QString& caption);
    TMenuItem(TMenuItem* parent, const QString& caption);
    // An item put in its parent's menu just before another of its items; deleting it takes it off.
    TMenuItem(TMenuItem* parent, const QString& caption, TMenuItem* before);
    QString Caption() const { return caption_; }
    QMenu* SubMenu();
    QAction* Action() const { return action_; }
    // A key combination that runs the item from its window, shown beside its caption.
    void SetShortCut(const QKeySequence& keys);

    Handler OnClick;

private:
    void Wire();
    QString caption_;
    QAction* action_ = nullptr;
    QMenu* menu_ = nullptr;
    QMenuBar* bar_ = nullptr;
    TMenuItem* parentItem_ = nullptr;
};

// A check box with its caption; the whole control takes the click.
class TCheckBox : public QCheckBox, public TControl {
    Q_OBJECT
public:
    explicit TCheckBox(TControl* parent);
    bool Checked() const { return isChecked(); }
    void SetChecked(bool checked) { setChecked(checked); }
    QString Caption() const { return text(); }
    void SetCaption(const QString& caption) { setText(caption); }

    Handler OnClick; // after the box has changed its state

protected:
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};

// A rectangle outline of a colour and a pen width, hollow and transparent to the mouse: a click on
// it reaches what lies beneath.
class TShape : public QWidget, public TControl {
    Q_OBJECT
public:
    explicit TShape(TControl* parent);
    void SetPen(const QColor& color, int width);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor color_{Qt::black};
    int width_ = 1;
};

} // namespace tk
