// SPDX-License-Identifier: GPL-3.0-or-later
// The house scenes as the player meets them: what a click on each part of a house does, the
// stacking of panels and pictures, and labels that show their whole text beside the hotspots.
#include "fire/fire_form.h"
#include "fire/round_state.h"
#include "support/test_main.h"
#include "support/test_support.h"

#include <QTest>

#include <memory>

using fire::HouseId;
using fire::kTickInterval;

namespace {

struct Scene {
    explicit Scene(int house, std::uint32_t draw) {
        fire::Round() = {};
        harness.Script({draw});
        form = std::make_unique<TForm2>();
        tk::TRadioButton* radios[] = {form->RadioButton1, form->RadioButton2, form->RadioButton3};
        this->house = &form->HouseOf(static_cast<HouseId>(house));
        ready = testing::ShowAndExpose(form.get()) && testing::Click(radios[house - 1]) &&
                testing::Click(form->Button1);
        for (int tick = 0; ready && tick < 8; ++tick) // to the first spawn
            harness.Advance(kTickInterval);
    }
    // Which hotspots burn, with their ages, e.g. "0002000".
    QString State() const {
        QString state;
        for (const tk::TImage* hotspot : house->hotspots)
            state += hotspot->Visible() ? QString::number(hotspot->Tag) : QStringLiteral("-");
        return state;
    }

    testing::Harness harness;
    std::unique_ptr<TForm2> form;
    TForm2::House* house = nullptr;
    bool ready = false; // on the screen, the round started and at its first spawn
};

QRect Bounds(const tk::TControl* control) {
    return QRect(control->Left(), control->Top(), control->Width(), control->Height());
}

} // namespace

class HouseScenesTest : public QObject {
    Q_OBJECT

private slots:
    void clickOnScene_data();
    void clickOnScene();
    void panelsStackInCreationOrder();
    void sceneStacking_data();
    void sceneStacking();
    void labelsShowWholeTextBesideHotspots_data();
    void labelsShowWholeTextBesideHotspots();
};

// One fire burns (index 4 of the house); the click lands on the given point of the panel.
void HouseScenesTest::clickOnScene_data() {
    QTest::addColumn<int>("house");
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<int>("putOut");
    QTest::addColumn<QString>("after");

    QTest::newRow("family house: roof") << 1 << QPoint(400, 100) << 0 << "----2";
    QTest::newRow("family house: hidden door rdd") << 1 << QPoint(353, 441) << 0 << "----2";
    QTest::newRow("family house: hidden rdhl") << 1 << QPoint(190, 248) << 0 << "----2";
    QTest::newRow("family house: time label") << 1 << QPoint(24, 20) << 0 << "----2";
    QTest::newRow("family house: burning rdhp") << 1 << QPoint(507, 247) << 1 << "-----";
    QTest::newRow("villa: door") << 2 << QPoint(560, 390) << 0 << "----2---";
    QTest::newRow("villa: hidden vbd") << 2 << QPoint(60, 380) << 0 << "----2---";
    QTest::newRow("villa: burning vpds") << 2 << QPoint(468, 380) << 1 << "--------";
    QTest::newRow("block: lowest row of windows") << 3 << QPoint(170, 495) << 0 << "----2-------";
    QTest::newRow("block: hidden pao11") << 3 << QPoint(398, 393) << 0 << "----2-------";
    QTest::newRow("block: burning pao5") << 3 << QPoint(171, 281) << 1 << "------------";
}

void HouseScenesTest::clickOnScene() {
    QFETCH(int, house);
    QFETCH(QPoint, at);
    QFETCH(int, putOut);
    QFETCH(QString, after);

    Scene scene(house, 4);
    QVERIFY(scene.ready);
    QVERIFY(scene.house->hotspots[4]->Visible());
    testing::Shoot(scene.form.get(), QStringLiteral("fire_house_%1").arg(house));
    QVERIFY(testing::ClickAt(scene.form.get(),
                             scene.house->panel->self()->mapTo(scene.form->ClientWidget(), at)));

    QCOMPARE(fire::Round().firesPutOut, putOut);
    QCOMPARE(scene.State(), after);
    QVERIFY(scene.house->panel->Visible());
}

// Later panels lie on top: the start panel over everything, the block of flats at the bottom.
void HouseScenesTest::panelsStackInCreationOrder() {
    fire::Round() = {};
    TForm2 form;
    const QList<tk::TPanel*> panels =
        form.ClientWidget()->findChildren<tk::TPanel*>(Qt::FindDirectChildrenOnly);
    const QList<tk::TPanel*> expected = {form.Pan,       form.Panrd,    form.Panvila,
                                         form.nextlevel, form.konechry, form.vyberstart};
    QCOMPARE(panels, expected);
    for (tk::TPanel* panel : panels) {
        QCOMPARE(Bounds(panel), QRect(0, 0, 790, 521));
        QCOMPARE(panel->Visible(), panel == form.vyberstart);
    }
}

// Within a house: background, hotspots in creation order, then the time and count labels.
void HouseScenesTest::sceneStacking_data() {
    QTest::addColumn<int>("house");
    QTest::addColumn<QStringList>("hotspots");
    QTest::addColumn<QRect>("background");

    QTest::newRow("family house") << 1 << QStringList{"rdd", "rddl", "rddp", "rdhl", "rdhp"}
                                  << QRect(0, 0, 791, 521);
    QTest::newRow("villa") << 2 << QStringList{"vbd", "vbh", "vpdl", "vpdp", "vpds", "vphl", "vphp", "vphs"}
                           << QRect(0, 0, 790, 520);
    QTest::newRow("block of flats") << 3 << QStringList{"pao1", "pao10", "pao11", "pao12", "pao2", "pao3",
                                                        "pao4", "pao5",  "pao6",  "pao7",  "pao8", "pao9"}
                                    << QRect(0, -1, 792, 522);
}

void HouseScenesTest::sceneStacking() {
    QFETCH(int, house);
    QFETCH(QStringList, hotspots);
    QFETCH(QRect, background);

    fire::Round() = {};
    TForm2 form;
    const TForm2::House& scene = form.HouseOf(static_cast<HouseId>(house));
    tk::TImage* backgrounds[] = {form.rd, form.vila, form.panelak};
    QList<QObject*> expected{backgrounds[house - 1]};
    for (const QString& name : hotspots) {
        tk::TImage* hotspot = form.Hotspot(name);
        QVERIFY2(hotspot != nullptr, qPrintable(name));
        QVERIFY(!hotspot->Visible());
        QCOMPARE(hotspot->Tag, 0);
        QVERIFY(!hotspot->Picture().isNull());
        expected << hotspot;
    }
    expected << scene.timeLabel << scene.countLabel;

    QList<QObject*> children;
    for (QObject* child : scene.panel->self()->children()) {
        if (child->isWidgetType())
            children << child;
    }
    QCOMPARE(children, expected);
    QCOMPARE(Bounds(backgrounds[house - 1]), background);
    QVERIFY(!backgrounds[house - 1]->Stretch());
}

// Captions at their widest in a round still fit on the panel and cover no hotspot.
void HouseScenesTest::labelsShowWholeTextBesideHotspots_data() {
    QTest::addColumn<int>("house");
    QTest::newRow("family house") << 1;
    QTest::newRow("villa") << 2;
    QTest::newRow("block of flats") << 3;
}

void HouseScenesTest::labelsShowWholeTextBesideHotspots() {
    QFETCH(int, house);

    fire::Round() = {};
    TForm2 form;
    QVERIFY(testing::ShowAndExpose(&form));
    const TForm2::House& scene = form.HouseOf(static_cast<HouseId>(house));
    scene.panel->SetVisible(true);
    scene.timeLabel->SetCaption(QStringLiteral("Čas: 59,9"));
    scene.countLabel->SetCaption(QStringLiteral("Uhašeno: 601"));

    for (const tk::TLabel* label : {scene.timeLabel, scene.countLabel}) {
        QVERIFY2(label->Width() >= label->sizeHint().width(), qPrintable(label->Caption()));
        QVERIFY2(label->Height() >= label->sizeHint().height(), qPrintable(label->Caption()));
        QVERIFY2(QRect(0, 0, 790, 521).contains(Bounds(label)), qPrintable(label->Caption()));
    }
    QVERIFY(!Bounds(scene.timeLabel).intersects(Bounds(scene.countLabel)));
    for (std::size_t i = 0; i < scene.hotspots.size(); ++i) {
        const QRect spot = Bounds(scene.hotspots[i]);
        QVERIFY(QRect(0, 0, 790, 521).contains(spot));
        QVERIFY(!spot.intersects(Bounds(scene.timeLabel)));
        QVERIFY(!spot.intersects(Bounds(scene.countLabel)));
        for (std::size_t j = i + 1; j < scene.hotspots.size(); ++j)
            QVERIFY(!spot.intersects(Bounds(scene.hotspots[j])));
    }
}

TK_TEST_MAIN(HouseScenesTest)
#include "house_scenes_test.moc"
