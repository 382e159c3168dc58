// SPDX-License-Identifier: GPL-3.0-or-later
#include "memory/memory_form.h"

#include "memory/card_image.h"
#include "memory/folder_form.h"
#include "toolkit/pictures/picture_cache.h"
#include "toolkit/text/errors.h"
#include "toolkit/text/files.h"
#include "toolkit/text/random.h"
#include "toolkit/ui/sound.h"

namespace {

MemoryModule memory;
MemoryTurnListener listener;

const QString kPicturesFailed = QStringLiteral("Nepodařilo se načíst obrázky. ");

// The card's index is in range before the card is made. A later deal reuses the slots of the one
// before, so the table never shrinks: slots past the card being made keep the earlier deal's cards,
// which all still exist or are null, for a look that ends in the middle of a deal.
template <typename Control> void Lengthen(std::vector<QPointer<Control>>& table, std::uint8_t index) {
    if (table.size() < std::size_t{index} + 1)
        table.resize(std::size_t{index} + 1);
}

} // namespace

MemoryModule& Memory() {
    return memory;
}
MemoryTurnState& MemoryTurn() {
    return memory.turn;
}
MemoryTurnListener& MemoryListener() {
    return listener;
}

std::vector<std::uint8_t> DrawPictureNumbers() {
    constexpr int kCards = BoardRows * BoardColumns;
    const auto draw = [] { return static_cast<std::uint8_t>(tk::Random(PictureBound - 1) + 1); };
    std::vector<std::uint8_t> numbers;
    numbers.reserve(kCards);
    for (int k = 1; k <= kCards; ++k) {
        std::uint8_t number = draw();
        int count = 0;
        // After each redraw the count starts again from the first card, as the player's program did;
        // the draws must come in exactly that order.
        for (std::size_t i = 0; i < numbers.size();) {
            if (numbers[i] == number)
                ++count;
            if (count == 2) {
                number = draw();
                count = 0;
                i = 0;
                continue;
            }
            ++i;
        }
        numbers.push_back(number);
    }
    return numbers;
}

QString FacePath(const QString& faceFolder, std::uint8_t number) {
    // Joined as the text is, without looking at it: at the root "/" this gives "//7.jpg", which
    // still names the file in the root.
    return faceFolder + QLatin1Char('/') + QString::number(number) + QStringLiteral(".jpg");
}

QStringList DealFiles(const QString& backPath, const QString& faceFolder,
                      const std::vector<std::uint8_t>& numbers) {
    QStringList files{backPath};
    for (const std::uint8_t number : numbers) {
        const QString face = FacePath(faceFolder, number);
        if (!files.contains(face))
            files.append(face);
    }
    return files;
}

TForm4* Form4 = nullptr;

TForm4::TForm4() {
    SetCaption(QStringLiteral("Pexeso"));
    SetBorderIcons(int(tk::BorderIcon::SystemMenu) | int(tk::BorderIcon::Minimize) |
                   int(tk::BorderIcon::Maximize));
    SetResizable(true);
    SetColor(tk::ButtonFaceColor());
    SetFontHeight(tk::kDefaultFontHeight);

    MainMenu1 = std::make_unique<tk::TMainMenu>(this);
    Hra1 = new tk::TMenuItem(MainMenu1.get(), QStringLiteral("Hra"));
    Nov1 = new tk::TMenuItem(Hra1, QStringLiteral("Nová"));
    Nov1->OnClick = [this] { Nov1Click(); };
    Nastaven1 = new tk::TMenuItem(Hra1, QStringLiteral("Nastavení"));
    N1 = new tk::TMenuItem(Hra1, QStringLiteral("-"));
    Konec1 = new tk::TMenuItem(Hra1, QStringLiteral("Konec"));
    Konec1->OnClick = [this] { Konec1Click(); };

    SetOuterSize(784, 551);
    SetLeft(376);
    SetTop(306);

    Timer1 = new tk::TTimer(this);
    Timer1->SetInterval(kLookTime);
    Timer1->OnTimer = [this] { Timer1Timer(); };

    FormCreate();
}

void TForm4::FormCreate() {
    tk::App().SetMessageFilter(
        [this](const tk::Message& message, bool& handled) { FilterAppMessage(message, handled); });
    memory.CardFaces.assign(1, nullptr);
    memory.CardBacks.assign(1, nullptr);
    memory.CardSize = kCardSizeAtStart;
    memory.turn.OneTurned = 0;
    memory.turn.Busy = 0;
    memory.turn.InClick = 0;
    memory.turn.FirstPicture = 0;
    memory.turn.SecondPicture = 0;
}

void TForm4::Nov1Click() {
    if (Form5->ShowModal() != 1)
        return;
    DealBoard(tk::GetCurrentDir() + QStringLiteral("/znak.jpg"), Form5->DirectoryOutline1->Directory());
}

void TForm4::DealBoard(const QString& backPath, const QString& faceFolder) {
    tk::Randomize();
    // The draws do not depend on the pictures, so they come first and the pictures of the whole
    // deal can be decoded ahead while the cards are made.
    const std::vector<std::uint8_t> numbers = DrawPictureNumbers();
    const int size = memory.CardSize;
    tk::PictureCache::Instance().Prefetch(DealFiles(backPath, faceFolder, numbers), QSize(size, size),
                                          devicePixelRatioF());

    for (int row = 1; row <= BoardRows; ++row) {
        for (int column = 1; column <= BoardColumns; ++column) {
            const auto k = static_cast<std::uint8_t>((row - 1) * BoardColumns + column);
            const int left = (size + 4) * (column - 1) + 2;
            const int top = (size + 4) * (row - 1) + 2;

            Lengthen(memory.CardFaces, k);
            QPointer<tk::TImage> face = new tk::TImage(this);
            memory.CardFaces[k] = face;
            face->SetBounds(left, top, size, size);
            face->SetStretch(true);

            // Made after the face, so it lies on top.
            Lengthen(memory.CardBacks, k);
            QPointer<TMujImage> back = new TMujImage(this);
            memory.CardBacks[k] = back;
            back->SetBounds(left, top, size, size);
            LoadCardPicture(back, backPath);
            if (back != nullptr) {
                back->SetStretch(true);
                back->PictureNo = numbers[k - 1];
                back->CardIndex = k;
            }
            LoadCardPicture(face, FacePath(faceFolder, numbers[k - 1]));
        }
    }
    SetOuterSize((size + 4) * BoardColumns + 30, (size + 4) * BoardRows + 60);
}

void TForm4::LoadCardPicture(tk::TImage* card, const QString& path) {
    const int size = memory.CardSize;
    try {
        QImage picture = tk::PictureCache::Instance().Get(path, QSize(size, size), devicePixelRatioF());
        // The message box of an earlier card runs a modal loop; the card is checked, not trusted.
        if (card != nullptr)
            card->SetPicture(std::move(picture));
    } catch (const tk::Error&) {
        tk::App().ShowMessage(kPicturesFailed);
    }
}

void TForm4::Konec1Click() {
    tk::App().Halt();
}

void TForm4::Timer1Timer() {
    // Through the tables, which may name cards freed since (a pair matched on a newer board).
    if (TMujImage* first = LiveCard(memory.CardBacks, memory.turn.FirstIndex))
        first->SetVisible(true);
    if (TMujImage* second = LiveCard(memory.CardBacks, memory.turn.SecondIndex))
        second->SetVisible(true);
    memory.turn.Busy = 0;
    memory.turn.OneTurned = 0;
    Timer1->SetEnabled(false);
    tk::PlaySound(QStringLiteral("whoosh"));
    if (const auto lookEnded = listener.LookEnded)
        lookEnded();
}

void TForm4::FilterAppMessage(const tk::Message& message, bool& handled) {
    // During the look a left press anywhere in the program is dropped; double clicks, releases,
    // keys and presses on menus pass, so the menu stays usable.
    if (message.kind == tk::Message::LButtonDown && memory.turn.Busy == 1)
        handled = true;
}
