// SPDX-License-Identifier: GPL-3.0-or-later
// The fair reference for the start-up benchmark: a Qt Widgets window of the fire game window's size
// that shows one label and one button, so that, unlike the bare window, it sets up fonts and draws
// text. Closing it ends the program.
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("text"));
    window.resize(792, 522);
    QLabel label(QStringLiteral("Vyber si dům"), &window);
    label.move(24, 72);
    QPushButton button(QStringLiteral("Start"), &window);
    button.setGeometry(168, 472, 81, 25);
    window.show();
    return app.exec();
}
