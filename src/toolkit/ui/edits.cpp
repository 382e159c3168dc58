// The edit box and the string grid.
#include "toolkit/ui/controls.h"
#include "toolkit/ui/controls_internal.h"

#include "toolkit/text/cp1250.h"
#include "toolkit/text/errors.h"

#include <QHeaderView>

#include <algorithm>

namespace tk {

// ---- TEdit ----------------------------------------------------------------------------------------

namespace {

QString TypableOnly(const QString& text) {
    QString kept;
    kept.reserve(text.size());
    for (QChar c : text) {
        if (cp1250::IsTypable(c))
            kept.append(c);
    }
    return kept;
}

} // namespace

TEdit::TEdit(TControl* parent) : QLineEdit(ParentClient(parent)), TControl(this) {
    // Typed and pasted text loses what a score file could not store; the cursor stays after
    // the characters that were before it.
    connect(this, &QLineEdit::textEdited, this, [this](const QString& edited) {
        const QString kept = TypableOnly(edited);
        if (kept == edited)
            return;
        const int cursor = cursorPosition();
        const int keptBeforeCursor = static_cast<int>(TypableOnly(edited.left(cursor)).size());
        setText(kept);
        setCursorPosition(keptBeforeCursor);
    });
    show();
}

void TEdit::SetText(const QString& text) {
    setText(TypableOnly(text));
}

void TEdit::SetFocus() {
    if (!isVisible() || !isEnabled() || !window()->isVisible() || !window()->isEnabled())
        throw EInvalidOperation(texts::kCannotFocus);
    window()->activateWindow();
    setFocus(Qt::OtherFocusReason);
    if (autoSelect_)
        selectAll();
}

// ---- TStringGrid ----------------------------------------------------------------------------------

TStringGrid::TStringGrid(TControl* parent) : QTableWidget(ParentClient(parent)), TControl(this) {
    horizontalHeader()->hide();
    verticalHeader()->hide();
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setShowGrid(true);
    setGridStyle(Qt::SolidLine);
    // A text longer than its cell is cut at the cell's edge, not shortened to "--...".
    setTextElideMode(Qt::ElideNone);
    setWordWrap(false);
    show();
}

void TStringGrid::SetDimensions(int colCount, int rowCount, int fixedRows) {
    setColumnCount(colCount);
    setRowCount(rowCount);
    fixedRows_ = std::clamp(fixedRows, 0, rowCount);
    for (int row = 0; row < rowCount; ++row) {
        for (int col = 0; col < colCount; ++col) {
            if (item(row, col) == nullptr)
                SetCell(col, row, QString());
        }
    }
    // The current cell starts on the first row below the header, as the player would pick it.
    if (fixedRows_ < rowCount && colCount > 0)
        setCurrentCell(fixedRows_, 0, QItemSelectionModel::NoUpdate);
}

void TStringGrid::SetCellSize(int width, int height) {
    horizontalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setDefaultSectionSize(width);
    verticalHeader()->setDefaultSectionSize(height);
    for (int col = 0; col < columnCount(); ++col)
        setColumnWidth(col, width);
    for (int row = 0; row < rowCount(); ++row)
        setRowHeight(row, height);
}

QString TStringGrid::Cell(int col, int row) const {
    const QTableWidgetItem* cell = item(row, col);
    return cell != nullptr ? cell->text() : QString();
}

void TStringGrid::SetCell(int col, int row, const QString& text) {
    if (col < 0 || row < 0 || col >= columnCount() || row >= rowCount())
        return;
    QTableWidgetItem* cell = item(row, col);
    if (cell == nullptr) {
        cell = new QTableWidgetItem();
        if (row < fixedRows_) {
            // The header rows look like buttons and cannot be selected.
            cell->setFlags(Qt::ItemIsEnabled);
            cell->setBackground(palette().color(QPalette::Button));
        } else {
            cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        }
        setItem(row, col, cell);
    }
    cell->setText(text);
}

} // namespace tk
