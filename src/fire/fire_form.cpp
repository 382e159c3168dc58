// SPDX-License-Identifier: GPL-3.0-or-later
// The fire game window's layout and its game flow: the start panel, the campaign between rounds
// and the hand-over of a finished game to the score table.
#include "fire/fire_form.h"

#include "fire/art/fire_pictures.h"
#include "fire/round_state.h"
#include "scores/score_form.h"
#include "toolkit/text/random.h"
#include "toolkit/ui/application.h"

#include <QPointer>
#include <QStringList>

#include <algorithm>
#include <iterator>

namespace {

using fire::HouseId;

constexpr QRect kPanelBounds(0, 0, 790, 521);
constexpr int kTitleFontHeight = 19; // start panel's group box, speed choice and "nebo"
constexpr int kBigFontHeight = 32;   // next-round and game-over panels

// Ties each hotspot of the shared table to its control member and its own click handler; the
// rows are in the order of fire::HotspotLayouts().
struct HotspotWiring {
    tk::TImage* TForm2::*control;
    void (TForm2::*click)();
};
#define PLAMKOV_HOTSPOT_WIRING(image, ...) HotspotWiring{&TForm2::image, &TForm2::image##Click},
constexpr HotspotWiring kHotspotWirings[] = {PLAMKOV_FIRE_HOTSPOTS(PLAMKOV_HOTSPOT_WIRING)};
#undef PLAMKOV_HOTSPOT_WIRING

// Each house scene's named controls and its timer.
struct HouseWiring {
    HouseId house;
    tk::TPanel* TForm2::*panel;
    tk::TImage* TForm2::*background;
    tk::TLabel* TForm2::*timeLabel;
    tk::TLabel* TForm2::*countLabel;
    tk::TTimer* TForm2::*timer;
};
constexpr HouseWiring kHouseWirings[] = {
    {HouseId::Block, &TForm2::Pan, &TForm2::panelak, &TForm2::casp, &TForm2::uhasp, &TForm2::Timer3},
    {HouseId::FamilyHouse, &TForm2::Panrd, &TForm2::rd, &TForm2::casrd, &TForm2::uhasrd, &TForm2::Timer1},
    {HouseId::Villa, &TForm2::Panvila, &TForm2::vila, &TForm2::casv, &TForm2::uhasv, &TForm2::Timer2},
};

int SlotOf(HouseId id) {
    return static_cast<int>(id) - 1;
}

void PlaceImage(tk::TImage* image, const HotspotArt& art) {
    image->SetBounds(art.left, art.top, art.width, art.height);
}

tk::TPanel* NewPanel(TForm2& form) {
    auto* panel = new tk::TPanel(&form);
    panel->SetBounds(kPanelBounds.x(), kPanelBounds.y(), kPanelBounds.width(), kPanelBounds.height());
    panel->SetVisible(false);
    return panel;
}

const HouseWiring& WiringOf(HouseId house) {
    return *std::find_if(std::begin(kHouseWirings), std::end(kHouseWirings),
                         [house](const HouseWiring& wiring) { return wiring.house == house; });
}

// Pictures are drawn unscaled from the image's top-left corner and cut at its edges; each carries
// the window's device pixel ratio, so a hi-DPI screen shows the sharp set at the same size. They
// are set once the controls are made: until then the start-up batch decodes on its worker.
void LoadPicture(TForm2& form, tk::TImage* image, const char* picture) {
    image->SetPicture(FirePicture(QLatin1String(picture), form.devicePixelRatioF()));
}

void LoadThumbnails(TForm2& form) {
    LoadPicture(form, form.Image1, fire::ArtOf(HouseId::FamilyHouse).thumbnail);
    LoadPicture(form, form.Image2, fire::ArtOf(HouseId::Villa).thumbnail);
    LoadPicture(form, form.Image3, fire::ArtOf(HouseId::Block).thumbnail);
}

void LoadScenePictures(TForm2& form) {
    for (const HouseWiring& wiring : kHouseWirings)
        LoadPicture(form, form.*wiring.background, fire::ArtOf(wiring.house).background.picture);
    const auto layouts = fire::HotspotLayouts();
    for (std::size_t i = 0; i < layouts.size(); ++i)
        LoadPicture(
            form, form.*kHotspotWirings[i].control,
            fire::ArtOf(layouts[i].house).hotspots[static_cast<std::size_t>(layouts[i].index)].picture);
}

} // namespace

TForm2* Form2 = nullptr;

TForm2::TForm2(tk::TForm* owner) : tk::TForm(owner) {
    SetCaption(QStringLiteral("Plamkov"));
    SetOuterSize(800, 556);
    SetCentered(true);
    SetBorderIcons(static_cast<int>(tk::BorderIcon::SystemMenu) | static_cast<int>(tk::BorderIcon::Minimize));
    SetResizable(false);
    OnShow = [this] { FormShow(); };
    OnClose = [this] { FormClose(); };

    Timer1 = new tk::TTimer(this);
    Timer2 = new tk::TTimer(this);
    Timer3 = new tk::TTimer(this);
    for (tk::TTimer* timer : {Timer1, Timer2, Timer3}) {
        timer->SetInterval(fire::kTickInterval);
        timer->SetEnabled(false);
    }
    Timer1->OnTimer = [this] { Timer1Timer(); };
    Timer2->OnTimer = [this] { Timer2Timer(); };
    Timer3->OnTimer = [this] { Timer3Timer(); };

    // The six panels, bottom to top. Only the start panel shows at first: the others are filled
    // once the window is on the screen, before anything can show them.
    for (const HouseWiring& wiring : kHouseWirings)
        this->*wiring.panel = NewPanel(*this);
    nextlevel = NewPanel(*this);
    konechry = NewPanel(*this);
    BuildStartPanel();
    LoadThumbnails(*this);
    tk::App().AfterFirstPaint([form = QPointer<TForm2>(this)] {
        if (form == nullptr)
            return;
        for (const fire::HouseLayout& layout : fire::HouseLayouts())
            form->BuildHouse(layout);
        form->BuildNextRoundPanel();
        form->BuildGameOverPanel();
        LoadScenePictures(*form);
    });
}

TForm2::House& TForm2::HouseOf(HouseId id) {
    return houses_[SlotOf(id)];
}

tk::TImage* TForm2::Hotspot(const QString& image) const {
    const auto layouts = fire::HotspotLayouts();
    for (std::size_t i = 0; i < layouts.size(); ++i) {
        if (image == QLatin1String(layouts[i].image))
            return this->*kHotspotWirings[i].control;
    }
    return nullptr;
}

void TForm2::BuildHouse(const fire::HouseLayout& layout) {
    House& house = HouseOf(layout.house);
    house.id = layout.house;

    const HouseWiring& wiring = WiringOf(layout.house);
    tk::TPanel* panel = this->*wiring.panel;

    // The background has no click handler: a click beside the burning hotspots does nothing.
    const HouseArt& art = fire::ArtOf(layout.house);
    auto* background = new tk::TImage(panel);
    PlaceImage(background, art.background);

    house.hotspots.assign(art.hotspots.size(), nullptr);
    const auto layouts = fire::HotspotLayouts();
    for (std::size_t i = 0; i < layouts.size(); ++i) {
        const fire::HotspotLayout& spot = layouts[i];
        if (spot.house != layout.house)
            continue;
        auto* image = new tk::TImage(panel);
        PlaceImage(image, art.hotspots[static_cast<std::size_t>(spot.index)]);
        image->SetVisible(false);
        image->Tag = 0;
        const auto click = kHotspotWirings[i].click;
        image->OnClick = [this, click] { (this->*click)(); };
        this->*kHotspotWirings[i].control = image;
        house.hotspots[static_cast<std::size_t>(spot.index)] = image;
    }

    auto makeLabel = [&](QPoint at, const QString& caption) {
        auto* label = new tk::TLabel(panel);
        label->SetFontHeight(fire::kLabelFontHeight);
        label->SetColor(layout.labelColor);
        label->SetAutoSize(true);
        label->SetCaption(caption);
        label->SetLeft(at.x());
        label->SetTop(at.y());
        return label;
    };
    house.panel = panel;
    house.timeLabel = makeLabel(layout.timeLabel, QStringLiteral("Čas:"));
    house.countLabel = makeLabel(layout.countLabel, QStringLiteral("Uhašeno:"));

    this->*wiring.background = background;
    this->*wiring.timeLabel = house.timeLabel;
    this->*wiring.countLabel = house.countLabel;
    house.timer = this->*wiring.timer;
}

void TForm2::BuildNextRoundPanel() {
    nextlevel->SetFontHeight(kBigFontHeight);
    nextlevel->SetCaption(QStringLiteral("Další kolo"));

    Button3 = new tk::TButton(nextlevel);
    Button3->SetBounds(296, 304, 201, 57);
    Button3->SetFontHeight(kBigFontHeight);
    Button3->SetCaption(QStringLiteral("Pokračovat"));
    Button3->OnClick = [this] { Button3Click(); };
}

void TForm2::BuildGameOverPanel() {
    konechry->SetFontHeight(kBigFontHeight);

    auto makeLabel = [&](int left, int top, int width, int height, const QString& caption) {
        auto* label = new tk::TLabel(konechry);
        label->SetFontHeight(kBigFontHeight);
        label->SetBounds(left, top, width, height);
        label->SetCaption(caption);
        return label;
    };
    Label1 = makeLabel(312, 104, 143, 37, QStringLiteral("Konec hry"));
    Label2 = makeLabel(312, 184, 157, 37, QStringLiteral("Tvé skóre: "));

    Edit1 = new tk::TEdit(konechry);
    Edit1->SetBounds(304, 304, 177, 21);
    Edit1->SetFontHeight(tk::kDefaultFontHeight);
    Edit1->SetText(QStringLiteral("Napiš své jméno:"));

    Button4 = new tk::TButton(konechry);
    Button4->SetBounds(336, 352, 89, 33);
    Button4->SetFontHeight(tk::kDefaultFontHeight);
    Button4->SetCaption(QStringLiteral("Zapsat"));
    Button4->OnClick = [this] { Button4Click(); };
}

void TForm2::BuildStartPanel() {
    vyberstart = new tk::TPanel(this);
    vyberstart->SetBounds(kPanelBounds.x(), kPanelBounds.y(), kPanelBounds.width(), kPanelBounds.height());
    vyberstart->SetVisible(true);

    GroupBox1 = new tk::TGroupBox(vyberstart);
    GroupBox1->SetBounds(24, 72, 737, 241);
    GroupBox1->SetFontHeight(kTitleFontHeight);
    GroupBox1->SetCaption(QStringLiteral("Vyber si dům"));

    auto makeThumb = [&](int left) {
        auto* image = new tk::TImage(GroupBox1);
        image->SetBounds(left, 40, 185, 161);
        return image;
    };
    Image1 = makeThumb(32);
    Image2 = makeThumb(272);
    Image3 = makeThumb(512);

    auto makeRadio = [&](int left) {
        auto* radio = new tk::TRadioButton(GroupBox1);
        radio->SetBounds(left, 208, 17, 17);
        return radio;
    };
    RadioButton1 = makeRadio(120);
    RadioButton2 = makeRadio(360);
    RadioButton3 = makeRadio(600);
    RadioButton1->SetChecked(true);

    RadioGroup1 = new tk::TRadioGroup(vyberstart);
    RadioGroup1->SetBounds(24, 344, 129, 81);
    RadioGroup1->SetFontHeight(kTitleFontHeight);
    RadioGroup1->SetCaption(QStringLiteral("rychlost:"));
    RadioGroup1->SetItems({QStringLiteral("malá"), QStringLiteral("střední"), QStringLiteral("velká")});
    RadioGroup1->SetItemIndex(0);

    Button1 = new tk::TButton(vyberstart);
    Button1->SetBounds(168, 472, 81, 25);
    Button1->SetCaption(QStringLiteral("Start"));
    Button1->OnClick = [this] { Button1Click(); };

    Label3 = new tk::TLabel(vyberstart);
    Label3->SetFontHeight(kTitleFontHeight);
    Label3->SetBounds(360, 472, 44, 24);
    Label3->SetCaption(QStringLiteral("nebo"));

    Button2 = new tk::TButton(vyberstart);
    Button2->SetBounds(544, 472, 73, 25);
    Button2->SetCaption(QStringLiteral("Velká hra"));
    Button2->OnClick = [this] { Button2Click(); };
}

void TForm2::StartHouse(HouseId id) {
    House& house = HouseOf(id);
    house.panel->SetVisible(true);
    house.timer->SetEnabled(true);
}

void TForm2::FormShow() {
    fire::Round().campaignStage = 0;
}

void TForm2::FormClose() {
    tk::App().Terminate();
}

void TForm2::Button1Click() {
    fire::RoundState& round = fire::Round();
    tk::Randomize();
    vyberstart->SetVisible(false);
    round.timeLeft = fire::kRoundTicks;
    const std::pair<tk::TRadioButton*, HouseId> choices[] = {
        {RadioButton1, HouseId::FamilyHouse}, {RadioButton2, HouseId::Villa}, {RadioButton3, HouseId::Block}};
    for (const auto& [radio, house] : choices) {
        if (radio->Checked()) {
            StartHouse(house);
            TableNumber = static_cast<std::uint8_t>(house);
        }
    }
    const int speed = RadioGroup1->ItemIndex();
    if (speed >= 0 && speed < static_cast<int>(std::size(fire::kSpeedIntervals))) {
        round.spawnInterval = fire::kSpeedIntervals[speed];
        TableNumber = static_cast<std::uint8_t>(TableNumber + 3 * speed);
    }
    round.firesPutOut = 0;
    round.total = 0;
}

void TForm2::Button2Click() {
    fire::RoundState& round = fire::Round();
    if (round.campaignStage != 0)
        return;
    TableNumber = 0;
    round.campaignStage = 1;
    round.spawnInterval = fire::kCampaignFirstInterval;
    Panrd->SetVisible(true);
    tk::Randomize();
    vyberstart->SetVisible(false);
    round.timeLeft = fire::kRoundTicks;
    round.firesPutOut = 0;
    round.total = 0;
    Timer1->SetEnabled(true);
}

void TForm2::Button3Click() {
    fire::RoundState& round = fire::Round();
    round.spawnInterval = fire::IntervalAfterStage(round.campaignStage, round.spawnInterval);
    round.total += round.firesPutOut;
    round.firesPutOut = 0;
    round.timeLeft = fire::kRoundTicks;
    round.campaignStage = fire::NextCampaignStage(round.campaignStage);
    nextlevel->SetVisible(false);
    // The previous stage's house panel, which its last tick hid already.
    switch (fire::CampaignHouse(round.campaignStage)) {
    case HouseId::FamilyHouse:
        Pan->SetVisible(false);
        break;
    case HouseId::Villa:
        Panrd->SetVisible(false);
        break;
    case HouseId::Block:
        Panvila->SetVisible(false);
        break;
    }
    StartHouse(fire::CampaignHouse(round.campaignStage));
}

void TForm2::Button4Click() {
    // A failure here (the score table's file, a score in it that is not a number) goes up to the
    // error box and leaves the game-over panel up, so "Zapsat" can be pressed again.
    Form3->ShowTable(Form2->TableNumber);
    const QString name = Edit1->Text();
    Form3->ConsiderNewScore(fire::Round().total, name);
    vyberstart->SetVisible(true);
    konechry->SetVisible(false);
}
