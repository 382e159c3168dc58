// SPDX-License-Identifier: GPL-3.0-or-later
// Cuts one house's pictures out of its two renderings (plain and burning) as PPM files for cjpeg:
// the house itself, one picture per hotspot picture name and the start panel's thumbnail. With a
// scale of 2 the renderings are twice the pictures' size and so is everything cut from them: the
// set for screens of more than one device pixel per layout pixel.
// Usage: fire_picture_maker <house picture> <plain.png> <burning.png> <output folder> [scale]
// Run by tools/make-pictures.sh; not part of the program.

#include "fire/art/fire_pictures.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace {

constexpr int kThumbnailWidth = 185;
constexpr int kThumbnailHeight = 161;

// The part of each house picture the thumbnail shows: the whole house with a little around it.
// What is left of the thumbnail after an undistorted reduction is filled with sky above and ground below.
struct ThumbnailFrame {
    const char* house;
    QRect region;
    int skyShare; // percent of the spare rows that go above the picture
};
constexpr ThumbnailFrame kThumbnailFrames[] = {
    {"rd", QRect(50, 0, 599, 521), 50},
    {"vila", QRect(0, 0, 790, 521), 70},
    {"panelak", QRect(41, 0, 599, 521), 50},
};

const HouseArt& HouseNamed(const QString& name) {
    for (const HouseArt& house : AllHouseArt())
        if (name == QLatin1String(house.background.picture))
            return house;
    throw std::runtime_error("no house picture named " + name.toStdString());
}

QSize PictureSizeOf(const char* name, int scale) {
    for (const PictureSize& size : FirePictureSizes())
        if (std::strcmp(size.name, name) == 0)
            return QSize(size.width, size.height) * scale;
    throw std::runtime_error(std::string("no picture size for ") + name);
}

QImage Load(const QString& path, QSize expected) {
    QImage image(path);
    if (image.isNull())
        throw std::runtime_error("cannot read " + path.toStdString());
    if (image.size() != expected)
        throw std::runtime_error(path.toStdString() + " has the wrong size");
    return image.convertToFormat(QImage::Format_RGB888);
}

void Save(const QImage& image, const QString& folder, const char* name) {
    const QString path = folder + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".ppm");
    if (!image.save(path, "PPM"))
        throw std::runtime_error("cannot write " + path.toStdString());
}

// Where a hotspot's picture lies in the house picture.
QRect PictureRect(const HotspotArt& hotspot, const HotspotArt& background, int scale) {
    return {QPoint(hotspot.left - background.left, hotspot.top - background.top) * scale,
            PictureSizeOf(hotspot.picture, scale)};
}

// A shared picture is cut at its first hotspot; every other hotspot showing it must have the same
// drawing in the part of the picture its image lets through.
void CheckSharedPicture(const QImage& burning, const HouseArt& house, const HotspotArt& first,
                        const HotspotArt& other, int scale) {
    const QRect a = PictureRect(first, house.background, scale);
    const QRect b = PictureRect(other, house.background, scale);
    const int width = std::min(a.width(), other.width * scale);
    const int height = std::min(a.height(), other.height * scale);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (burning.pixel(a.x() + x, a.y() + y) != burning.pixel(b.x() + x, b.y() + y))
                throw std::runtime_error(std::string(other.image) + " is not drawn like " + first.image +
                                         ", whose picture it shows");
}

QImage Thumbnail(const QImage& plain, const char* houseName, int scale) {
    const ThumbnailFrame* frame =
        std::find_if(std::begin(kThumbnailFrames), std::end(kThumbnailFrames),
                     [&](const ThumbnailFrame& f) { return std::strcmp(f.house, houseName) == 0; });
    const QRect regionRect(frame->region.topLeft() * scale, frame->region.size() * scale);
    const QImage region = plain.copy(regionRect);
    const int width = kThumbnailWidth * scale;
    const int height = kThumbnailHeight * scale;
    const QImage reduced = region.scaled(width, height, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QImage thumbnail(width, height, QImage::Format_RGB888);
    const int spare = height - reduced.height();
    const int top = spare * frame->skyShare / 100;
    QPainter painter(&thumbnail);
    painter.fillRect(0, 0, width, top + 1, QColor(plain.pixel(0, 0)));
    painter.fillRect(0, top, width, height - top, QColor(plain.pixel(0, plain.height() - 1)));
    painter.drawImage((width - reduced.width()) / 2, top, reduced);
    painter.end();
    return thumbnail;
}

void Cut(const QString& houseName, const QString& plainPath, const QString& burningPath,
         const QString& folder, int scale) {
    const HouseArt& house = HouseNamed(houseName);
    const QSize size = PictureSizeOf(house.background.picture, scale);
    const QImage plain = Load(plainPath, size);
    const QImage burning = Load(burningPath, size);

    Save(plain, folder, house.background.picture);
    Save(Thumbnail(plain, house.background.picture, scale), folder, house.thumbnail);
    for (const HotspotArt& hotspot : house.hotspots) {
        const auto first =
            std::find_if(house.hotspots.begin(), house.hotspots.end(),
                         [&](const HotspotArt& h) { return std::strcmp(h.picture, hotspot.picture) == 0; });
        if (&*first != &hotspot) {
            CheckSharedPicture(burning, house, *first, hotspot, scale);
            continue;
        }
        const QRect rect = PictureRect(hotspot, house.background, scale);
        if (!QRect(QPoint(0, 0), size).contains(rect))
            throw std::runtime_error(std::string(hotspot.picture) + " reaches outside the house picture");
        Save(burning.copy(rect), folder, hotspot.picture);
    }
}

} // namespace

int main(int argc, char** argv) {
    const int scale = argc == 6 ? std::atoi(argv[5]) : 1;
    if ((argc != 5 && argc != 6) || (scale != 1 && scale != 2)) {
        std::fprintf(stderr, "usage: %s <house picture> <plain.png> <burning.png> <output folder> [1|2]\n",
                     argv[0]);
        return 2;
    }
    try {
        Cut(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
            QString::fromLocal8Bit(argv[4]), scale);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: %s\n", argv[0], error.what());
        return 1;
    }
    return 0;
}
