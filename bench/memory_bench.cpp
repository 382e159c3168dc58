// Deals the memory game over and over with the built-in card set (offscreen) and prints what the
// cards left beneath by earlier deals cost: the time of a deal, of repainting the whole board and of
// turning one card, after 1 to 100 deals (up to 8000 card controls on the window).
#include "memory/card_image.h"
#include "memory/folder_form.h"
#include "memory/memory_form.h"
#include "printed_dialogs.h"
#include "toolkit/ui/application.h"

#include <QDir>
#include <QTimer>

#include <chrono>
#include <cstdio>

namespace {

using Clock = std::chrono::steady_clock;
using Millis = std::chrono::duration<double, std::milli>;

template <typename F> double Time(F&& f) {
    const auto start = Clock::now();
    f();
    return Millis(Clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    tk::Application app(argc, argv);
    app.SetDialogs(std::make_unique<PrintedDialogs>());
    // The card set lies next to the programs, one folder above this one.
    QDir::setCurrent(QCoreApplication::applicationDirPath() + QStringLiteral("/.."));
    app.CreateForm(Form4);
    app.CreateForm(Form5);
    Form4->Show();
    std::printf("%6s %10s %14s %14s %8s\n", "deals", "deal ms", "repaint ms", "turn ms", "cards");
    for (int deal = 1; deal <= 100; ++deal) {
        QTimer::singleShot(0, [] { Form5->Button1->click(); });
        const double dealMs = Time([] { Form4->Nov1Click(); });
        QCoreApplication::processEvents();
        if (deal != 1 && deal % 25 != 0)
            continue;
        const double repaintMs = Time([] { Form4->repaint(); });
        TMujImage* card = Memory().CardBacks[1];
        const double turnMs = Time([card] {
            card->ImageClick();
            Form4->ClientWidget()->repaint(card->geometry());
        });
        card->SetVisible(true);
        MemoryTurn() = MemoryTurnState{};
        std::printf("%6d %10.2f %14.2f %14.3f %8lld\n", deal, dealMs, repaintMs, turnMs,
                    static_cast<long long>(Form4->findChildren<tk::TImage*>().size()));
    }
    return 0;
}
