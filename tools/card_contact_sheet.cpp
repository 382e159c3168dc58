// Renders contact sheets of the memory game's card set, decoded by the program's own loader:
// cards.png holds each picture at card size (70 x 70, as the board shows it) beside its full size,
// and cards-board.png the 24 cards at card size side by side as on the board, for a look at 1:1.
// Usage: card_contact_sheet <picture folder> <output folder>
// Run by tools/contact-sheet.sh; not part of the program.

#include "toolkit/pictures/jpeg.h"
#include "toolkit/pictures/picture_cache.h"
#include "toolkit/text/errors.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <stdexcept>
#include <vector>

namespace {

constexpr int kCard = 70;
constexpr int kFull = 280;
constexpr int kGap = 12;
constexpr int kBoardGap = 4; // as between the cards on the board
constexpr int kSheetColumns = 6;
constexpr int kBoardColumns = 8;
const QColor kSheetColour(64, 64, 64);
const QColor kWindowColour(240, 240, 240);

struct Card {
    QString name;
    QImage small;
    QImage full;
};

std::vector<Card> LoadCards(const QDir& folder) {
    std::vector<Card> cards;
    QStringList names;
    for (int number = 1; number <= 23; ++number)
        names << QString::number(number);
    names << QStringLiteral("znak");
    for (const QString& name : names) {
        const QString path = folder.filePath(name + QStringLiteral(".jpg"));
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw std::runtime_error("cannot open " + path.toStdString());
        cards.push_back({name, tk::PictureCache::Instance().Get(path, QSize(kCard, kCard), 1.0),
                         tk::DecodeJpeg(file.readAll())});
    }
    return cards;
}

QImage Sheet(const std::vector<Card>& cards) {
    const int cellWidth = kCard + kGap + kFull + 2 * kGap;
    const int cellHeight = kFull + kGap;
    const int rows = (int(cards.size()) + kSheetColumns - 1) / kSheetColumns;
    QImage sheet(kSheetColumns * cellWidth + kGap, rows * cellHeight + kGap, QImage::Format_RGB888);
    sheet.fill(kSheetColour);
    QPainter painter(&sheet);
    QFont font = painter.font();
    font.setPixelSize(20);
    painter.setFont(font);
    painter.setPen(Qt::white);
    for (int i = 0; i < int(cards.size()); ++i) {
        const int left = kGap + (i % kSheetColumns) * cellWidth;
        const int top = kGap + (i / kSheetColumns) * cellHeight;
        painter.drawImage(left, top, cards[i].small);
        painter.drawText(QRect(left, top + kCard + kGap, kCard, 30), Qt::AlignCenter, cards[i].name);
        painter.drawImage(left + kCard + kGap, top, cards[i].full);
    }
    return sheet;
}

QImage Board(const std::vector<Card>& cards) {
    const int rows = (int(cards.size()) + kBoardColumns - 1) / kBoardColumns;
    QImage board(kBoardColumns * (kCard + kBoardGap), rows * (kCard + kBoardGap), QImage::Format_RGB888);
    board.fill(kWindowColour);
    QPainter painter(&board);
    for (int i = 0; i < int(cards.size()); ++i)
        painter.drawImage(2 + (i % kBoardColumns) * (kCard + kBoardGap),
                          2 + (i / kBoardColumns) * (kCard + kBoardGap), cards[i].small);
    return board;
}

void Save(const QImage& image, const QDir& folder, const QString& name) {
    const QString path = folder.filePath(name);
    if (!image.save(path, "PNG"))
        throw std::runtime_error("cannot write " + path.toStdString());
    std::printf("%s\n", qPrintable(path));
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <picture folder> <output folder>\n", argv[0]);
        return 2;
    }
    try {
        const std::vector<Card> cards = LoadCards(QDir(QString::fromLocal8Bit(argv[1])));
        QDir folder(QString::fromLocal8Bit(argv[2]));
        if (!folder.mkpath(QStringLiteral(".")))
            throw std::runtime_error("cannot create the output folder");
        Save(Sheet(cards), folder, QStringLiteral("cards.png"));
        Save(Board(cards), folder, QStringLiteral("cards-board.png"));
    } catch (const tk::Error& error) {
        std::fprintf(stderr, "%s: %s\n", argv[0], qPrintable(error.Text()));
        return 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: %s\n", argv[0], error.what());
        return 1;
    }
    return 0;
}
