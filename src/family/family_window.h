// SPDX-License-Identifier: GPL-3.0-or-later
// The family game on the memory game's window: deals family boards, counts the turns of the players
// as the window reports them, lets the computer play through the same click path, shows whose turn
// it is and the scores, and ends the game with its panel. Under "klasická hra" it leaves the window
// as it is. Only the program pexeso attaches it.
#pragma once

#include "family/rules/computer_player.h"
#include "family/rules/family_deal.h"
#include "family/rules/family_game.h"
#include "family/rules/family_settings.h"
#include "memory/memory_form.h"
#include "photos/cards_from_photos.h"
#include "toolkit/ui/controls.h"
#include "toolkit/ui/keyboard.h"
#include "toolkit/ui/timer.h"

#include <QPointer>

#include <chrono>
#include <memory>
#include <optional>
#include <vector>

namespace family {

class TSettingsForm;

// How long the computer takes over each card it turns, so a child can follow it.
inline constexpr std::chrono::milliseconds kComputerPace{800};
inline const QString kComputerName = QStringLiteral("Počítač");

class FamilyPexeso : public QObject {
    Q_OBJECT
public:
    // Attaches to Form4 and Form5, with the settings of the file at `settingsPath`.
    explicit FamilyPexeso(QString settingsPath);
    ~FamilyPexeso() override;

    // On a family board: deals at once from the folder used last (the built-in set the first time, or
    // when that folder is gone or too small).
    void Start();

    // "Hra" → "Nastavení": the dialog; "OK" keeps the settings and, when they change the game, deals anew.
    void ShowSettings();
    // "Nová" on a family board: the folder dialog, then a deal from the folder chosen.
    void NewGame();
    // "Hrát znovu": a new deal from the same folder, no dialog.
    void PlayAgain();
    // "Hra" → "Karty z fotek…" (family_photos.cpp): a set made of a folder of photos, dealt from.
    void CardsFromPhotos();
    tk::TMenuItem* PhotosItem() const { return photosItem_; }
    // A family deal from the folder; with too few pictures a message, and the board stays.
    bool Deal(const QString& folder);

    const Settings& CurrentSettings() const { return settings_; }
    const FamilyGame* Game() const { return game_ ? &*game_ : nullptr; }
    const ComputerPlayer* Computer() const { return computer_ ? &*computer_ : nullptr; }
    bool ComputerPlaying() const;
    int CardSize() const { return cardSize_; }
    BoardShape Shape() const { return shape_; }
    QString Folder() const { return folder_; }

    // What the window shows: whose turn, the scores, the end panel and the keyboard's frame.
    tk::TLabel* TurnLabel() const { return turnLabel_; }
    QString ScoreText() const;
    tk::TPanel* EndPanel() const { return endPanel_; }
    QString EndText() const;
    tk::TButton* PlayAgainButton() const { return playAgain_; }
    tk::TButton* QuitButton() const { return quit_; }
    tk::TShape* Frame() const { return frame_; }
    int FramedCard() const { return framed_; }
    TSettingsForm* SettingsForm() const { return settingsForm_; }
    tk::TTimer* ComputerTimer() const { return computerTimer_; }

    // The built-in card set: beside the program, or in share/plamkov/pexeso, or the folder it started in.
    QString BuiltInFolder() const;

private:
    void CardTurned(std::uint8_t card, std::uint8_t picture);
    void PairTaken(std::uint8_t first, std::uint8_t second);
    void LookEnded();
    void ComputerStep();
    void ComputerNext();
    void ShowStatus();
    void ShowEnd();
    void ClearBoard();
    void UseClassic(bool resetWindow);
    void UseFamily();
    void Save();
    // Cards from photos (family_photos.cpp): the answers the making asks for, the folder chosen under
    // "Nová" turned into a card set, the classic deal of pexeso, and a deal from a set on either board.
    photos::Questions Ask();
    QString ChoosePhotoFolder(const QString& start);
    QString CardSetFor(const QString& chosen);
    void NewClassicGame();
    bool DealClassic(const QString& set);
    void DealFromSet(const QString& set);
    void Filter(const tk::Message& message, bool& handled);
    // The keyboard (family_keys.cpp).
    bool KeyPressed(tk::Key key);
    void MoveFrame(tk::Key key);
    void TurnFramed();
    void HideFrame();
    void PlaceFrame();

    QString settingsPath_;
    Settings settings_;
    QString folder_;
    QString startFolder_;
    BoardShape shape_{};
    int cardSize_ = 0;
    std::optional<FamilyGame> game_;
    std::optional<ComputerPlayer> computer_;
    tk::TTimer* computerTimer_ = nullptr;
    TSettingsForm* settingsForm_ = nullptr;
    tk::TKeyPreview* keys_ = nullptr;
    tk::TMenuItem* photosItem_ = nullptr;
    // The window's menu: gone when the game goes with its window rather than being detached from it.
    QPointer<tk::TMainMenu> menu_;
    bool making_ = false; // a folder is being looked at or made into cards: the keys leave the board
    QPointer<tk::TLabel> turnLabel_;
    std::vector<QPointer<tk::TLabel>> scoreLabels_;
    QPointer<tk::TPanel> endPanel_;
    QPointer<tk::TButton> playAgain_;
    QPointer<tk::TButton> quit_;
    QPointer<tk::TShape> frame_;
    int framed_ = 0;    // the card index the frame is on, 0 for none
    QRect framedPlace_; // where that card lies (or lay, until the frame moves from its gap)
};

// The family game of this run, or nullptr (plamkov, tests of the classic window).
FamilyPexeso* TheFamilyGame();
// Made once, after Form4 and Form5; lives as long as Form4.
FamilyPexeso* AttachFamilyGame(const QString& settingsPath = SettingsPath());

} // namespace family
