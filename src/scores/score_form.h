// The score table window: one table of ten ranked rows, loaded from and saved to its file.
#pragma once

#include "toolkit/ui/controls.h"

#include <QString>

#include <cstdint>
#include <functional>

class TForm3 : public tk::TForm {
    Q_OBJECT
public:
    TForm3();

    // Shows the window (its OnShow loads and saves the table of the current table number) or,
    // when it is shown already, brings it to the front and runs the same steps itself.
    void ShowTable();
    // Sets the header, loads the current table's file (or the empty table when there is none) and
    // saves it at once. Shows its own load and save errors in the error box.
    void FormShow();
    // Writes the grid to the current table's file. Raises EInOutError.
    void SaveHighScores();
    // Puts the score in at its rank and saves, or does nothing when it does not enter the table.
    // Raises EConvertError for a score cell that is not a number and EInOutError when saving fails.
    void ConsiderNewScore(std::int32_t score, const QString& name);

    tk::TStringGrid* StringGrid1 = nullptr;

    // The number of the table that is current, asked at every load and save. The fire game answers
    // it (it sets this when it is built), so that the score table knows nothing of the game.
    static inline std::function<std::uint8_t()> CurrentTableNumber;

protected:
    void resizeEvent(QResizeEvent* event) override;
};

// The score table window, set at start-up and valid to the end of the run.
extern TForm3* Form3;
