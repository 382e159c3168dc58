// How long the folder tree takes with a large folder: building along the current directory,
// opening a folder of 10,000 subfolders (reading, sorting, laying out the rows), painting, moving
// the selection, and "*" on "/" up to its bounds. Prints figures; asserts nothing.
//
//   directory_bench [parent folder]   (default /dev/shm where it exists, else the temporary folder)
#include "toolkit/text/files.h"
#include "toolkit/ui/application.h"
#include "toolkit/ui/directory_outline.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include <sys/stat.h>

namespace {

constexpr int kFolders = 10000;
constexpr int kRuns = 5;
constexpr int kSteps = 200;

using Ms = std::chrono::duration<double, std::milli>;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double Elapsed(const QElapsedTimer& timer) {
    return Ms(std::chrono::nanoseconds(timer.nsecsElapsed())).count();
}

// A host form with the tree at the dialog's size, built along the current directory.
struct Scene {
    Scene() {
        form.SetOuterSize(383, 426);
        outline = new tk::TDirectoryOutline(&form);
        outline->SetBounds(16, 32, 345, 313);
    }
    tk::TForm form;
    tk::TDirectoryOutline* outline;
};

void Key(tk::TDirectoryOutline* outline, int key, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(outline, &press);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    tk::Application app(argc, argv);
    const QString parent = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                    : (QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm")
                                                                                 : QDir::tempPath());
    // First, before the large folder exists: "*" on "/" over this machine's own folders, at the
    // bound "*" uses and at smaller ones. Each run starts a fresh tree; the disk cache is warm
    // after the first.
    tk::SetCurrentDir(QStringLiteral("/"));
    std::printf("\"*\" on \"/\", %d levels at most\n", tk::TDirectoryOutline::kBranchLevelLimit);
    for (const int nodes : {500, 1000, 2000, 5000}) {
        Scene scene;
        QElapsedTimer timer;
        timer.start();
        scene.outline->ExpandBranch(scene.outline->Root(), tk::TDirectoryOutline::kBranchLevelLimit, nodes);
        std::printf("  node bound %5d%s  %8.2f ms, %d rows\n", nodes,
                    nodes == tk::TDirectoryOutline::kBranchNodeLimit ? " (the one \"*\" uses)" : "",
                    Elapsed(timer), scene.outline->RowCount());
    }

    QTemporaryDir dir(parent + QStringLiteral("/directory_bench-XXXXXX"));
    if (!dir.isValid()) {
        std::fprintf(stderr, "cannot make a folder under %s\n", qPrintable(parent));
        return 1;
    }
    const QString root = QDir(dir.path()).canonicalPath();
    const QByteArray big = QFile::encodeName(root) + "/big";
    ::mkdir(big.constData(), 0700);
    // Made in descending order: a listing that comes back in creation order is then the worst case
    // for inserting each name in its place.
    for (int i = kFolders - 1; i >= 0; --i) {
        const QByteArray name = big + "/f" + QByteArray::number(i).rightJustified(5, '0');
        ::mkdir(name.constData(), 0700);
    }
    std::printf("folder tree, %d subfolders in %s\n", kFolders, qPrintable(root));

    std::vector<double> build, expand, paint, reopen;
    for (int run = 0; run < kRuns; ++run) {
        tk::SetCurrentDir(root);
        QElapsedTimer timer;
        timer.start();
        Scene scene;
        build.push_back(Elapsed(timer));
        const tk::OutlineNode* rootNode = scene.outline->Selected();
        scene.outline->Expand(rootNode);
        const tk::OutlineNode* bigNode = rootNode->children.front().get();
        timer.restart();
        scene.outline->Expand(bigNode);
        expand.push_back(Elapsed(timer));
        if (static_cast<int>(bigNode->children.size()) != kFolders)
            std::fprintf(stderr, "read %zu folders, not %d\n", bigNode->children.size(), kFolders);
        scene.form.Show();
        timer.restart();
        (void)scene.form.grab();
        paint.push_back(Elapsed(timer));
        timer.restart();
        scene.outline->Collapse(bigNode);
        scene.outline->Expand(bigNode);
        reopen.push_back(Elapsed(timer));
        scene.form.Hide();
    }
    std::printf("  build along the current directory   %8.2f ms (median of %d)\n", Median(build), kRuns);
    std::printf("  open the folder of %d            %8.2f ms\n", kFolders, Median(expand));
    std::printf("  paint the dialog's tree              %8.2f ms\n", Median(paint));
    std::printf("  close and open it again (no reading) %8.2f ms\n", Median(reopen));

    {
        tk::SetCurrentDir(QString::fromLocal8Bit(big) + QStringLiteral("/f05000"));
        Scene scene;
        scene.form.Show();
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < kSteps; ++i)
            Key(scene.outline, Qt::Key_Down);
        const double down = Elapsed(timer) / kSteps;
        timer.restart();
        for (int i = 0; i < kSteps; ++i)
            Key(scene.outline, Qt::Key_PageUp);
        const double pageUp = Elapsed(timer) / kSteps;
        std::printf("  Down among %d rows (select, chdir)  %8.3f ms a key\n", kFolders, down);
        std::printf("  Page Up among them                   %8.3f ms a key\n", pageUp);
        scene.form.Hide();
    }
    return 0;
}
