// The fire game window: start panel, three house scenes, next-round and game-over panels. Any
// number of these windows may exist; each has its own controls and all share the round state.
#pragma once

#include "fire/fire_rules.h"
#include "fire/house_scenes.h"
#include "toolkit/ui/controls.h"
#include "toolkit/ui/timer.h"

#include <array>
#include <cstdint>
#include <vector>

class TForm2 : public tk::TForm {
    Q_OBJECT
public:
    explicit TForm2(tk::TForm* owner = nullptr);

    // Which score table the game belongs to: house + 3 x speed index, 0 for the campaign.
    std::uint8_t TableNumber = 0;

    // One house as the round engine drives it.
    struct House {
        fire::HouseId id = fire::HouseId::FamilyHouse;
        tk::TPanel* panel = nullptr;
        tk::TTimer* timer = nullptr;
        tk::TLabel* timeLabel = nullptr;
        tk::TLabel* countLabel = nullptr;
        std::vector<tk::TImage*> hotspots; // in index order
    };
    House& HouseOf(fire::HouseId id);
    // A hotspot image by its name ("rdd", "pao11", ...); nullptr for an unknown name.
    tk::TImage* Hotspot(const QString& image) const;

    // The round engine: one tick of a house's round, and a click on a burning hotspot.
    void TickHouse(House& house);
    void PutOutFire(House& house, int index);

    // The game flow.
    void FormShow();
    void FormClose();
    void Button1Click(); // "Start"
    void Button2Click(); // "Velká hra"
    void Button3Click(); // "Pokračovat"
    void Button4Click(); // "Zapsat"

    void Timer1Timer();
    void Timer2Timer();
    void Timer3Timer();

#define PLAMKOV_DECLARE_HOTSPOT(image, ...) void image##Click();
    PLAMKOV_FIRE_HOTSPOTS(PLAMKOV_DECLARE_HOTSPOT)
#undef PLAMKOV_DECLARE_HOTSPOT

    // Panels, bottom to top.
    tk::TPanel* Pan = nullptr;
    tk::TPanel* Panrd = nullptr;
    tk::TPanel* Panvila = nullptr;
    tk::TPanel* nextlevel = nullptr;
    tk::TPanel* konechry = nullptr;
    tk::TPanel* vyberstart = nullptr;

    // House scenes.
    tk::TImage* panelak = nullptr;
    tk::TImage* rd = nullptr;
    tk::TImage* vila = nullptr;
#define PLAMKOV_DECLARE_HOTSPOT(image, ...) tk::TImage* image = nullptr;
    PLAMKOV_FIRE_HOTSPOTS(PLAMKOV_DECLARE_HOTSPOT)
#undef PLAMKOV_DECLARE_HOTSPOT
    tk::TLabel* casp = nullptr;
    tk::TLabel* uhasp = nullptr;
    tk::TLabel* casrd = nullptr;
    tk::TLabel* uhasrd = nullptr;
    tk::TLabel* casv = nullptr;
    tk::TLabel* uhasv = nullptr;
    tk::TTimer* Timer1 = nullptr;
    tk::TTimer* Timer2 = nullptr;
    tk::TTimer* Timer3 = nullptr;

    // Start panel.
    tk::TGroupBox* GroupBox1 = nullptr;
    tk::TImage* Image1 = nullptr;
    tk::TImage* Image2 = nullptr;
    tk::TImage* Image3 = nullptr;
    tk::TRadioButton* RadioButton1 = nullptr;
    tk::TRadioButton* RadioButton2 = nullptr;
    tk::TRadioButton* RadioButton3 = nullptr;
    tk::TRadioGroup* RadioGroup1 = nullptr;
    tk::TButton* Button1 = nullptr;
    tk::TLabel* Label3 = nullptr;
    tk::TButton* Button2 = nullptr;

    // Next-round panel.
    tk::TButton* Button3 = nullptr;

    // Game-over panel.
    tk::TLabel* Label1 = nullptr;
    tk::TLabel* Label2 = nullptr;
    tk::TEdit* Edit1 = nullptr;
    tk::TButton* Button4 = nullptr;

private:
    void BuildHouse(const fire::HouseLayout& layout);
    void BuildStartPanel();
    void BuildNextRoundPanel();
    void BuildGameOverPanel();
    // Shows a house's panel and starts its clock.
    void StartHouse(fire::HouseId id);

    std::array<House, fire::kHouseCount> houses_;
};

// The fire game window: the main window, or the latest one the launcher opened.
extern TForm2* Form2;
