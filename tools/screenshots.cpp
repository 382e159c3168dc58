// SPDX-License-Identifier: GPL-3.0-or-later
// Makes the README's screenshots from the program itself: the real windows, built offscreen and
// driven as the tests drive them (real clicks through the window system, virtual time, scripted
// random numbers), each grabbed to a PNG. The same script gives the same pictures.
// Usage: plamkov_screenshots <output folder> <card set folder>
#include "app/startup.h"
#include "family/family_window.h"
#include "fire/fire_form.h"
#include "fire/round_state.h"
#include "memory/card_image.h"
#include "memory/folder_form.h"
#include "memory/memory_form.h"
#include "memory/memory_state.h"
#include "photos/making_view.h"
#include "scores/score_form.h"
#include "support/fire_play.h"
#include "support/test_support.h"
#include "toolkit/text/cp1250.h"
#include "toolkit/text/files.h"

#include <QDir>
#include <QFile>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <map>
#include <random>

namespace {

QString gOutput;

void Save(QWidget* window, const char* name) {
    const QString path = QDir(gOutput).filePath(QString::fromLatin1(name) + QStringLiteral(".png"));
    if (!window->grab().save(path))
        qFatal("cannot write %s", qPrintable(path));
    std::printf("%s\n", qPrintable(path));
}

// A score table that other players have filled already: the game's own file format, 20 lines.
void WriteScoreTable(const QString& path) {
    const std::pair<int, const char*> rows[] = {
        {52, "Tomáš"}, {41, "Anička"}, {33, "Vojta"}, {20, "Babička"}};
    QByteArray bytes;
    for (const auto& [score, name] : rows)
        bytes +=
            "  " + QByteArray::number(score) + "\r\n" + tk::cp1250::Encode(QString::fromUtf8(name)) + "\r\n";
    for (int i = 4; i < 10; ++i)
        bytes += "        0\r\n" + tk::cp1250::Encode(QStringLiteral("--prázdný--")) + "\r\n";
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

// A step that could not be taken ends the tool: its pictures would show the wrong thing.
void Must(bool done, const char* step) {
    if (!done)
        qFatal("%s failed", step);
}

int BurningHotspots(TForm2& form) {
    const TForm2::House& house = form.HouseOf(fire::HouseId::FamilyHouse);
    return static_cast<int>(std::count_if(house.hotspots.begin(), house.hotspots.end(),
                                          [](tk::TImage* hotspot) { return hotspot->Visible(); }));
}

void FireGame(testing::Harness& harness) {
    Must(testing::ShowAndExpose(Form2), "ShowAndExpose");
    Save(Form2, "start-panel");

    harness.Script(
        {3, 1, 4, 1, 5, 9, 2, 6, 5, 3, 5, 8, 9, 7, 9, 3, 2, 3, 8, 4, 6, 2, 6, 4, 3, 3, 8, 3, 2, 7, 9});
    QRadioButton* speed = Form2->RadioGroup1->ItemButton(2); // "velká": fires come thick and fast
    Must(testing::ClickAt(Form2, speed->mapTo(Form2->ClientWidget(), speed->rect().center())), "ClickAt");
    Must(testing::Click(Form2->Button1), "Click");

    // Fires flare up and nobody puts them out yet: wait for a house with three burning at once.
    constexpr int kTickBound = 300;
    for (int tick = 0; tick < kTickBound && BurningHotspots(*Form2) < 3; ++tick)
        harness.Advance(fire::kTickInterval);
    Save(Form2, "house-burning");

    testing::PlayRound(*Form2, harness, 38);
    Must(testing::Type(Form2, QStringLiteral("Ema")), "Type");
    Save(Form2, "game-over");
    Must(testing::Click(Form2->Button4), "Click");
    Must(testing::ShowAndExpose(Form3), "ShowAndExpose");
    Save(Form3, "score-table");
    Form3->hide();
}

// Answers the folder dialog that "Nová" opens: the card set's folder, then "OK".
void AnswerDialog(const QString& folder) {
    QTimer::singleShot(0, qApp, [folder] {
        Form5->DirectoryOutline1->SetDirectory(folder);
        if (!QTest::qWaitForWindowExposed(Form5))
            qFatal("the folder dialog did not come up");
        Must(testing::Click(Form5->Button1), "Click");
    });
}

void MemoryGame(testing::Harness& harness, const QString& cards) {
    // Twenty pictures, two cards each, in an order that looks dealt.
    std::vector<std::uint32_t> draws;
    for (std::uint32_t picture = 0; picture < 20; ++picture)
        draws.insert(draws.end(), {picture, picture});
    std::shuffle(draws.begin(), draws.end(), std::mt19937(7));
    harness.Script(draws);

    Must(testing::ShowAndExpose(Form4), "ShowAndExpose");
    AnswerDialog(cards);
    Form4->Nov1->Action()->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Save(Form4, "pexeso-board");

    // Two pairs found, then an unlike pair face up for its look.
    const auto cardOf = [](std::uint8_t index) { return Memory().CardBacks[index].data(); };
    for (std::uint32_t picture : {draws[0], draws[5]}) {
        std::vector<std::uint8_t> pair;
        for (std::uint8_t k = 1; k <= 40; ++k) {
            if (draws[k - 1] == picture)
                pair.push_back(k);
        }
        Must(testing::Click(cardOf(pair[0])), "Click");
        Must(testing::Click(cardOf(pair[1])), "Click");
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    std::uint8_t second = 12;
    while (draws[second - 1] == draws[10])
        ++second;
    Must(testing::Click(cardOf(11)), "Click");
    Must(testing::Click(cardOf(second)), "Click");
    Save(Form4, "pexeso-look");
    harness.Advance(kLookTime);

    // Cards being made from photos, 12 of 23 done.
    photos::MakingView making(*Form4);
    making.SetProgress(12, 23);
    Save(Form4, "pexeso-making");
}

// The family game: Anička and Táta on 12 cards, Táta to play with a pair each; then the end.
void FamilyGame(testing::Harness& harness, const QString& cards, const QString& settingsPath) {
    family::Settings settings;
    settings.names = {QStringLiteral("Anička"), QStringLiteral("Táta")};
    settings.board = 12;
    settings.folder = cards;
    family::SaveSettings(settingsPath, settings);
    std::mt19937 dealt(11);
    std::vector<std::uint32_t> draws(64);
    for (std::uint32_t& draw : draws)
        draw = dealt() % 1000;
    harness.Script(draws);
    family::FamilyPexeso* game = family::AttachFamilyGame(settingsPath);
    game->Start();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    testing::ShowAndExpose(Form4);

    const auto pairs = [] {
        std::map<int, std::vector<std::uint8_t>> byPicture;
        for (std::uint8_t k = 1; k < Memory().CardBacks.size(); ++k) {
            if (TMujImage* back = LiveCard(Memory().CardBacks, k))
                byPicture[back->PictureNo].push_back(k);
        }
        return byPicture;
    };
    const auto turn = [](std::uint8_t first, std::uint8_t second) {
        testing::Click(Memory().CardBacks[first].data());
        testing::Click(Memory().CardBacks[second].data());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    const auto pair = [&] { return pairs().begin()->second; };
    const auto unlike = [&] {
        return std::make_pair(pairs().begin()->second[0], std::next(pairs().begin())->second[0]);
    };
    turn(pair()[0], pair()[1]); // Anička: a pair, and again
    const auto miss = unlike();
    turn(miss.first, miss.second);
    harness.Advance(kLookTime);
    turn(pair()[0], pair()[1]); // Táta
    Save(Form4, "pexeso-family-board");
    while (pairs().size() > 1) {
        const auto next = unlike();
        turn(next.first, next.second);
        harness.Advance(kLookTime);
        turn(pair()[0], pair()[1]);
    }
    turn(pair()[0], pair()[1]);
    Save(Form4, "pexeso-family-end");
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    tk::Application app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: plamkov_screenshots <output folder> <card set folder>\n");
        return 2;
    }
    gOutput = QString::fromLocal8Bit(argv[1]);
    const QString cards = QDir(QString::fromLocal8Bit(argv[2])).absolutePath();
    QDir().mkpath(gOutput);
    gOutput = QDir(gOutput).absolutePath();

    // The score files go to a scratch folder, as the game writes them to the current one.
    QTemporaryDir scratch;
    tk::SetCurrentDir(scratch.path());
    WriteScoreTable(scratch.filePath(QStringLiteral("hiscore7.dat"))); // family house, "velká"

    CreateForms(app);
    testing::Harness harness;
    FireGame(harness);
    MemoryGame(harness, cards);
    FamilyGame(harness, cards, scratch.filePath(QStringLiteral("pexeso.ini")));
    return 0;
}
