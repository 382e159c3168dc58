// SPDX-License-Identifier: GPL-3.0-or-later
// A folder tree of the one drive this system has (the root "/"), with a current folder: a node reads
// its subfolders from disk once, at its first expansion, and selecting a row makes that folder the
// process's current directory.
#pragma once

#include "toolkit/ui/controls.h"

#include <QAbstractScrollArea>
#include <QByteArray>
#include <QPixmap>
#include <QString>

#include <memory>
#include <vector>

namespace tk {

// One folder of the tree. Names are kept as the bytes on disk; the text is the same name as a
// byte-preserving QString (DecodeFileName), so paths formed from texts reach the same folder.
struct OutlineNode {
    QByteArray name; // "/" for the root
    QString text;
    OutlineNode* parent = nullptr;
    std::vector<std::unique_ptr<OutlineNode>> children; // ascending byte order of the names
    bool subfoldersRead = false;
    bool expanded = false;
    int level = 0;          // 0 for the root
    mutable int width = -1; // pixels the row's text takes, measured when first needed
};

class TDirectoryOutline : public QAbstractScrollArea, public TControl {
    Q_OBJECT
public:
    static constexpr int kRowHeight = 13;
    // "*" expands a whole branch; a branch under "/" is endless through links such as
    // /proc/1/root, so it stops at this many levels below the node and stops opening further
    // folders once the branch holds this many nodes.
    static constexpr int kBranchLevelLimit = 16;
    static constexpr int kBranchNodeLimit = 2000;

    // Builds the tree along the process's current directory and selects the folder reached.
    explicit TDirectoryOutline(TControl* parent);
    ~TDirectoryOutline() override;

    // The drive's one character: the first of the current directory at creation ("/").
    QChar Drive() const { return drive_; }
    // The current folder: a full path, no trailing "/" except for the root itself.
    QString Directory() const { return current_; }
    // Selects the node of an absolute path (relative paths are taken against the current
    // directory), expanding along the way, as the player selecting that row does: errors go to
    // the error box. Where the tree has no node for a name (a hidden folder, one made later),
    // the deepest node reached is selected.
    void SetDirectory(const QString& path);

    const OutlineNode* Root() const { return root_.get(); }
    const OutlineNode* Selected() const { return selected_; }
    // The path a node stands for, formed from the texts down from the root.
    static QString NodePath(const OutlineNode* node);

    // The rows shown: the nodes whose ancestors are all expanded, in order from the top.
    int RowCount() const { return static_cast<int>(rows_.size()); }
    const OutlineNode* Row(int index) const;
    int RowOf(const OutlineNode* node) const; // -1 when the node is not shown
    // A row's rectangle in the viewport's coordinates (outside the viewport when scrolled away).
    QRect RowRect(int index) const;
    // The +/- box of a row, in the viewport's coordinates.
    QRect ExpanderRect(int index) const;
    QWidget* Viewport() const { return viewport(); }

    void Expand(const OutlineNode* node);
    void Collapse(const OutlineNode* node);
    // Opens the whole branch below the node, within the bounds (the defaults are what "*" uses).
    void ExpandBranch(const OutlineNode* node, int levelLimit = kBranchLevelLimit,
                      int nodeLimit = kBranchNodeLimit);
    void Toggle(const OutlineNode* node);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    static OutlineNode* Mutable(const OutlineNode* node) { return const_cast<OutlineNode*>(node); }
    void Start();
    void ReadSubfolders(OutlineNode* node);
    // A child in byte order among the others.
    OutlineNode* AddChild(OutlineNode* node, const QByteArray& name);
    bool ExpandNode(OutlineNode* node); // true when the rows change
    OutlineNode* WalkTo(const QString& absolutePath);
    // The player's selection: moves the highlight, then changes the current folder and the
    // process's current directory when the path differs. Raises EInOutError.
    void SelectNode(OutlineNode* node);
    void SelectRowByPlayer(int row);
    void RebuildRows();
    void UpdateScrollBars();
    void ScrollToRow(int row, bool centre = false);
    int TopRow() const;
    int VisibleRowCount() const;
    int RowAt(int y) const;
    int TextLeft(const OutlineNode* node) const; // in content coordinates
    int TextWidth(const OutlineNode* node) const;
    bool OnExpander(const OutlineNode* node, int x) const;
    void MakeIcons();

    QChar drive_;
    QString current_;
    std::unique_ptr<OutlineNode> root_;
    OutlineNode* selected_ = nullptr;
    std::vector<OutlineNode*> rows_;
    int selectedRow_ = -1;
    const OutlineNode* pressToggled_ = nullptr; // the node the last press toggled by its +/- box
    QPixmap closedIcon_;
    QPixmap openIcon_;
};

} // namespace tk
