#include "scores/score_file.h"

#include "toolkit/text/cp1250.h"
#include "toolkit/text/files.h"
#include "toolkit/text/numbers.h"
#include "toolkit/text/text_file.h"

namespace scores {

QString ScoreFileName(std::uint8_t tableNumber) {
    return QStringLiteral("hiscore") + tk::IntToStr(tableNumber) + QStringLiteral(".dat");
}

QString ScoreFilePath(std::uint8_t tableNumber) {
    return tk::JoinPath(tk::GetCurrentDir(), ScoreFileName(tableNumber));
}

void SetHeader(ScoreCells& cells) {
    cells.SetCell(kScoreCol, kHeaderRow, kScoreHeader);
    cells.SetCell(kNameCol, kHeaderRow, kNameHeader);
}

void FillEmptyTable(ScoreCells& cells) {
    for (int row = kFirstRow; row <= kLastRow; ++row) {
        cells.SetCell(kScoreCol, row, kEmptyScore);
        cells.SetCell(kNameCol, row, kEmptyName);
    }
}

void LoadTable(const QString& path, ScoreCells& cells) {
    tk::TextFileReader reader(path);
    for (int row = kFirstRow; row <= kLastRow; ++row) {
        for (int col : {kScoreCol, kNameCol}) {
            // A short file is no error: the cells of its missing lines are empty.
            cells.SetCell(col, row, reader.AtEnd() ? QString() : tk::cp1250::Decode(reader.ReadLine()));
        }
    }
    reader.Close();
}

void SaveTable(const QString& path, const ScoreCells& cells) {
    tk::TextFileWriter writer(path);
    for (int row = kFirstRow; row <= kLastRow; ++row) {
        writer.WriteLine(tk::cp1250::Encode(cells.Cell(kScoreCol, row)));
        writer.WriteLine(tk::cp1250::Encode(cells.Cell(kNameCol, row)));
    }
    writer.Close();
}

QString ScoreText(std::int32_t score) {
    return QStringLiteral("  ") + tk::IntToStr(score);
}

QString StorableName(const QString& name) {
    QString storable;
    storable.reserve(name.size());
    for (QChar c : name) {
        if (tk::cp1250::IsTypable(c)) {
            storable.append(c);
        }
    }
    return storable;
}

std::optional<int> RankFor(const ScoreCells& cells, std::int32_t score) {
    int row = kFirstRow;
    while (row < kLastRow && tk::StrToInt(cells.Cell(kScoreCol, row)) > score) {
        ++row;
    }
    // The search ends at row 10 also when row 10 is better than the new score: look again.
    if (row == kLastRow && tk::StrToInt(cells.Cell(kScoreCol, kLastRow)) > score) {
        return std::nullopt;
    }
    return row;
}

bool InsertScore(ScoreCells& cells, std::int32_t score, const QString& name) {
    const std::optional<int> rank = RankFor(cells, score);
    if (!rank) {
        return false;
    }
    for (int row = kLastRow; row > *rank; --row) {
        cells.SetCell(kScoreCol, row, cells.Cell(kScoreCol, row - 1));
        cells.SetCell(kNameCol, row, cells.Cell(kNameCol, row - 1));
    }
    cells.SetCell(kScoreCol, *rank, ScoreText(score));
    cells.SetCell(kNameCol, *rank, StorableName(name));
    return true;
}

} // namespace scores
