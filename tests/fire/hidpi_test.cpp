// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures at device resolution: which set of the fire game's pictures a screen's device pixel
// ratio gets, and that on a screen of twice the layout's pixels the fire window draws the sharp set
// at the layout's size. Runs on a screen scaled by 2.
#include "fire/art/fire_pictures.h"
#include "fire/fire_form.h"
#include "fire/round_state.h"
#include "support/test_support.h"
#include "toolkit/ui/application.h"

#include <QTest>

#include <cmath>
#include <cstdlib>

namespace {

constexpr qreal kScreenRatio = 2;
// The 2x pictures differ from the 1x ones blown up by 2.3 to 11 per channel on average; the 1x
// picture drawn blown up would differ by nothing.
constexpr double kDetailMeanDifference = 1.0;

// One image control of each kind: a house, a window or door on fire, a thumbnail.
const struct {
    const char* name;
    tk::TImage* TForm2::*control;
    const char* picture;
} kShown[] = {
    {"family house", &TForm2::rd, "rd"},
    {"villa", &TForm2::vila, "vila"},
    {"block of flats", &TForm2::panelak, "panelak"},
    {"family house's door on fire", &TForm2::rdd, "rdd"},
    {"villa's dormer on fire", &TForm2::vphs, "vphs"},
    {"block of flats' window on fire", &TForm2::pao11, "pao_a"},
    {"thumbnail of the family house", &TForm2::Image1, "thumb_rd"},
    {"thumbnail of the villa", &TForm2::Image2, "thumb_vila"},
    {"thumbnail of the block of flats", &TForm2::Image3, "thumb_panelak"},
};

// Mean difference per channel over the part of the picture both images hold.
double MeanDifference(const QImage& a, const QImage& b) {
    const int width = std::min(a.width(), b.width());
    const int height = std::min(a.height(), b.height());
    double sum = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            sum +=
                std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * width * height);
}

} // namespace

class HidpiTest : public QObject {
    Q_OBJECT

private slots:
    void startUpDecodesTheSetTheWindowUses();
    void pictureSetFollowsTheDevicePixelRatio_data();
    void pictureSetFollowsTheDevicePixelRatio();
    void sharpPictureFillsItsImageAtLayoutSize_data();
    void sharpPictureFillsItsImageAtLayoutSize();
};

// Start-up decodes its batch for the screen before any window exists; a window asking for another
// set would have every picture decoded a second time, on the user-interface thread.
void HidpiTest::startUpDecodesTheSetTheWindowUses() {
    QCOMPARE(tk::App().ScreenPixelRatio(), kScreenRatio);
    fire::Round() = {};
    const TForm2 form;
    QCOMPARE(form.devicePixelRatioF(), tk::App().ScreenPixelRatio());
}

// Above one device pixel per layout pixel the 2x set is used, scaled smoothly to the screen's ratio;
// the picture still covers its size in layout pixels.
void HidpiTest::pictureSetFollowsTheDevicePixelRatio_data() {
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<int>("scale");
    QTest::addColumn<QSize>("pixels"); // of the front door, 93 x 143 in layout pixels
    QTest::newRow("1x") << 1.0 << 1 << QSize(93, 143);
    QTest::newRow("1.25x") << 1.25 << 2 << QSize(117, 179);
    QTest::newRow("1.5x") << 1.5 << 2 << QSize(140, 215);
    QTest::newRow("2x") << 2.0 << 2 << QSize(186, 286);
    QTest::newRow("3x") << 3.0 << 2 << QSize(279, 429);
}

void HidpiTest::pictureSetFollowsTheDevicePixelRatio() {
    QFETCH(qreal, ratio);
    QFETCH(int, scale);
    QFETCH(QSize, pixels);
    QCOMPARE(FirePictureSetFor(ratio), (FirePictureSet{scale, ratio}));
    const QImage door = FirePicture(QStringLiteral("rdd"), ratio);
    QCOMPARE(door.size(), pixels);
    QCOMPARE(door.devicePixelRatio(), ratio);
}

void HidpiTest::sharpPictureFillsItsImageAtLayoutSize_data() {
    QTest::addColumn<int>("row");
    for (int row = 0; row < int(std::size(kShown)); ++row)
        QTest::newRow(kShown[row].name) << row;
}

// What the image control shows is the 2x picture pixel for pixel, cut at the control's layout size,
// not the 1x picture blown up: drawn at twice its size, or from the 1x set, it would not match.
void HidpiTest::sharpPictureFillsItsImageAtLayoutSize() {
    QFETCH(int, row);
    const QString picture = QLatin1String(kShown[row].picture);
    fire::Round() = {};
    TForm2 form;
    QVERIFY(testing::ShowAndExpose(&form));
    tk::TImage* control = form.*kShown[row].control;
    control->SetVisible(true);

    const QImage shown = control->grab().toImage();
    QCOMPARE(shown.size(), QSize(control->Width(), control->Height()) * kScreenRatio);
    const QImage sharp = FirePicture(picture, kScreenRatio);
    QCOMPARE(sharp.deviceIndependentSize(), QSizeF(FirePicture(picture).size()));
    const double same = MeanDifference(shown, sharp);
    QVERIFY2(same == 0, qPrintable(QStringLiteral("differs by %1").arg(same)));
    const QImage blownUp =
        FirePicture(picture).scaled(sharp.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
    const double detail = MeanDifference(shown, blownUp);
    QVERIFY2(detail >= kDetailMeanDifference,
             qPrintable(QStringLiteral("only %1 from 1x blown up").arg(detail)));
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_SCALE_FACTOR", QByteArray::number(kScreenRatio));
    tk::Application app(argc, argv);
    HidpiTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "hidpi_test.moc"
