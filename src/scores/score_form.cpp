// SPDX-License-Identifier: GPL-3.0-or-later
#include "scores/score_form.h"

#include "scores/score_file.h"
#include "toolkit/text/files.h"
#include "toolkit/ui/application.h"
#include "toolkit/ui/sound.h"

#include <QPointer>

namespace {

constexpr int kOuterWidth = 141;
constexpr int kOuterHeight = 313;
constexpr int kCellWidth = 64;
constexpr int kCellHeight = 24;
constexpr int kFixedRows = 1;

// The grid seen as a score table.
class GridCells : public scores::ScoreCells {
public:
    explicit GridCells(tk::TStringGrid& grid) : grid_(grid) {}
    QString Cell(int col, int row) const override { return grid_.Cell(col, row); }
    void SetCell(int col, int row, const QString& text) override { grid_.SetCell(col, row, text); }

private:
    tk::TStringGrid& grid_;
};

} // namespace

TForm3* Form3 = nullptr;

TForm3::TForm3() {
    SetCaption(QStringLiteral("Hiscore"));
    SetOuterSize(kOuterWidth, kOuterHeight);
    SetBorderIcons(static_cast<int>(tk::BorderIcon::SystemMenu));
    SetResizable(true);
    SetCentered(true);
    SetFontHeight(tk::kDefaultFontHeight);

    OnShow = [this] { FormShow(); };
    // The table is shown only after a game: its grid is made once the fire window is on the screen.
    tk::App().AfterFirstPaint([form = QPointer<TForm3>(this)] {
        if (form == nullptr)
            return;
        form->StringGrid1 = new tk::TStringGrid(form);
        form->StringGrid1->SetDimensions(scores::kColCount, scores::kRowCount, kFixedRows);
        form->StringGrid1->SetCellSize(kCellWidth, kCellHeight);
        const QSize client = form->ClientSize();
        form->StringGrid1->SetBounds(0, 0, client.width(), client.height());
    });
}

void TForm3::resizeEvent(QResizeEvent* event) {
    tk::TForm::resizeEvent(event);
    // The grid fills the client area whatever size the player gives the window.
    if (StringGrid1 != nullptr) {
        const QSize client = ClientSize();
        StringGrid1->SetBounds(0, 0, client.width(), client.height());
    }
}

void TForm3::ShowTable(std::uint8_t tableNumber) {
    TableNumber = tableNumber;
    if (Visible()) {
        Show(); // brings it to the front; no OnShow for a window that is shown already
        FormShow();
    } else {
        Show();
    }
}

void TForm3::FormShow() {
    GridCells cells(*StringGrid1);
    scores::SetHeader(cells);
    // A table that cannot be read or written is reported here; the window stays shown with
    // whatever the grid holds, and the game can still try to put its score in.
    tk::App().Invoke([this, &cells] {
        const QString path = scores::ScoreFilePath(TableNumber);
        if (tk::FileExists(path)) {
            scores::LoadTable(path, cells);
        } else {
            scores::FillEmptyTable(cells);
        }
        SaveHighScores();
    });
}

void TForm3::SaveHighScores() {
    scores::SaveTable(scores::ScoreFilePath(TableNumber), GridCells(*StringGrid1));
}

void TForm3::ConsiderNewScore(std::int32_t score, const QString& name) {
    GridCells cells(*StringGrid1);
    if (scores::InsertScore(cells, score, name)) {
        SaveHighScores();
        tk::PlaySound(QStringLiteral("fanfare")); // once it is in the file: a failed save plays none
    }
}
