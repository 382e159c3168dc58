// SPDX-License-Identifier: GPL-3.0-or-later
// What the memory game's tests share: the picture folders they deal from, "Nová" answered as the
// player would, the boards it deals, message boxes that run a real modal loop or a step of the test,
// and the look begun on a board.
#pragma once

#include "app/startup.h"
#include "memory/card_image.h"
#include "memory/folder_form.h"
#include "memory/memory_form.h"
#include "support/jpeg_fixture.h"
#include "support/test_support.h"

#include <QAction>
#include <QDir>
#include <QMessageBox>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <QtTest>

#include <functional>
#include <memory>
#include <vector>

namespace memory_play {

constexpr int kCards = BoardRows * BoardColumns;
inline const QString kFailed = QStringLiteral("Nepodařilo se načíst obrázky. ");

// Each face file of the fixtures has a colour of its own; the backs are greys.
inline QColor FaceColour(int number) {
    return QColor::fromHsv(number * 15 % 360, 230, 230);
}
inline const QColor kStartBack(60, 60, 60);
inline const QColor kFolderBack(170, 170, 170);
inline const QColor kDecoy(0, 0, 0); // 07.jpg, 0.jpg and 24.jpg: never read

// The draws that give a deal as a row of picture numbers (none needs a redraw).
inline std::vector<std::uint32_t> DrawsFor(const std::vector<int>& numbers) {
    std::vector<std::uint32_t> draws;
    for (const int number : numbers)
        draws.push_back(static_cast<std::uint32_t>(number - 1));
    return draws;
}
// Cards 2k-1 and 2k show k + shift: pairs side by side, twenty of them.
inline std::vector<int> PairsSideBySide(int shift = 0) {
    std::vector<int> numbers;
    for (int k = 1; k <= kCards; ++k)
        numbers.push_back((k + 1) / 2 + shift);
    return numbers;
}

template <typename Control> bool Showing(const QPointer<Control>& control) {
    return control != nullptr && control->isVisible();
}

inline void DeleteReleased() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Runs an action inside the modal loop that is about to start.
inline void WhenModal(std::function<void()> action) {
    QTimer::singleShot(0, qApp, std::move(action));
}

enum class Answer {
    Ok,       // "OK" clicked
    OkByKey,  // the space bar on "OK": keys pass during the look, presses do not
    CloseBox, // refused by the close box
};

// Answers the folder dialog that "Nová" opens as the player would: selects the folder in its tree
// and presses "OK", or closes the window by its close box.
inline void AnswerDialog(const QString& folder, Answer answer = Answer::Ok) {
    WhenModal([folder, answer] {
        // Refused if "OK" did not close it, so that a dropped press fails the test instead of hanging it.
        const auto closeAnyway = qScopeGuard([] {
            if (Form5->ModalResult() == 0)
                Form5->windowHandle()->close();
        });
        QVERIFY(Form5->InModalShow());
        Form5->DirectoryOutline1->SetDirectory(folder);
        if (answer == Answer::CloseBox)
            return;
        QVERIFY(QTest::qWaitForWindowExposed(Form5));
        if (answer == Answer::OkByKey)
            QTest::keyClick(Form5->Button1, Qt::Key_Space);
        else
            QVERIFY(testing::Click(Form5->Button1));
    });
}

// Message boxes that run a real modal loop, so that presses on their button go through the filter.
class ModalBoxes : public tk::Dialogs {
public:
    void ShowMessage(const QString& text, const QString& title) override {
        QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok);
        box.exec();
    }
    void ShowError(const QString& text, const QString& title) override { ShowMessage(text, title); }
};

// Recorded message boxes that run a step of the test while each is open.
class SteppingDialogs : public testing::RecordingDialogs {
public:
    explicit SteppingDialogs(std::function<void()> step) : step_(std::move(step)) {}
    void ShowMessage(const QString& text, const QString& title) override {
        RecordingDialogs::ShowMessage(text, title);
        step_();
    }

private:
    std::function<void()> step_;
};

inline SteppingDialogs* InstallSteppingDialogs(std::function<void()> step) {
    auto dialogs = std::make_unique<SteppingDialogs>(std::move(step));
    SteppingDialogs* installed = dialogs.get();
    tk::App().SetDialogs(std::move(dialogs));
    return installed;
}

inline int CardsOnTheWindow() {
    return static_cast<int>(Form4->findChildren<TMujImage*>().size());
}

// The cards of one deal, kept after later deals take over the tables.
struct Board {
    std::vector<QPointer<tk::TImage>> faces;
    std::vector<QPointer<TMujImage>> backs;
};

// Another window of the program, with an image that counts its clicks.
struct OtherWindow {
    OtherWindow() {
        form.SetOuterSize(200, 150);
        image = new tk::TImage(&form);
        image->SetBounds(0, 0, 100, 100);
        image->OnClick = [this] { ++clicks; };
        shown = testing::ShowAndExpose(&form);
    }
    tk::TForm form;
    tk::TImage* image;
    int clicks = 0;
    bool shown = false; // check it: QVERIFY(other.shown)
};

// Turns cards 1 and 3, an unlike pair on a board dealt with PairsSideBySide: the look begins.
[[nodiscard]] inline bool BeginLook(const Board& board) {
    return testing::ShowAndExpose(Form4) && testing::Click(board.backs[1]) && testing::Click(board.backs[3]);
}

// The picture folders of a test case, under one temporary folder in which the game starts.
class PictureFolders {
protected:
    QString Folder(const QString& name) const { return root_.filePath(name); }
    void MakeFolder(const QString& name, int faces, const QColor& back) {
        QVERIFY(QDir(root_.path()).mkpath(name));
        for (int number = 1; number <= faces; ++number)
            QVERIFY(testing::WriteJpeg(QDir(Folder(name)).filePath(QStringLiteral("%1.jpg").arg(number)),
                                       testing::CardPicture(FaceColour(number), number)));
        if (back.isValid())
            QVERIFY(testing::WriteJpeg(QDir(Folder(name)).filePath(QStringLiteral("znak.jpg")),
                                       testing::CardPicture(back)));
    }
    // The program's windows, made with the root as the current directory; false when they are not
    // up.
    [[nodiscard]] bool StartTheGame() {
        if (!QDir::setCurrent(root_.path()))
            return false;
        CreateForms(tk::App());
        return testing::ShowAndExpose(Form4); // in the program the launcher opens it modally
    }
    // "Nová" with the dialog answered by the folder, the draws scripted; returns the new board.
    Board Deal(testing::Harness& harness, const QString& folder, const std::vector<int>& numbers) {
        harness.Script(DrawsFor(numbers));
        AnswerDialog(folder);
        Form4->Nov1->Action()->trigger();
        DeleteReleased();
        return Board{Memory().CardFaces, Memory().CardBacks};
    }
    QTemporaryDir root_;
};

// Every test starts with no open turn, the window on the screen; boards of earlier tests stay
// beneath. Call it from init(): a failure there skips the test.
inline void ResetTurn() {
    Form4->Timer1->SetEnabled(false);
    MemoryTurn() = MemoryTurnState{};
    if (!Form4->isVisible())
        QVERIFY(testing::ShowAndExpose(Form4));
}

} // namespace memory_play
