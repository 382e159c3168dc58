// The JPEG encoder: what it writes, our decoder reads back at the same size and colours, as a
// baseline file, whatever the picture's format.
#include "toolkit/pictures/jpeg.h"
#include "toolkit/pictures/jpeg_writer.h"
#include "toolkit/text/errors.h"

#include <QtTest>

#include <cstdlib>

class JpegWriterTest : public QObject {
    Q_OBJECT
private slots:
    void roundTrip_data();
    void roundTrip();
    void nullPictureRaises();
};

void JpegWriterTest::roundTrip_data() {
    QTest::addColumn<QImage::Format>("format");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QColor>("colour");
    QTest::addRow("RGB32 photo size") << QImage::Format_RGB32 << QSize(280, 280) << QColor(200, 40, 30);
    QTest::addRow("RGB888 odd size") << QImage::Format_RGB888 << QSize(17, 9) << QColor(20, 90, 220);
    QTest::addRow("ARGB32 drops alpha") << QImage::Format_ARGB32 << QSize(33, 64) << QColor(40, 200, 60);
    QTest::addRow("grayscale") << QImage::Format_Grayscale8 << QSize(64, 48) << QColor(128, 128, 128);
    QTest::addRow("one pixel") << QImage::Format_RGB32 << QSize(1, 1) << QColor(250, 250, 10);
}

void JpegWriterTest::roundTrip() {
    QFETCH(QImage::Format, format);
    QFETCH(QSize, size);
    QFETCH(QColor, colour);
    QImage picture(size, format);
    picture.fill(colour);

    const QByteArray jpeg = tk::EncodeJpeg(picture, 90);

    const tk::JpegInfo info = tk::ReadJpegInfo(jpeg);
    QCOMPARE(info.progressive, false);
    QCOMPARE(info.arithmetic, false);
    QCOMPARE(info.components, 3);
    const QImage back = tk::DecodeJpeg(jpeg);
    QCOMPARE(back.size(), size);
    const QColor centre = back.pixelColor(size.width() / 2, size.height() / 2);
    constexpr int kTolerance = 6; // quantisation of a flat colour at quality 90
    QVERIFY2(std::abs(centre.red() - colour.red()) <= kTolerance &&
                 std::abs(centre.green() - colour.green()) <= kTolerance &&
                 std::abs(centre.blue() - colour.blue()) <= kTolerance,
             qPrintable(centre.name() + QStringLiteral(" for ") + colour.name()));
}

void JpegWriterTest::nullPictureRaises() {
    QVERIFY_THROWS_EXCEPTION(tk::EPictureError, tk::EncodeJpeg(QImage(), 90));
}

QTEST_GUILESS_MAIN(JpegWriterTest)
#include "jpeg_writer_test.moc"
