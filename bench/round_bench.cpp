// The fire game's round on the family house at "malá", and what its tick costs. Prints one
// "name value unit" line per figure.
//   round_bench          plays one real round on real timers (offscreen): the round's length from
//                        the "Start" click to the final tick, the tick period and the handler's cost;
//                        it takes a real minute.
//   round_bench --fast   calls the tick handler directly, round after round, and times each call:
//                        the handler's cost without waiting for the clock.
#include "fire/fire_form.h"
#include "fire/fire_rules.h"
#include "fire/round_state.h"
#include "printed_dialogs.h"
#include "toolkit/ui/application.h"

#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Micros = std::chrono::duration<double, std::micro>;

// The round should end 601 ticks after the click, 60.1 s.
constexpr auto kExpectedRound = fire::kTickInterval * (fire::kRoundTicks + 1);
// Rounds the fast mode plays: enough ticks for a steady 99th percentile.
constexpr int kFastRounds = 50;

double Percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(rank, values.size() - 1)];
}

void Figure(const char* name, double value, const char* unit) {
    std::printf("%s %.1f %s\n", name, value, unit);
}

void Report(const char* what, const std::vector<double>& micros) {
    char name[64];
    std::snprintf(name, sizeof name, "%s_median", what);
    Figure(name, Percentile(micros, 0.5), "us");
    std::snprintf(name, sizeof name, "%s_p99", what);
    Figure(name, Percentile(micros, 0.99), "us");
    std::snprintf(name, sizeof name, "%s_worst", what);
    Figure(name, *std::max_element(micros.begin(), micros.end()), "us");
}

int FastMode(TForm2& form) {
    std::vector<double> handlerMicros;
    handlerMicros.reserve(static_cast<std::size_t>(kFastRounds * (fire::kRoundTicks + 1)));
    for (int round = 0; round < kFastRounds; ++round) {
        form.Button1->click();
        form.Timer1->SetEnabled(false); // the ticks come from the loop below, not the clock
        while (fire::Round().timeLeft >= 0) {
            const auto start = Clock::now();
            form.Timer1Timer();
            handlerMicros.push_back(Micros(Clock::now() - start).count());
        }
        if (!form.konechry->Visible()) {
            std::fprintf(stderr, "round %d did not end on the game-over panel\n", round + 1);
            return 1;
        }
        // Back to the start panel, as "Zapsat" would, without writing a score file.
        form.konechry->SetVisible(false);
        form.vyberstart->SetVisible(true);
    }
    Report("tick_handler", handlerMicros);
    return 0;
}

int RealRound(tk::Application& app, TForm2& form) {
    std::vector<Clock::time_point> tickStarts;
    std::vector<double> handlerMicros;
    tickStarts.reserve(700);
    handlerMicros.reserve(700);

    // Wraps the family house's tick to time it; the engine itself runs unchanged.
    form.Timer1->OnTimer = [&] {
        const auto start = Clock::now();
        form.Timer1Timer();
        const auto end = Clock::now();
        tickStarts.push_back(start);
        handlerMicros.push_back(Micros(end - start).count());
        if (fire::Round().timeLeft < 0)
            QTimer::singleShot(0, &app, [] { QCoreApplication::exit(0); });
    };

    std::fprintf(stderr,
                 "Playing one round on the family house at \"malá\" with real timers (about 60 s)...\n");
    const auto clickTime = Clock::now();
    form.Button1->click();
    app.exec();

    const double roundMs = std::chrono::duration<double, std::milli>(tickStarts.back() - clickTime).count();
    const double expectedMs = std::chrono::duration<double, std::milli>(kExpectedRound).count();
    std::vector<double> periods;
    for (std::size_t i = 1; i < tickStarts.size(); ++i)
        periods.push_back(Micros(tickStarts[i] - tickStarts[i - 1]).count());

    Figure("round_ticks", static_cast<double>(tickStarts.size()), "ticks");
    Figure("round_length", roundMs, "ms");
    Figure("round_length_error", roundMs - expectedMs, "ms");
    Report("tick_period", periods);
    Report("tick_handler", handlerMicros);
    if (!form.konechry->Visible()) {
        std::fprintf(stderr, "the game-over panel did not come up\n");
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const bool fast = argc > 1 && std::strcmp(argv[1], "--fast") == 0;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    tk::Application app(argc, argv);
    app.SetDialogs(std::make_unique<PrintedDialogs>());
    TForm2 form;
    form.Show();
    return fast ? FastMode(form) : RealRound(app, form);
}
