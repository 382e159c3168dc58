// SPDX-License-Identifier: GPL-3.0-or-later
// A score table as cell texts (rows 1 to 10 of score and name, row 0 the header), its file of
// 20 Windows-1250 lines, and the rule that puts a new score in at its rank.
#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace scores {

inline constexpr int kScoreCol = 0;
inline constexpr int kNameCol = 1;
inline constexpr int kColCount = 2;
inline constexpr int kHeaderRow = 0;
inline constexpr int kFirstRow = 1;
inline constexpr int kLastRow = 10;
inline constexpr int kRowCount = kLastRow + 1;

inline const QString kScoreHeader = QStringLiteral(" Score");
inline const QString kNameHeader = QStringLiteral(" Name");
inline const QString kEmptyScore = QStringLiteral("        0");
inline const QString kEmptyName = QStringLiteral("--prázdný--");

// Where the texts of a table live: the window's grid, or a plain array. Scores are kept only as
// these texts and converted each time a comparison needs one.
class ScoreCells {
public:
    virtual ~ScoreCells() = default;
    virtual QString Cell(int col, int row) const = 0;
    virtual void SetCell(int col, int row, const QString& text) = 0;
};

// A table held in memory, all cells empty at first.
class TextCells : public ScoreCells {
public:
    QString Cell(int col, int row) const override { return cells_.at(col).at(row); }
    void SetCell(int col, int row, const QString& text) override { cells_.at(col).at(row) = text; }

private:
    std::array<std::array<QString, kRowCount>, kColCount> cells_;
};

// "hiscore" + table number in decimal + ".dat".
QString ScoreFileName(std::uint8_t tableNumber);
// The file of that table in the current directory of this moment.
QString ScoreFilePath(std::uint8_t tableNumber);

void SetHeader(ScoreCells& cells);
// Ten rows of "        0" and "--prázdný--".
void FillEmptyTable(ScoreCells& cells);

// Reads the file's lines into rows 1 to 10, score line then name line; missing lines give empty
// cells, lines after the 20th are ignored, nothing is checked. Raises EInOutError; the cells read
// before the error keep their new texts.
void LoadTable(const QString& path, ScoreCells& cells);
// Writes the 20 lines byte for byte as the cells hold them. The old file is replaced only once
// the new one is whole on disk. Raises EInOutError.
void SaveTable(const QString& path, const ScoreCells& cells);

// The text a new entry's score cell gets: two spaces and the score in decimal.
QString ScoreText(std::int32_t score);
// The name with everything left out that could not be stored as typed: line ends, byte 26 and
// other control characters (they would change the file's lines) and characters that Windows-1250
// has no byte for.
QString StorableName(const QString& name);

// The row (1 to 10) a score goes to: the first whose score is not greater, ties going above; or
// nothing when even row 10 is greater. Converts only the score cells it reads; raises
// EConvertError for one that is not a number.
std::optional<int> RankFor(const ScoreCells& cells, std::int32_t score);
// Puts the score and the storable name in at their rank, moving the rows below down by one and
// dropping the old row 10. Returns false (and changes nothing) when the score does not enter.
bool InsertScore(ScoreCells& cells, std::int32_t score, const QString& name);

} // namespace scores
