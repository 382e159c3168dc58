// The score table window: one table of ten ranked rows, loaded from and saved to its file.
#pragma once

#include "app/toolkit/controls.h"

#include <QString>

#include <cstdint>

class TForm3 : public tk::TForm {
    Q_OBJECT
public:
    TForm3();

    // Shows the window (its OnShow loads and saves the table of the current table number) or,
    // when it is shown already, brings it to the front and runs the same steps itself.
    void ShowTable();
    void FormShow();
    void SaveHighScores();
    void ConsiderNewScore(std::int32_t score, const QString& name);

    tk::TStringGrid* StringGrid1 = nullptr;
};
