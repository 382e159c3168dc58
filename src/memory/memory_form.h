// SPDX-License-Identifier: GPL-3.0-or-later
// The memory game window "Pexeso": its menu deals a board of 5 × 8 face-down cards from the pictures
// of a chosen folder; its creation installs the application-wide message filter, which drops
// left-button presses while an unlike pair is face up for its look.
#pragma once

#include "memory/memory_state.h"
#include "toolkit/ui/application.h"
#include "toolkit/ui/controls.h"
#include "toolkit/ui/timer.h"

#include <QStringList>

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

inline constexpr std::uint8_t BoardRows = 5;
inline constexpr std::uint8_t BoardColumns = 8;
// Picture numbers run from 1 to PictureBound - 1.
inline constexpr std::uint8_t PictureBound = 24;
// The edge of a card in pixels, as the window's creation sets it.
inline constexpr std::uint8_t kCardSizeAtStart = 70;
// How long an unlike pair stays face up.
inline constexpr std::chrono::milliseconds kLookTime{2000};

// The picture numbers of one deal, card index 1 to 40 at [0] to [39]: each drawn as 1 +
// Random(PictureBound - 1), and redrawn (the scan of the earlier cards starting again at the first)
// while two earlier cards already carry it.
std::vector<std::uint8_t> DrawPictureNumbers();

// The distinct files of a deal, as the deal first uses them: the back, then the faces.
QStringList DealFiles(const QString& backPath, const QString& faceFolder,
                      const std::vector<std::uint8_t>& numbers);
// The face file of a picture number: the folder, "/", the number without leading zeros, ".jpg".
QString FacePath(const QString& faceFolder, std::uint8_t number);

class TForm4 : public tk::TForm {
    Q_OBJECT
public:
    TForm4();

    void FormCreate();
    void Nov1Click();
    // The deal of "Nová" once a folder is chosen: 40 cards of the faces in `faceFolder`.
    void DealBoard(const QString& backPath, const QString& faceFolder);
    void Konec1Click();
    void Timer1Timer();
    void FilterAppMessage(const tk::Message& message, bool& handled);

    std::unique_ptr<tk::TMainMenu> MainMenu1;
    tk::TMenuItem* Hra1 = nullptr;
    tk::TMenuItem* Nov1 = nullptr;
    tk::TMenuItem* Nastaven1 = nullptr;
    tk::TMenuItem* N1 = nullptr;
    tk::TMenuItem* Konec1 = nullptr;
    tk::TTimer* Timer1 = nullptr;

    // Loads one card picture at the card size, or shows the message and leaves the picture blank.
    void LoadCardPicture(tk::TImage* card, const QString& path);
};

// The memory game window, set at start-up and valid to the end of the run.
extern TForm4* Form4;
