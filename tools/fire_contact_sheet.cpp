// Renders contact sheets of the embedded fire game pictures, decoded by the program's own loader:
// per house, the panel as it looks without fires above the panel with every hotspot burning,
// composited as the window does it; and the start panel's three thumbnails side by side.
// Usage: fire_contact_sheet <output folder>
// Run by tools/contact-sheet.sh; not part of the program.

#include "fire/art/fire_pictures.h"

#include "toolkit/text/errors.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRect>

#include <cstdio>
#include <stdexcept>

namespace {

constexpr int kPanelWidth = 790;
constexpr int kPanelHeight = 521;
constexpr int kGap = 12;
const QColor kSheetColour(64, 64, 64);

// An image control with Stretch off: the picture at natural size from the image's corner, cut at its edges.
void DrawImage(QPainter& painter, QPoint origin, const HotspotArt& image) {
    const QRect rect(origin + QPoint(image.left, image.top), QSize(image.width, image.height));
    painter.save();
    painter.setClipRect(rect);
    painter.drawImage(rect.topLeft(), FirePicture(QString::fromLatin1(image.picture)));
    painter.restore();
}

QImage HouseSheet(const HouseArt& house) {
    QImage sheet(kPanelWidth, 2 * kPanelHeight + kGap, QImage::Format_RGB888);
    sheet.fill(kSheetColour);
    QPainter painter(&sheet);
    for (int row = 0; row < 2; ++row) {
        const QPoint origin(0, row * (kPanelHeight + kGap));
        painter.setClipRect(QRect(origin, QSize(kPanelWidth, kPanelHeight)));
        DrawImage(painter, origin, house.background);
        if (row == 1)
            for (const HotspotArt& hotspot : house.hotspots)
                DrawImage(painter, origin, hotspot);
    }
    return sheet;
}

QImage ThumbnailSheet() {
    const QImage first = FirePicture(QString::fromLatin1(AllHouseArt().front().thumbnail));
    QImage sheet(kGap + int(AllHouseArt().size()) * (first.width() + kGap), first.height() + 2 * kGap,
                 QImage::Format_RGB888);
    sheet.fill(kSheetColour);
    QPainter painter(&sheet);
    int left = kGap;
    for (const HouseArt& house : AllHouseArt()) {
        const QImage thumbnail = FirePicture(QString::fromLatin1(house.thumbnail));
        painter.drawImage(left, kGap, thumbnail);
        left += thumbnail.width() + kGap;
    }
    return sheet;
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
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    try {
        QDir folder(QString::fromLocal8Bit(argv[1]));
        if (!folder.mkpath(QStringLiteral(".")))
            throw std::runtime_error("cannot create the output folder");
        for (const HouseArt& house : AllHouseArt())
            Save(HouseSheet(house), folder,
                 QStringLiteral("%1.png").arg(QLatin1String(house.background.picture)));
        Save(ThumbnailSheet(), folder, QStringLiteral("thumbnails.png"));
    } catch (const tk::Error& error) {
        std::fprintf(stderr, "%s: %s\n", argv[0], qPrintable(error.Text()));
        return 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: %s\n", argv[0], error.what());
        return 1;
    }
    return 0;
}
