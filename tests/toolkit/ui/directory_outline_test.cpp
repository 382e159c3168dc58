// SPDX-License-Identifier: GPL-3.0-or-later
// The folder tree: built along the current directory, each folder read once and sorted by bytes
// (a folder made since is added when the program goes to it),
// selecting a row makes that folder the current directory, and the keys and double click open and
// close folders. Every tree lies in a temporary folder; clicks go through the window system.
#include "support/test_main.h"
#include "support/test_support.h"

#include "toolkit/text/files.h"
#include "toolkit/ui/directory_outline.h"

#include <QDir>
#include <QFile>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <filesystem>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// A host window for one tree, built along the current directory of the moment.
struct Scene {
    Scene() {
        form.SetOuterSize(400, 360);
        outline = new tk::TDirectoryOutline(&form);
        outline->SetBounds(8, 8, 345, 313);
    }
    [[nodiscard]] bool Show() { return testing::ShowAndExpose(&form); }
    tk::TForm form;
    tk::TDirectoryOutline* outline;
};

// The shown rows of a node's branch, the node first.
std::vector<const tk::OutlineNode*> BranchRows(tk::TDirectoryOutline* outline, const tk::OutlineNode* node) {
    std::vector<const tk::OutlineNode*> rows{node};
    for (int row = outline->RowOf(node) + 1;
         row < outline->RowCount() && outline->Row(row)->level > node->level; ++row)
        rows.push_back(outline->Row(row));
    return rows;
}

// Root reads every folder whatever its permissions; for as long as this lives, the process acts
// as the user "nobody" instead (when it runs as root).
class AsNobody {
public:
    AsNobody() : active_(::geteuid() == 0 && ::seteuid(kNobody) == 0) {}
    ~AsNobody() {
        if (active_ && ::seteuid(0) != 0)
            qFatal("cannot return to root");
    }

private:
    static constexpr uid_t kNobody = 65534;
    bool active_;
};

// A click or double click on the +/- box of a shown row, delivered through the window system.
void ClickBox(tk::TDirectoryOutline* outline, const tk::OutlineNode* node, bool twice) {
    const int row = outline->RowOf(node);
    QVERIFY2(row >= 0, "the row is not shown");
    outline->verticalScrollBar()->setValue(row);
    outline->horizontalScrollBar()->setValue(0);
    const QPoint at = outline->Viewport()->mapTo(outline->window(), outline->ExpanderRect(row).center());
    if (twice)
        QTest::mouseDClick(outline->window()->windowHandle(), Qt::LeftButton, Qt::NoModifier, at);
    else
        QTest::mouseClick(outline->window()->windowHandle(), Qt::LeftButton, Qt::NoModifier, at);
}

// The names of a node's children, as bytes.
QByteArrayList ChildNames(const tk::OutlineNode* node) {
    QByteArrayList names;
    for (const auto& child : node->children)
        names.append(child->name);
    return names;
}

} // namespace

class DirectoryOutlineTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void startAndSetDirectoryFormThePathText_data();
    void startAndSetDirectoryFormThePathText();
    void childrenAreFoldersInByteOrder_data();
    void childrenAreFoldersInByteOrder();
    void subfoldersAreReadOnce();
    void selectingARowChangesTheCurrentDirectory_data();
    void selectingARowChangesTheCurrentDirectory();
    void aRemovedFolderGivesTheErrorBoxAndTheNewText();
    void anUnlistableFolderShowsNoChildren_data();
    void anUnlistableFolderShowsNoChildren();
    void keysAndDoubleClickOpenAndCloseFolders_data();
    void keysAndDoubleClickOpenAndCloseFolders();
    void starStopsAtItsBounds_data();
    void starStopsAtItsBounds();

private:
    // Makes the folders (paths relative to the temporary folder, as bytes), parents first.
    bool MakeDirs(const QByteArrayList& paths);
    QByteArray Bytes(const QByteArray& relative) const { return rootBytes_ + '/' + relative; }
    QString Path(const QByteArray& relative) const {
        return relative.isEmpty() ? root_ : tk::DecodeFileName(Bytes(relative));
    }
    std::unique_ptr<QTemporaryDir> dir_;
    QString root_; // the temporary folder with links resolved, as getcwd reports it
    QByteArray rootBytes_;
    QString oldDir_;
};

void DirectoryOutlineTest::init() {
    oldDir_ = QDir::currentPath();
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    root_ = QDir(dir_->path()).canonicalPath();
    rootBytes_ = QFile::encodeName(root_);
    tk::SetCurrentDir(root_);
}

void DirectoryOutlineTest::cleanup() {
    QDir::setCurrent(oldDir_);
    // Folders a test made unreadable must not stop the temporary folder from going.
    ::chmod(Bytes("locked").constData(), 0700);
    // By bytes: QTemporaryDir cannot remove a name that is not UTF-8.
    std::filesystem::remove_all(rootBytes_.toStdString());
    dir_.reset();
}

bool DirectoryOutlineTest::MakeDirs(const QByteArrayList& paths) {
    for (const QByteArray& path : paths) {
        if (::mkdir(Bytes(path).constData(), 0700) != 0)
            return false;
    }
    return true;
}

// The current folder is a full path with no trailing "/", except the root itself. At start the
// tree walks the current directory; where a name is not in the tree (a hidden folder) it stops
// at the deepest folder reached and keeps the start directory as its text.
void DirectoryOutlineTest::startAndSetDirectoryFormThePathText_data() {
    QTest::addColumn<QByteArray>("start");    // the current directory when the tree is made
    QTest::addColumn<QString>("target");      // given to SetDirectory; empty for none
    QTest::addColumn<QByteArray>("selected"); // relative, or "/" for the root
    QTest::addColumn<QByteArray>("directory");
    QTest::newRow("start walks the path")
        << QByteArray("a/b") << "" << QByteArray("a/b") << QByteArray("a/b");
    QTest::newRow("start under a hidden folder")
        << QByteArray(".h/x") << "" << QByteArray("") << QByteArray(".h/x");
    QTest::newRow("the root is /") << QByteArray("a") << "/" << QByteArray("/") << QByteArray("/");
    QTest::newRow("trailing separator dropped")
        << QByteArray("") << "@/a/b/" << QByteArray("a/b") << QByteArray("a/b");
    QTest::newRow("relative to the current directory")
        << QByteArray("a") << "b" << QByteArray("a/b") << QByteArray("a/b");
    QTest::newRow("a name not in the tree")
        << QByteArray("") << "@/a/.h" << QByteArray("a") << QByteArray("a");
}

void DirectoryOutlineTest::startAndSetDirectoryFormThePathText() {
    QFETCH(QByteArray, start);
    QFETCH(QString, target);
    QFETCH(QByteArray, selected);
    QFETCH(QByteArray, directory);
    testing::Harness harness;
    QVERIFY(MakeDirs({"a", "a/b", "a/.h", ".h", ".h/x"}));
    tk::SetCurrentDir(Path(start));
    Scene scene;
    if (!target.isEmpty())
        scene.outline->SetDirectory(target.replace(QLatin1Char('@'), root_));
    const QString expectedSelected = selected == "/" ? QStringLiteral("/") : Path(selected);
    const QString expectedDirectory = directory == "/" ? QStringLiteral("/") : Path(directory);
    QCOMPARE(tk::TDirectoryOutline::NodePath(scene.outline->Selected()), expectedSelected);
    QCOMPARE(scene.outline->Directory(), expectedDirectory);
    QCOMPARE(tk::GetCurrentDir(), target.isEmpty() ? Path(start) : expectedDirectory);
    QCOMPARE(scene.outline->Drive(), QLatin1Char('/'));
    // Every folder on the way down was read, and the selected one is a shown row.
    for (const tk::OutlineNode* n = scene.outline->Selected()->parent; n != nullptr; n = n->parent)
        QVERIFY(n->subfoldersRead && n->expanded);
    QVERIFY(scene.outline->RowOf(scene.outline->Selected()) >= 0);
    QCOMPARE(harness.dialogs->errors, QStringList());
}

// Entries: "d:" a folder, "f:" a file, "l:name>target" a symbolic link. Made out of order, so the
// listing's own order is not the answer.
void DirectoryOutlineTest::childrenAreFoldersInByteOrder_data() {
    QTest::addColumn<QByteArrayList>("entries");
    QTest::addColumn<QByteArrayList>("children");
    QTest::newRow("bytes, not letters or locale")
        << QByteArrayList{"d:b", "d:\xc3\x81", "d:a", "d:_x", "d:Z", "d:B", "d:\xe1z", "d:10", "d:9"}
        << QByteArrayList{"10", "9", "B", "Z", "_x", "a", "b", "\xc3\x81", "\xe1z"};
    QTest::newRow("dot names left out")
        << QByteArrayList{"d:.hidden", "d:..x", "d:seen", "d:.z"} << QByteArrayList{"seen"};
    QTest::newRow("folders only; a link to a folder counts")
        << QByteArrayList{"f:file", "d:real", "l:tofolder>real", "l:tofile>file", "l:dangling>gone"}
        << QByteArrayList{"real", "tofolder"};
    QTest::newRow("no subfolders") << QByteArrayList{"f:only.jpg"} << QByteArrayList{};
}

void DirectoryOutlineTest::childrenAreFoldersInByteOrder() {
    QFETCH(QByteArrayList, entries);
    QFETCH(QByteArrayList, children);
    QVERIFY(MakeDirs({"t"}));
    for (const QByteArray& entry : entries) {
        const QByteArray name = entry.mid(2);
        const QByteArray path = Bytes("t/" + name.split('>').front());
        if (entry.startsWith("d:")) {
            QVERIFY(::mkdir(path.constData(), 0700) == 0);
        } else if (entry.startsWith("f:")) {
            QFile file(tk::DecodeFileName(path));
            QVERIFY(file.open(QIODevice::WriteOnly));
        } else {
            QVERIFY(::symlink(name.split('>').back().constData(), path.constData()) == 0);
        }
    }
    tk::SetCurrentDir(Path("t"));
    Scene scene;
    const tk::OutlineNode* t = scene.outline->Selected();
    QVERIFY(!t->subfoldersRead);
    scene.outline->Expand(t);
    QVERIFY(t->subfoldersRead);
    QCOMPARE(ChildNames(t), children);
    QCOMPARE(t->expanded, !children.isEmpty());
}

// Read once: a folder made after the first expansion does not appear, however often the
// folder is opened again.
void DirectoryOutlineTest::subfoldersAreReadOnce() {
    testing::Harness harness;
    QVERIFY(MakeDirs({"a", "a/one"}));
    Scene scene;
    const tk::OutlineNode* root = scene.outline->Selected();
    scene.outline->Expand(root);
    const tk::OutlineNode* a = root->children.front().get();
    scene.outline->Expand(a);
    QVERIFY(MakeDirs({"a/later", "new"}));
    scene.outline->Collapse(a);
    scene.outline->Expand(a);
    scene.outline->Collapse(root);
    scene.outline->Expand(root);
    QCOMPARE(ChildNames(a), QByteArrayList{"one"});
    QCOMPARE(ChildNames(root), QByteArrayList{"a"});
    // A folder made since is found when the program goes to it (a card set it has just made).
    scene.outline->SetDirectory(Path("a/later"));
    QCOMPARE(scene.outline->Directory(), Path("a/later"));
    QCOMPARE(ChildNames(a), (QByteArrayList{"later", "one"}));
}

// The player clicks the target's row (or presses a key); the tree was made at `start`, and the
// process then moved to "elsewhere" behind its back, so a change of directory shows.
void DirectoryOutlineTest::selectingARowChangesTheCurrentDirectory_data() {
    QTest::addColumn<QByteArrayList>("folders");
    QTest::addColumn<QByteArray>("start");
    QTest::addColumn<QByteArray>("target"); // "/" for the root, "down" for the Down key
    QTest::addColumn<QByteArray>("directory");
    QTest::addColumn<bool>("changes");
    QTest::newRow("another folder") << QByteArrayList{"a", "b"} << QByteArray("a") << QByteArray("b")
                                    << QByteArray("b") << true;
    QTest::newRow("the current folder changes nothing")
        << QByteArrayList{"a", "b"} << QByteArray("a") << QByteArray("a") << QByteArray("a") << false;
    // Names here are case-sensitive: "foto" is not "Foto".
    QTest::newRow("differing only in case") << QByteArrayList{"Foto", "foto"} << QByteArray("Foto")
                                            << QByteArray("foto") << QByteArray("foto") << true;
    QTest::newRow("a Windows-1250 name") << QByteArrayList{"Zv\xed\xf8"
                                                           "ata"}
                                         << QByteArray("")
                                         << QByteArray("Zv\xed\xf8"
                                                       "ata")
                                         << QByteArray("Zv\xed\xf8"
                                                       "ata")
                                         << true;
    QTest::newRow("the root") << QByteArrayList{"a"} << QByteArray("a") << QByteArray("/") << QByteArray("/")
                              << true;
    QTest::newRow("Down key selects the next row")
        << QByteArrayList{"a", "b"} << QByteArray("a") << QByteArray("down") << QByteArray("b") << true;
}

void DirectoryOutlineTest::selectingARowChangesTheCurrentDirectory() {
    QFETCH(QByteArrayList, folders);
    QFETCH(QByteArray, start);
    QFETCH(QByteArray, target);
    QFETCH(QByteArray, directory);
    QFETCH(bool, changes);
    testing::Harness harness;
    QVERIFY(MakeDirs(folders + QByteArrayList{"elsewhere"}));
    tk::SetCurrentDir(Path(start));
    Scene scene;
    QVERIFY(scene.Show());
    scene.outline->Expand(scene.outline->Selected());
    tk::SetCurrentDir(Path("elsewhere"));
    if (target == "down") {
        scene.outline->setFocus();
        QTest::keyClick(scene.outline, Qt::Key_Down);
    } else {
        QVERIFY(testing::ClickRow(
            scene.outline,
            testing::FindRow(scene.outline, target == "/" ? QStringLiteral("/") : Path(target))));
    }
    const QString expected = directory == "/" ? QStringLiteral("/") : Path(directory);
    QCOMPARE(scene.outline->Directory(), expected);
    QCOMPARE(tk::TDirectoryOutline::NodePath(scene.outline->Selected()), expected);
    QCOMPARE(tk::EncodeFileName(tk::GetCurrentDir()),
             tk::EncodeFileName(changes ? expected : Path("elsewhere")));
    QCOMPARE(harness.dialogs->errors, QStringList());
}

// The folder went after it was listed: the selection still moves and the text holds the new
// path, and the failed change of directory reaches the error box.
void DirectoryOutlineTest::aRemovedFolderGivesTheErrorBoxAndTheNewText() {
    testing::Harness harness;
    QVERIFY(MakeDirs({"gone", "kept"}));
    Scene scene;
    QVERIFY(scene.Show());
    scene.outline->Expand(scene.outline->Selected());
    const tk::OutlineNode* gone = scene.outline->Selected()->children.front().get();
    QVERIFY(::rmdir(Bytes("gone").constData()) == 0);
    QVERIFY(testing::ClickRow(scene.outline, gone));
    QCOMPARE(harness.dialogs->errors, QStringList{QStringLiteral("File not found.")});
    QCOMPARE(scene.outline->Directory(), Path("gone"));
    QCOMPARE(scene.outline->Selected(), gone);
    QCOMPARE(tk::GetCurrentDir(), root_);
}

void DirectoryOutlineTest::anUnlistableFolderShowsNoChildren_data() {
    QTest::addColumn<bool>("removeIt"); // else take away its permissions
    QTest::newRow("no permission") << false;
    QTest::newRow("removed since it was listed") << true;
}

void DirectoryOutlineTest::anUnlistableFolderShowsNoChildren() {
    QFETCH(bool, removeIt);
    testing::Harness harness;
    QVERIFY(MakeDirs({"locked", "locked/inside"}));
    Scene scene;
    scene.outline->Expand(scene.outline->Selected());
    const tk::OutlineNode* locked = scene.outline->Selected()->children.front().get();
    if (removeIt) {
        QVERIFY(::rmdir(Bytes("locked/inside").constData()) == 0);
        QVERIFY(::rmdir(Bytes("locked").constData()) == 0);
        scene.outline->Expand(locked);
    } else {
        QVERIFY(::chmod(Bytes("locked").constData(), 0) == 0);
        // Permissions do not stop root: the tree then reads as an ordinary user would.
        QVERIFY(::chmod(rootBytes_.constData(), 0755) == 0);
        AsNobody nobody;
        scene.outline->Expand(locked);
    }
    QVERIFY(locked->subfoldersRead);
    QVERIFY(locked->children.empty());
    QVERIFY(!locked->expanded);
    QCOMPARE(harness.dialogs->errors, QStringList());
}

// The folder "k" holds a/x/y and b; the tree starts with "k" selected and closed. Actions: "+",
// "-", "*" keys, "D" a double click on the selected row, "b" a click and "B" a double click on its
// +/- box, "v" the Down key. The result is the
// shown rows from "k" down.
void DirectoryOutlineTest::keysAndDoubleClickOpenAndCloseFolders_data() {
    QTest::addColumn<QString>("actions");
    QTest::addColumn<QByteArrayList>("rows");
    QTest::newRow("+ opens one level") << "+" << QByteArrayList{"k", "k/a", "k/b"};
    QTest::newRow("- closes") << "+-" << QByteArrayList{"k"};
    QTest::newRow("* opens the whole branch") << "*" << QByteArrayList{"k", "k/a", "k/a/x", "k/a/x/y", "k/b"};
    QTest::newRow("- after * closes it again") << "*-" << QByteArrayList{"k"};
    QTest::newRow("double click opens") << "D" << QByteArrayList{"k", "k/a", "k/b"};
    QTest::newRow("double click again closes") << "DD" << QByteArrayList{"k"};
    QTest::newRow("a click on the box opens") << "b" << QByteArrayList{"k", "k/a", "k/b"};
    QTest::newRow("a double click on the box opens once") << "B" << QByteArrayList{"k", "k/a", "k/b"};
    QTest::newRow("a double click on the box again closes") << "BB" << QByteArrayList{"k"};
    QTest::newRow("+ on a child opens only it") << "+v+" << QByteArrayList{"k", "k/a", "k/a/x", "k/b"};
}

void DirectoryOutlineTest::keysAndDoubleClickOpenAndCloseFolders() {
    QFETCH(QString, actions);
    QFETCH(QByteArrayList, rows);
    testing::Harness harness;
    QVERIFY(MakeDirs({"k", "k/a", "k/a/x", "k/a/x/y", "k/b"}));
    tk::SetCurrentDir(Path("k"));
    Scene scene;
    QVERIFY(scene.Show());
    scene.outline->setFocus();
    const tk::OutlineNode* k = scene.outline->Selected();
    for (const QChar action : actions) {
        if (action == QLatin1Char('D'))
            QVERIFY(testing::DoubleClickRow(scene.outline, scene.outline->Selected()));
        else if (action.toLower() == QLatin1Char('b'))
            ClickBox(scene.outline, k, action == QLatin1Char('B'));
        else if (action == QLatin1Char('v'))
            QTest::keyClick(scene.outline, Qt::Key_Down);
        else
            QTest::keyClick(scene.outline, action.toLatin1());
    }
    QByteArrayList shown;
    for (const tk::OutlineNode* node : BranchRows(scene.outline, k))
        shown.append(tk::EncodeFileName(tk::TDirectoryOutline::NodePath(node)).mid(rootBytes_.size() + 1));
    QCOMPARE(shown, rows);
    QCOMPARE(harness.dialogs->errors, QStringList());
}

// "*" on "/" must end: a link back up makes a branch endless, and many such links make it
// explode. Links to "." give both without making thousands of folders.
void DirectoryOutlineTest::starStopsAtItsBounds_data() {
    QTest::addColumn<int>("links");
    QTest::newRow("one link: the level bound") << 1;
    QTest::newRow("many links: the node bound") << 80;
}

void DirectoryOutlineTest::starStopsAtItsBounds() {
    QFETCH(int, links);
    testing::Harness harness;
    QVERIFY(MakeDirs({"s"}));
    for (int i = 0; i < links; ++i)
        QVERIFY(::symlink(".", Bytes("s/" + QByteArray::number(i)).constData()) == 0);
    tk::SetCurrentDir(Path("s"));
    Scene scene;
    const tk::OutlineNode* s = scene.outline->Selected();
    scene.outline->ExpandBranch(s);
    const auto branch = BranchRows(scene.outline, s);
    const int rows = static_cast<int>(branch.size());
    int deepest = 0;
    for (const tk::OutlineNode* node : branch)
        deepest = std::max(deepest, node->level - s->level);
    if (links == 1) {
        QCOMPARE(deepest, tk::TDirectoryOutline::kBranchLevelLimit);
        QCOMPARE(rows, tk::TDirectoryOutline::kBranchLevelLimit + 1);
    } else {
        // Folders stop opening once the branch holds the limit; the last one opened may pass it.
        QVERIFY2(rows >= tk::TDirectoryOutline::kBranchNodeLimit, qPrintable(QString::number(rows)));
        QVERIFY2(rows < tk::TDirectoryOutline::kBranchNodeLimit + links, qPrintable(QString::number(rows)));
        QVERIFY(!s->children.back()->expanded);
    }
}

TK_TEST_MAIN(DirectoryOutlineTest)
#include "directory_outline_test.moc"
