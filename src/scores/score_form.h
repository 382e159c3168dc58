// SPDX-License-Identifier: GPL-3.0-or-later
// The score table window: one table of ten ranked rows, loaded from and saved to its file.
#pragma once

#include "toolkit/ui/controls.h"

#include <QString>

#include <cstdint>

class TForm3 : public tk::TForm {
    Q_OBJECT
public:
    TForm3();

    // Makes `tableNumber` the current table and shows the window (its OnShow loads and saves that
    // table) or, when it is shown already, brings it to the front and runs the same steps itself.
    void ShowTable(std::uint8_t tableNumber);
    // Sets the header, loads the current table's file (or the empty table when there is none) and
    // saves it at once. Shows its own load and save errors in the error box.
    void FormShow();
    // Writes the grid to the current table's file. Raises EInOutError.
    void SaveHighScores();
    // Puts the score in at its rank and saves, or does nothing when it does not enter the table.
    // Raises EConvertError for a score cell that is not a number and EInOutError when saving fails.
    void ConsiderNewScore(std::int32_t score, const QString& name);

    tk::TStringGrid* StringGrid1 = nullptr;

    // The table every load and save uses (hiscore<number>.dat): the game that shows the window
    // names it, so the score table knows nothing of the game.
    std::uint8_t TableNumber = 0;

protected:
    void resizeEvent(QResizeEvent* event) override;
};

// The score table window, set at start-up and valid to the end of the run.
extern TForm3* Form3;
