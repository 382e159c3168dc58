// SPDX-License-Identifier: GPL-3.0-or-later
// The folder tree. Folders are listed with opendir/readdir so that every name keeps its bytes, the
// listing happens once per node and at once (no watching, no background thread), and children sort
// by bytes rather than by locale. Only the rows in view are painted; a row is found from a point by
// one division.
#include "toolkit/ui/directory_outline.h"

#include "toolkit/text/files.h"
#include "toolkit/ui/application.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace tk {

namespace {

constexpr QChar kSeparator = QLatin1Char('/');
constexpr int kMargin = 2;       // left of the root's expander
constexpr int kIndent = 12;      // one level further in
constexpr int kExpanderSize = 9; // the "+"/"-" box
constexpr int kIconSize = 12;
constexpr int kIconLeft = 12;   // from the level's left edge
constexpr int kTextLeft = 27;   // from the level's left edge
constexpr int kTextPadding = 2; // highlight around the text
constexpr int kHorizontalStep = 8;

// Whether the node lies below `ancestor`.
bool IsBelow(const OutlineNode* node, const OutlineNode* ancestor) {
    for (const OutlineNode* n = node != nullptr ? node->parent : nullptr; n != nullptr; n = n->parent) {
        if (n == ancestor)
            return true;
    }
    return false;
}

OutlineNode* FindChild(OutlineNode* node, const QByteArray& name) {
    auto& kids = node->children;
    const auto at = std::lower_bound(kids.begin(), kids.end(), name,
                                     [](const auto& child, const QByteArray& n) { return child->name < n; });
    return at != kids.end() && (*at)->name == name ? at->get() : nullptr;
}

// Every path the tree forms or is given is absolute, without a trailing separator except "/".
QString MakeAbsolute(const QString& path) {
    QString absolute = path.startsWith(kSeparator) ? path : JoinPath(GetCurrentDir(), path);
    if (absolute.size() > 1 && absolute.endsWith(kSeparator))
        absolute.chop(1);
    return absolute;
}

void ForgetWidths(const OutlineNode* node) {
    node->width = -1;
    for (const auto& child : node->children)
        ForgetWidths(child.get());
}

} // namespace

TDirectoryOutline::TDirectoryOutline(TControl* parent)
    : QAbstractScrollArea(parent != nullptr ? parent->ClientWidget() : nullptr), TControl(this) {
    setFocusPolicy(Qt::StrongFocus);
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    // The folder icons are made at the first paint: looking them up in the icon theme costs more than
    // the rest of the program's start, and the dialog is seldom opened.
    Start();
    show();
}

TDirectoryOutline::~TDirectoryOutline() = default;

void TDirectoryOutline::MakeIcons() {
    const qreal ratio = devicePixelRatioF();
    closedIcon_ = style()->standardIcon(QStyle::SP_DirClosedIcon).pixmap(QSize(kIconSize, kIconSize), ratio);
    openIcon_ = style()->standardIcon(QStyle::SP_DirOpenIcon).pixmap(QSize(kIconSize, kIconSize), ratio);
}

// The tree is built along the current directory of the moment: the root, then each folder of
// the path in turn, each expanded on the way. The folder reached is selected without being
// "chosen": the current folder stays the start directory even when the walk stops early (a name
// the tree does not list, such as a hidden folder).
void TDirectoryOutline::Start() {
    current_ = GetCurrentDir();
    drive_ = current_.isEmpty() ? kSeparator : current_.front();
    root_ = std::make_unique<OutlineNode>();
    root_->name = QByteArray(1, '/');
    root_->text = QString(kSeparator);
    selected_ = WalkTo(current_);
    RebuildRows();
}

QString TDirectoryOutline::NodePath(const OutlineNode* node) {
    std::vector<const QString*> texts;
    for (const OutlineNode* n = node; n != nullptr; n = n->parent)
        texts.push_back(&n->text);
    QString path;
    for (auto it = texts.rbegin(); it != texts.rend(); ++it) {
        if (!path.isEmpty())
            path += kSeparator;
        path += **it;
    }
    // The root's own separator and the joining one make "//" after the root.
    if (path.startsWith(QLatin1String("//")))
        path.remove(0, 1);
    return path;
}

void TDirectoryOutline::ReadSubfolders(OutlineNode* node) {
    node->subfoldersRead = true;
    const QByteArray path = EncodeFileName(NodePath(node));
    DIR* dir = ::opendir(path.constData());
    if (dir == nullptr)
        return; // a folder that cannot be listed shows no children
    const int fd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.')
            continue;
        bool folder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            // A link counts by what it points to; some file systems give no type at all.
            struct stat info {};
            folder = ::fstatat(fd, name, &info, 0) == 0 && S_ISDIR(info.st_mode);
        }
        if (!folder)
            continue;
        AddChild(node, QByteArray(name));
    }
    ::closedir(dir);
}

OutlineNode* TDirectoryOutline::AddChild(OutlineNode* node, const QByteArray& name) {
    auto child = std::make_unique<OutlineNode>();
    child->name = name;
    child->text = DecodeFileName(child->name);
    child->parent = node;
    child->level = node->level + 1;
    OutlineNode* added = child.get();
    auto& kids = node->children;
    if (kids.empty() || !(child->name < kids.back()->name)) {
        kids.push_back(std::move(child));
        return added;
    }
    const auto at = std::upper_bound(
        kids.begin(), kids.end(), child->name,
        [](const QByteArray& n, const std::unique_ptr<OutlineNode>& c) { return n < c->name; });
    kids.insert(at, std::move(child));
    return added;
}

bool TDirectoryOutline::ExpandNode(OutlineNode* node) {
    if (!node->subfoldersRead)
        ReadSubfolders(node);
    // A folder without subfolders stays closed: there is nothing to open.
    const bool expand = !node->children.empty();
    const bool changed = node->expanded != expand;
    node->expanded = expand;
    return changed;
}

OutlineNode* TDirectoryOutline::WalkTo(const QString& absolutePath) {
    OutlineNode* node = root_.get();
    const QStringList names = absolutePath.split(kSeparator, Qt::SkipEmptyParts);
    for (const QString& name : names) {
        if (name == QLatin1String("."))
            continue;
        if (name == QLatin1String("..")) {
            if (node->parent != nullptr)
                node = node->parent;
            continue;
        }
        ExpandNode(node);
        const QByteArray bytes = EncodeFileName(name);
        OutlineNode* child = FindChild(node, bytes);
        if (child == nullptr) {
            // A folder made since its parent was listed (a card set the game has just made).
            struct stat info {};
            const QByteArray path = EncodeFileName(NodePath(node)) + '/' + bytes;
            if (bytes.startsWith('.') || ::stat(path.constData(), &info) != 0 || !S_ISDIR(info.st_mode))
                break;
            child = AddChild(node, bytes);
            node->expanded = true;
        }
        node = child;
    }
    return node;
}

void TDirectoryOutline::SelectNode(OutlineNode* node) {
    selectedRow_ = -1;
    selected_ = node;
    selectedRow_ = RowOf(node);
    ScrollToRow(selectedRow_);
    viewport()->update();
    const QString path = MakeAbsolute(NodePath(node));
    // Exact comparison: names here differ by case as by any other letter.
    if (path == current_)
        return;
    current_ = path;
    SetCurrentDir(path); // a folder removed since it was listed raises here, text already stored
}

void TDirectoryOutline::SelectRowByPlayer(int row) {
    if (rows_.empty())
        return;
    row = std::clamp(row, 0, RowCount() - 1);
    OutlineNode* node = rows_[static_cast<std::size_t>(row)];
    App().Invoke([this, node] { SelectNode(node); });
}

void TDirectoryOutline::SetDirectory(const QString& path) {
    App().Invoke([this, &path] {
        OutlineNode* node = WalkTo(MakeAbsolute(path));
        RebuildRows();
        SelectNode(node);
    });
}

void TDirectoryOutline::Expand(const OutlineNode* node) {
    App().Invoke([this, node] {
        if (ExpandNode(Mutable(node)))
            RebuildRows();
    });
}

void TDirectoryOutline::Collapse(const OutlineNode* node) {
    App().Invoke([this, node] {
        if (!node->expanded)
            return;
        Mutable(node)->expanded = false;
        RebuildRows();
        // The selection never hides inside a closed branch: it moves up to the closed folder,
        // which the player thereby chooses.
        if (IsBelow(selected_, node))
            SelectNode(Mutable(node));
    });
}

void TDirectoryOutline::ExpandBranch(const OutlineNode* node, int levelLimit, int nodeLimit) {
    App().Invoke([this, node, levelLimit, nodeLimit] {
        std::vector<std::pair<OutlineNode*, int>> pending{{Mutable(node), 0}};
        std::size_t nodes = 1;
        while (!pending.empty() && nodes < static_cast<std::size_t>(nodeLimit)) {
            auto [next, level] = pending.back();
            pending.pop_back();
            if (level >= levelLimit)
                continue;
            ExpandNode(next);
            nodes += next->children.size();
            for (auto it = next->children.rbegin(); it != next->children.rend(); ++it)
                pending.emplace_back(it->get(), level + 1);
        }
        RebuildRows();
    });
}

void TDirectoryOutline::Toggle(const OutlineNode* node) {
    if (node->expanded)
        Collapse(node);
    else
        Expand(node);
}

const OutlineNode* TDirectoryOutline::Row(int index) const {
    if (index < 0 || index >= RowCount())
        return nullptr;
    return rows_[static_cast<std::size_t>(index)];
}

int TDirectoryOutline::RowOf(const OutlineNode* node) const {
    if (node == selected_ && selectedRow_ >= 0)
        return selectedRow_;
    const auto it = std::find(rows_.begin(), rows_.end(), node);
    return it != rows_.end() ? static_cast<int>(it - rows_.begin()) : -1;
}

QRect TDirectoryOutline::RowRect(int index) const {
    const OutlineNode* node = Row(index);
    if (node == nullptr)
        return {};
    const int left = TextLeft(node) - horizontalScrollBar()->value() - kTextPadding;
    return QRect(left, (index - TopRow()) * kRowHeight, TextWidth(node) + 2 * kTextPadding, kRowHeight);
}

QRect TDirectoryOutline::ExpanderRect(int index) const {
    const OutlineNode* node = Row(index);
    if (node == nullptr)
        return {};
    const int left = kMargin + node->level * kIndent - horizontalScrollBar()->value();
    return QRect(left + 1, (index - TopRow()) * kRowHeight + (kRowHeight - kExpanderSize) / 2,
                 kExpanderSize - 1, kExpanderSize - 1);
}

// ---- rows and scrolling -----------------------------------------------------------------------------

void TDirectoryOutline::RebuildRows() {
    rows_.clear();
    selectedRow_ = -1;
    std::vector<OutlineNode*> pending{root_.get()};
    while (!pending.empty()) {
        OutlineNode* node = pending.back();
        pending.pop_back();
        if (node == selected_)
            selectedRow_ = static_cast<int>(rows_.size());
        rows_.push_back(node);
        if (node->expanded) {
            for (auto it = node->children.rbegin(); it != node->children.rend(); ++it)
                pending.push_back(it->get());
        }
    }
    UpdateScrollBars();
    viewport()->update();
}

int TDirectoryOutline::TopRow() const {
    return verticalScrollBar()->value();
}

int TDirectoryOutline::VisibleRowCount() const {
    return std::max(1, viewport()->height() / kRowHeight);
}

int TDirectoryOutline::RowAt(int y) const {
    if (y < 0)
        return -1;
    const int row = TopRow() + y / kRowHeight;
    return row < RowCount() ? row : -1;
}

int TDirectoryOutline::TextLeft(const OutlineNode* node) const {
    return kMargin + node->level * kIndent + kTextLeft;
}

int TDirectoryOutline::TextWidth(const OutlineNode* node) const {
    if (node->width < 0)
        node->width = fontMetrics().horizontalAdvance(DisplayFileName(node->text));
    return node->width;
}

bool TDirectoryOutline::OnExpander(const OutlineNode* node, int x) const {
    const int left = kMargin + node->level * kIndent;
    return x >= left && x < left + kIconLeft && (!node->subfoldersRead || !node->children.empty());
}

void TDirectoryOutline::UpdateScrollBars() {
    const int visible = VisibleRowCount();
    verticalScrollBar()->setRange(0, std::max(0, RowCount() - visible));
    verticalScrollBar()->setPageStep(visible);
    verticalScrollBar()->setSingleStep(1);
    // The widest row is measured only once the tree is on screen: measuring text is dear the first
    // time (the font is loaded then), and the dialog is built at start-up but seldom opened.
    if (!isVisible())
        return;
    int contentWidth = 0;
    for (const OutlineNode* node : rows_)
        contentWidth = std::max(contentWidth, TextLeft(node) + TextWidth(node) + 2 * kTextPadding);
    const int width = viewport()->width();
    horizontalScrollBar()->setRange(0, std::max(0, contentWidth - width));
    horizontalScrollBar()->setPageStep(width);
    horizontalScrollBar()->setSingleStep(kHorizontalStep);
}

void TDirectoryOutline::ScrollToRow(int row, bool centre) {
    if (row < 0)
        return;
    const int top = TopRow();
    const int visible = VisibleRowCount();
    if (centre && (row < top || row >= top + visible))
        verticalScrollBar()->setValue(row - visible / 2);
    else if (row < top)
        verticalScrollBar()->setValue(row);
    else if (row >= top + visible)
        verticalScrollBar()->setValue(row - visible + 1);
    // Sideways, the start of the name comes into view, and as much of the rest as fits.
    const OutlineNode* node = rows_[static_cast<std::size_t>(row)];
    const int left = kMargin + node->level * kIndent;
    const int right = TextLeft(node) + TextWidth(node) + kTextPadding;
    const int width = viewport()->width();
    int x = horizontalScrollBar()->value();
    if (right > x + width)
        x = std::min(left, right - width);
    if (left < x)
        x = left;
    horizontalScrollBar()->setValue(x);
}

void TDirectoryOutline::scrollContentsBy(int, int) {
    viewport()->update();
}

void TDirectoryOutline::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void TDirectoryOutline::showEvent(QShowEvent* event) {
    QAbstractScrollArea::showEvent(event);
    // Each time the dialog opens, the selected folder is in view, amid its neighbours when the
    // view has to move.
    UpdateScrollBars();
    ScrollToRow(selectedRow_, true);
}

void TDirectoryOutline::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        ForgetWidths(root_.get());
        RebuildRows();
    } else if (event->type() == QEvent::StyleChange) {
        closedIcon_ = QPixmap();
        openIcon_ = QPixmap();
    }
}

// ---- painting -----------------------------------------------------------------------------------

void TDirectoryOutline::paintEvent(QPaintEvent* event) {
    if (closedIcon_.isNull())
        MakeIcons();
    QPainter painter(viewport());
    const QRect area = event->rect();
    const int top = TopRow();
    const int first = top + std::max(0, area.top()) / kRowHeight;
    const int last = std::min(RowCount() - 1, top + area.bottom() / kRowHeight);
    const int dx = horizontalScrollBar()->value();
    const QPalette::ColorGroup group = hasFocus() ? QPalette::Active : QPalette::Inactive;
    const QColor text = palette().color(group, QPalette::Text);
    const QColor boxLine = palette().color(group, QPalette::Mid);
    for (int row = first; row <= last; ++row) {
        const OutlineNode* node = rows_[static_cast<std::size_t>(row)];
        const int y = (row - top) * kRowHeight;
        const int left = kMargin + node->level * kIndent - dx;
        if (!node->subfoldersRead || !node->children.empty()) {
            const QRect box = ExpanderRect(row);
            painter.setPen(boxLine);
            painter.drawRect(box);
            painter.setPen(text);
            const QPoint mid = box.center();
            painter.drawLine(mid.x() - 2, mid.y(), mid.x() + 2, mid.y());
            if (!node->expanded)
                painter.drawLine(mid.x(), mid.y() - 2, mid.x(), mid.y() + 2);
        }
        painter.drawPixmap(left + kIconLeft, y + (kRowHeight - kIconSize) / 2,
                           node->expanded ? openIcon_ : closedIcon_);
        const QRect textRect = RowRect(row);
        if (node == selected_) {
            painter.fillRect(textRect, palette().color(group, QPalette::Highlight));
            painter.setPen(palette().color(group, QPalette::HighlightedText));
        } else {
            painter.setPen(text);
        }
        painter.drawText(textRect.adjusted(kTextPadding, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                         DisplayFileName(node->text));
        if (node == selected_) {
            // The focus rectangle: a dotted frame inside the highlight.
            QPen dotted(palette().color(group, QPalette::HighlightedText));
            dotted.setStyle(Qt::DotLine);
            painter.setPen(dotted);
            painter.drawRect(textRect.adjusted(0, 0, -1, -1));
        }
    }
}

// ---- input --------------------------------------------------------------------------------------

void TDirectoryOutline::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint at = event->position().toPoint();
    const int row = RowAt(at.y());
    if (row < 0)
        return;
    const OutlineNode* node = rows_[static_cast<std::size_t>(row)];
    pressToggled_ = nullptr;
    if (OnExpander(node, at.x() + horizontalScrollBar()->value())) {
        pressToggled_ = node;
        Toggle(node);
    } else {
        SelectRowByPlayer(row);
    }
}

void TDirectoryOutline::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const int row = RowAt(event->position().toPoint().y());
    if (row < 0)
        return;
    const OutlineNode* node = rows_[static_cast<std::size_t>(row)];
    // The double click's first press on the +/- box has toggled the node already.
    if (std::exchange(pressToggled_, nullptr) != node)
        Toggle(node);
}

void TDirectoryOutline::keyPressEvent(QKeyEvent* event) {
    if (rows_.empty()) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    const int row = std::max(selectedRow_, 0);
    const OutlineNode* node = rows_[static_cast<std::size_t>(row)];
    const int page = std::max(1, VisibleRowCount() - 1);
    const QString typed = event->text();
    switch (event->key()) {
    case Qt::Key_Up:
        SelectRowByPlayer(row - 1);
        return;
    case Qt::Key_Down:
        SelectRowByPlayer(row + 1);
        return;
    case Qt::Key_PageUp:
        SelectRowByPlayer(row - page);
        return;
    case Qt::Key_PageDown:
        SelectRowByPlayer(row + page);
        return;
    case Qt::Key_Home:
        SelectRowByPlayer(0);
        return;
    case Qt::Key_End:
        SelectRowByPlayer(RowCount() - 1);
        return;
    case Qt::Key_Left:
        // Closes an open folder, or else steps up to its parent.
        if (node->expanded)
            Collapse(node);
        else if (node->parent != nullptr)
            SelectRowByPlayer(RowOf(node->parent));
        return;
    case Qt::Key_Right:
        if (!node->expanded)
            Expand(node);
        else
            SelectRowByPlayer(row + 1);
        return;
    default:
        break;
    }
    if (event->key() == Qt::Key_Plus || typed == QLatin1String("+")) {
        Expand(node);
    } else if (event->key() == Qt::Key_Minus || typed == QLatin1String("-")) {
        Collapse(node);
    } else if (event->key() == Qt::Key_Asterisk || typed == QLatin1String("*")) {
        ExpandBranch(node);
    } else {
        QAbstractScrollArea::keyPressEvent(event);
    }
}

} // namespace tk
