// SPDX-License-Identifier: GPL-3.0-or-later
// The reference for the start-up benchmark: the least a Qt Widgets program does to put a window of
// the fire game window's size on screen. Closing it ends the program.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("bare"));
    window.resize(792, 522);
    window.show();
    return app.exec();
}
