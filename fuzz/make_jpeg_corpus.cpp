// Writes the seed corpora of the JPEG fuzz targets: small files of every kind the loader meets
// (baseline, progressive, arithmetic, grayscale, CMYK, odd sampling, EXIF orientations, a few
// claims beyond the bounds), each followed by a size-picking byte. Usage: make_jpeg_corpus <folder>.
#include "../tests/toolkit/pictures/jpeg_fixture.h"

#include <QDir>
#include <QFile>

#include <cstdio>

using fixture::Fixture;
using fixture::Kind;

int main(int argc, char** argv) {
    if (argc != 2)
        return 2;
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    const struct {
        const char* name;
        QByteArray data;
    } seeds[] = {
        {"baseline", fixture::MakeJpeg(Fixture{.width = 24, .height = 16, .quality = 50})},
        {"progressive",
         fixture::MakeJpeg(Fixture{.width = 24, .height = 16, .progressive = true, .quality = 50})},
        {"arithmetic",
         fixture::MakeJpeg(Fixture{.width = 24, .height = 16, .arithmetic = true, .quality = 50})},
        {"progressive_arithmetic",
         fixture::MakeJpeg(Fixture{.width = 16, .height = 16, .progressive = true, .arithmetic = true})},
        {"gray", fixture::MakeJpeg(Fixture{.width = 16, .height = 8, .kind = Kind::Gray, .quality = 50})},
        {"cmyk",
         fixture::MakeJpeg(Fixture{.width = 16, .height = 8, .kind = Kind::CmykAdobe, .quality = 50})},
        {"ycck", fixture::MakeJpeg(Fixture{.width = 16, .height = 8, .kind = Kind::Ycck, .quality = 50})},
        {"sampled_4x1", fixture::MakeJpeg(Fixture{
                            .width = 32, .height = 8, .quality = 50, .sampling = {{4, 1}, {4, 1}, {1, 1}}})},
        {"sampled_1x2", fixture::MakeJpeg(Fixture{
                            .width = 8, .height = 16, .quality = 50, .sampling = {{1, 2}, {1, 1}, {1, 1}}})},
        {"exif_6_motorola",
         fixture::MakeJpeg(Fixture{.width = 16, .height = 24, .quality = 50, .orientation = 6})},
        {"exif_5_intel",
         fixture::MakeJpeg(
             Fixture{.width = 16, .height = 24, .quality = 50, .orientation = 5, .bigEndianExif = false})},
        {"exif_3_intel",
         fixture::MakeJpeg(
             Fixture{.width = 24, .height = 16, .quality = 50, .orientation = 3, .bigEndianExif = false})},
        {"claim_4728", fixture::HalfSampledClaim()},
        {"claim_37800_arithmetic", fixture::ArithmeticGiantClaim()},
    };
    for (const auto& seed : seeds) {
        for (const char size : {'\0', '\x46', '\xC5'}) {
            QFile file(
                folder.filePath(QStringLiteral("%1_%2").arg(QLatin1String(seed.name)).arg(int(uchar(size)))));
            if (!file.open(QIODevice::WriteOnly) || file.write(seed.data + size) != seed.data.size() + 1)
                return 1;
        }
    }
    std::printf("%d seeds\n", int(std::size(seeds)) * 3);
    return 0;
}
