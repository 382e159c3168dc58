// SPDX-License-Identifier: GPL-3.0-or-later
#include "family/family_window.h"

#include "family/settings_form.h"
#include "memory/card_image.h"
#include "memory/folder_form.h"
#include "toolkit/pictures/picture_cache.h"
#include "toolkit/text/files.h"
#include "toolkit/text/random.h"
#include "toolkit/ui/application.h"
#include "toolkit/ui/placement.h"
#include "toolkit/ui/sound.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QWindow>

#include <algorithm>

namespace family {

namespace {

FamilyPexeso* theGame = nullptr;

// A family board: cards with room around them, and a strip below for whose turn it is.
constexpr int kMargin = 8;
constexpr int kGap = 8;
constexpr int kStripHeight = 64;
constexpr int kMinStripWidth = 380;
constexpr int kLargestCard = 160;
constexpr int kSmallestCard = 48;
// What the frame, title bar and menu bar take around the client area, as the layouts count them,
// and some room for a window manager whose frame is larger.
constexpr int kChromeWidth = 8 + 16;
constexpr int kChromeHeight = 34 + 20 + 24;
// The classic window's size at start, for a return to "klasická hra".
constexpr int kClassicWidth = 784;
constexpr int kClassicHeight = 551;

const std::vector<QColor>& PlayerColours() {
    static const std::vector<QColor> colours{QColor(0xd3, 0x2f, 0x2f), QColor(0x15, 0x65, 0xc0),
                                             QColor(0x2e, 0x7d, 0x32), QColor(0xef, 0x6c, 0x00),
                                             QColor(0x6a, 0x1b, 0x9a)};
    return colours;
}

// The largest card that lets the board and its strip stand wholly in the screen's area.
int FitCardSize(const BoardShape& shape, const QRect& area) {
    const int byWidth =
        (area.width() - kChromeWidth - 2 * kMargin - (shape.columns - 1) * kGap) / shape.columns;
    const int byHeight =
        (area.height() - kChromeHeight - kStripHeight - 2 * kMargin - (shape.rows - 1) * kGap) / shape.rows;
    return std::clamp(std::min(byWidth, byHeight), kSmallestCard, kLargestCard);
}

QString Joined(const QString& folder, const QString& name) {
    return folder + QLatin1Char('/') + name;
}

} // namespace

FamilyPexeso* TheFamilyGame() {
    return theGame;
}

FamilyPexeso* AttachFamilyGame(const QString& settingsPath) {
    if (theGame == nullptr)
        theGame = new FamilyPexeso(settingsPath);
    return theGame;
}

FamilyPexeso::FamilyPexeso(QString settingsPath)
    : QObject(Form4), settingsPath_(std::move(settingsPath)), settings_(LoadSettings(settingsPath_)),
      startFolder_(tk::GetCurrentDir()) {
    computerTimer_ = new tk::TTimer(this);
    computerTimer_->SetInterval(kComputerPace);
    computerTimer_->OnTimer = [this] { ComputerStep(); };
    settingsForm_ = new TSettingsForm(Form4);

    menu_ = Form4->MainMenu1.get();
    Form4->Nastaven1->OnClick = [this] { ShowSettings(); };
    photosItem_ = new tk::TMenuItem(Form4->Hra1, QStringLiteral("Karty z fotek…"), Form4->Nastaven1);
    photosItem_->OnClick = [this] { CardsFromPhotos(); };
    Form4->Nov1->SetShortCut(QKeySequence(Qt::CTRL | Qt::Key_N));
    MemoryListener() =
        MemoryTurnListener{[this](std::uint8_t card, std::uint8_t picture) { CardTurned(card, picture); },
                           [this](std::uint8_t first, std::uint8_t second) { PairTaken(first, second); },
                           [this] { LookEnded(); }};
    tk::App().SetMessageFilter(
        [this](const tk::Message& message, bool& handled) { Filter(message, handled); });
    keys_ = new tk::TKeyPreview(Form4);
    keys_->OnKey = [this](tk::Key key) { return KeyPressed(key); };
    keys_->OnMousePress = [this] { HideFrame(); };
    if (settings_.board == kClassicBoard)
        UseClassic(false);
    else
        UseFamily();
}

// Gives the window back as the classic game has it (tests attach a game more than once).
FamilyPexeso::~FamilyPexeso() {
    MemoryListener() = MemoryTurnListener{};
    tk::App().SetMessageFilter(
        [](const tk::Message& message, bool& handled) { Form4->FilterAppMessage(message, handled); });
    // Going with the window (at the program's end), its menu and items have gone before the game.
    if (menu_ != nullptr) {
        Form4->Nastaven1->OnClick = nullptr;
        delete photosItem_;
        Form4->Nov1->OnClick = [] { Form4->Nov1Click(); };
    }
    delete keys_;
    delete settingsForm_;
    if (theGame == this)
        theGame = nullptr;
}

QString FamilyPexeso::BuiltInFolder() const {
    const QString program = QCoreApplication::applicationDirPath();
    for (const QString& folder : {program, program + QStringLiteral("/../share/plamkov/pexeso")}) {
        if (QFileInfo(Joined(folder, QStringLiteral("1.jpg"))).isFile())
            return QDir::cleanPath(folder);
    }
    return startFolder_;
}

void FamilyPexeso::Start() {
    if (settings_.board == kClassicBoard)
        return;
    QString folder = settings_.folder;
    if (folder.isEmpty() || !QFileInfo(folder).isDir() ||
        static_cast<int>(PicturesInFolder(folder).size()) < ShapeFor(settings_.board).cards / 2)
        folder = BuiltInFolder();
    Deal(folder);
}

void FamilyPexeso::UseClassic(bool resetWindow) {
    Form4->Nov1->OnClick = [this] { NewClassicGame(); };
    Memory().CardSize = kCardSizeAtStart;
    if (!resetWindow)
        return;
    ClearBoard();
    Form4->SetOuterSize(kClassicWidth, kClassicHeight);
}

void FamilyPexeso::UseFamily() {
    Form4->Nov1->OnClick = [this] { NewGame(); };
}

void FamilyPexeso::Save() {
    SaveSettings(settingsPath_, settings_); // a failed save keeps the old file, and the game goes on
}

void FamilyPexeso::ShowSettings() {
    settingsForm_->Show(settings_);
    if (settingsForm_->ShowModal() != 1)
        return;
    const Settings chosen = settingsForm_->Read(settings_);
    const bool changed = chosen != settings_;
    settings_ = chosen;
    Save();
    if (!changed)
        return;
    if (settings_.board == kClassicBoard) {
        UseClassic(true);
        return;
    }
    UseFamily();
    ClearBoard(); // a game under the old settings ends here
    Start();
}

void FamilyPexeso::NewGame() {
    // The dialog opens at the folder used last, so a set made from photos is found again; after the
    // built-in set, where it was (the folder pexeso started in, at first).
    if (!settings_.folder.isEmpty() && QFileInfo(settings_.folder).isDir())
        Form5->DirectoryOutline1->SetDirectory(settings_.folder);
    if (Form5->ShowModal() != 1)
        return;
    const QString set = CardSetFor(Form5->DirectoryOutline1->Directory());
    if (!set.isEmpty())
        Deal(set);
}

void FamilyPexeso::PlayAgain() {
    Deal(folder_);
}

bool FamilyPexeso::Deal(const QString& folder) {
    const BoardShape shape = ShapeFor(settings_.board);
    const std::vector<std::uint8_t> pictures = PicturesInFolder(folder);
    if (static_cast<int>(pictures.size()) < shape.cards / 2) {
        tk::App().ShowMessage(TooFewPicturesText(static_cast<int>(pictures.size()), shape.cards / 2));
        return false;
    }
    tk::Randomize();
    const std::vector<std::uint8_t> numbers = DealFamilyBoard(pictures, shape.cards);

    ClearBoard();
    shape_ = shape;
    folder_ = folder;
    const int size = FitCardSize(shape, tk::AvailableArea(Form4));
    cardSize_ = size;
    MemoryModule& memory = Memory();
    memory.CardSize = static_cast<std::uint8_t>(size);
    const int boardWidth = 2 * kMargin + shape.columns * size + (shape.columns - 1) * kGap;
    const int boardHeight = 2 * kMargin + shape.rows * size + (shape.rows - 1) * kGap;
    const int clientWidth = std::max(boardWidth, kMinStripWidth);
    const int offset = (clientWidth - boardWidth) / 2;

    const QString ownBack = Joined(folder, QStringLiteral("znak.jpg"));
    const QString backPath =
        QFileInfo(ownBack).isFile() ? ownBack : Joined(BuiltInFolder(), QStringLiteral("znak.jpg"));
    tk::PictureCache::Instance().Prefetch(DealFiles(backPath, folder, numbers), QSize(size, size),
                                          Form4->devicePixelRatioF());
    const auto cards = static_cast<std::size_t>(shape.cards);
    memory.CardFaces.assign(cards + 1, nullptr);
    memory.CardBacks.assign(cards + 1, nullptr);
    for (int k = 1; k <= shape.cards; ++k) {
        const int left = offset + kMargin + (k - 1) % shape.columns * (size + kGap);
        const int top = kMargin + (k - 1) / shape.columns * (size + kGap);
        QPointer<tk::TImage> face = new tk::TImage(Form4);
        memory.CardFaces[static_cast<std::size_t>(k)] = face;
        face->SetBounds(left, top, size, size);
        face->SetStretch(true);
        QPointer<TMujImage> back = new TMujImage(Form4);
        memory.CardBacks[static_cast<std::size_t>(k)] = back;
        back->SetBounds(left, top, size, size);
        back->SetStretch(true);
        back->PictureNo = numbers[static_cast<std::size_t>(k - 1)];
        back->CardIndex = static_cast<std::uint8_t>(k);
        Form4->LoadCardPicture(back, backPath);
        Form4->LoadCardPicture(face, FacePath(folder, numbers[static_cast<std::size_t>(k - 1)]));
    }
    Form4->SetOuterSize(clientWidth + 8, boardHeight + kStripHeight + 54);

    std::vector<Player> players;
    for (const QString& name : settings_.names)
        players.push_back(Player{name});
    computer_.reset();
    if (settings_.computer) {
        players.push_back(Player{kComputerName, true});
        computer_.emplace(settings_.level);
        computer_->NewBoard(shape.cards);
    }
    game_.emplace(std::move(players), shape.cards);
    ShowStatus();
    // The built-in set is what an empty folder setting means, so a first game writes no file.
    const QString remembered = folder == BuiltInFolder() ? QString() : folder;
    if (settings_.folder != remembered) {
        settings_.folder = remembered;
        Save();
    }
    ComputerNext();
    return true;
}

void FamilyPexeso::ClearBoard() {
    computerTimer_->SetEnabled(false);
    Form4->Timer1->SetEnabled(false);
    MemoryTurn() = MemoryTurnState{};
    for (tk::TImage* image : Form4->findChildren<tk::TImage*>()) {
        if (!image->Released())
            tk::ReleaseControl(image);
    }
    tk::ReleaseControl(turnLabel_);
    for (const QPointer<tk::TLabel>& label : scoreLabels_)
        tk::ReleaseControl(label);
    scoreLabels_.clear();
    tk::ReleaseControl(endPanel_);
    HideFrame();
    game_.reset();
    computer_.reset();
}

bool FamilyPexeso::ComputerPlaying() const {
    return game_ && !game_->Over() && game_->CurrentPlayer().computer;
}

void FamilyPexeso::CardTurned(std::uint8_t card, std::uint8_t picture) {
    if (game_ && computer_)
        computer_->Seen(card, picture);
}

void FamilyPexeso::PairTaken(std::uint8_t first, std::uint8_t second) {
    if (!game_)
        return;
    if (computer_) {
        computer_->Removed(first);
        computer_->Removed(second);
    }
    game_->PairFound();
    ShowStatus();
    if (game_->Over())
        ShowEnd();
    else
        ComputerNext();
}

void FamilyPexeso::LookEnded() {
    if (!game_)
        return;
    game_->Missed();
    ShowStatus();
    ComputerNext();
}

void FamilyPexeso::ComputerNext() {
    computerTimer_->SetEnabled(ComputerPlaying());
}

// One card a tick, through the card's own click: the look, the sounds and every rule are the same
// as for a person.
void FamilyPexeso::ComputerStep() {
    if (!ComputerPlaying()) {
        computerTimer_->SetEnabled(false);
        return;
    }
    const MemoryTurnState& turn = MemoryTurn();
    if (turn.Busy != 0)
        return;
    const int card = turn.OneTurned == 0 ? computer_->FirstCard()
                                         : computer_->SecondCard(turn.FirstIndex, turn.FirstPicture);
    TMujImage* back = LiveCard(Memory().CardBacks, static_cast<std::uint8_t>(card));
    if (back == nullptr || !back->Visible())
        return;
    const tk::Handler click = back->OnClick;
    click();
}

void FamilyPexeso::Filter(const tk::Message& message, bool& handled) {
    Form4->FilterAppMessage(message, handled);
    // While the computer plays, a press on the board is dropped; the menu stays usable.
    if (!handled && message.kind == tk::Message::LButtonDown && ComputerPlaying() &&
        message.target == Form4->windowHandle())
        handled = true;
}

QString FamilyPexeso::ScoreText() const {
    if (!game_)
        return {};
    if (game_->Players().size() == 1)
        return QStringLiteral("%1   Párů: %2").arg(TurnsText(game_->Turns())).arg(game_->Players()[0].pairs);
    QStringList scores;
    for (const Player& player : game_->Players())
        scores << QStringLiteral("%1: %2").arg(player.name).arg(player.pairs);
    return scores.join(QStringLiteral("   "));
}

void FamilyPexeso::ShowStatus() {
    if (!game_)
        return;
    const int top = Form4->ClientSize().height() - kStripHeight + 4;
    const std::vector<Player>& players = game_->Players();
    const std::size_t colours = PlayerColours().size();
    if (turnLabel_ == nullptr) {
        turnLabel_ = new tk::TLabel(Form4);
        turnLabel_->SetFontHeight(30);
        turnLabel_->SetLeft(kMargin + 4);
        turnLabel_->SetTop(top);
        // One player sees the turns and pairs; more see each one's pairs in their colours.
        const std::size_t labels = players.size() == 1 ? 1 : players.size();
        for (std::size_t i = 0; i < labels; ++i) {
            auto* label = new tk::TLabel(Form4);
            label->SetFontHeight(17);
            label->SetTop(top + 40);
            const bool computer = players[i].computer;
            label->SetFontColor(labels == 1
                                    ? QColor(Qt::black)
                                    : PlayerColours()[computer ? colours - 1 : std::min(i, colours - 2)]);
            scoreLabels_.push_back(label);
        }
    }
    const auto current = static_cast<std::size_t>(game_->Current());
    const bool computer = players[current].computer;
    turnLabel_->SetFontColor(PlayerColours()[computer ? colours - 1 : std::min(current, colours - 2)]);
    turnLabel_->SetCaption(players.size() == 1 ? players[0].name
                                               : QStringLiteral("Hraje %1").arg(players[current].name));
    if (players.size() == 1) {
        scoreLabels_[0]->SetCaption(ScoreText());
        return;
    }
    // Side by side, each as wide as its text, so long names never overlap.
    int left = kMargin + 4;
    for (std::size_t i = 0; i < players.size() && i < scoreLabels_.size(); ++i) {
        scoreLabels_[i]->SetCaption(QStringLiteral("%1: %2").arg(players[i].name).arg(players[i].pairs));
        scoreLabels_[i]->SetLeft(left);
        left += scoreLabels_[i]->Width() + 28;
    }
}

QString FamilyPexeso::EndText() const {
    if (!game_ || !game_->Over())
        return {};
    if (game_->Players().size() == 1)
        return QStringLiteral("Hotovo!");
    const std::vector<int> leaders = game_->Leaders();
    if (leaders.size() > 1)
        return TieText(*game_);
    return WinnerText(game_->Players()[static_cast<std::size_t>(leaders.front())]);
}

void FamilyPexeso::ShowEnd() {
    computerTimer_->SetEnabled(false);
    HideFrame();
    turnLabel_->SetVisible(false); // nobody's turn any more
    tk::PlaySound(QStringLiteral("fanfare"));
    QString detail;
    if (game_->Players().size() == 1) {
        const int turns = game_->Turns();
        const auto best = settings_.best.find(shape_.cards);
        const int fewest = best == settings_.best.end() ? turns : std::min(best->second, turns);
        settings_.best[shape_.cards] = fewest;
        Save();
        detail = TurnsText(turns) + QStringLiteral("   ") + BestText(fewest);
    } else {
        detail = ScoreText();
    }

    const QSize client = Form4->ClientSize();
    const int width = std::min(client.width() - 2 * kMargin, 460);
    const int height = 190;
    endPanel_ = new tk::TPanel(Form4);
    endPanel_->SetBounds((client.width() - width) / 2,
                         std::max((client.height() - kStripHeight - height) / 2, 0), width, height);
    const auto centred = [this, width](int top, int font, const QString& text) {
        auto* label = new tk::TLabel(endPanel_);
        label->SetFontHeight(font);
        label->SetCaption(text);
        label->SetLeft(std::max((width - label->Width()) / 2, 4));
        label->SetTop(top);
    };
    centred(20, 28, EndText());
    centred(74, 17, detail);
    playAgain_ = new tk::TButton(endPanel_);
    playAgain_->SetFontHeight(16);
    playAgain_->SetCaption(QStringLiteral("Hrát znovu"));
    playAgain_->SetBounds(width / 2 - 150, 124, 140, 40);
    playAgain_->OnClick = [this] { PlayAgain(); };
    quit_ = new tk::TButton(endPanel_);
    quit_->SetFontHeight(16);
    quit_->SetCaption(QStringLiteral("Konec"));
    quit_->SetBounds(width / 2 + 10, 124, 140, 40);
    quit_->OnClick = [] { Form4->Konec1Click(); };
    playAgain_->SetFocus(); // Space or Enter plays again
}

} // namespace family
