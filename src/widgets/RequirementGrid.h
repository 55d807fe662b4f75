#pragma once
// RequirementGrid: the requirement matrix as the pair of string grids the
// profile windows show (StrGrid1 with nutrients 0–12, StrGrid2 with 13–25).
//
// Each grid has 4 rows and 14 columns: row 0 holds the nutrient headers,
// column 0 the row names ("名    称", "标    值", "下    限", "上    限"); both are
// fixed. The body cells (grid rows 1–3 = matrix rows RniRow, EarRow, UlRow)
// are centred on one line and accept only digits and "." when typed.
//
// Rows in this interface are matrix rows (0–2), nutrients 0-based positions
// in the requirement block. Texts set by the program (setMatrix, setText) do
// not emit cellEdited; a change of a body cell by anything else (typing, or
// another caller writing the item) does.
#include "diners/Requirements.h"

#include <QWidget>

class QTableWidget;
class QTableWidgetItem;

class RequirementGrid : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kPerGrid = 13;    // nutrients per grid
    static constexpr int kGridRows = 4;    // header row + three matrix rows
    static constexpr int kGridColumns = 14; // row names + 13 nutrients

    explicit RequirementGrid(QWidget *parent = nullptr);

    // The whole matrix as the cells show it / shows m in the cells.
    nqb::RequirementMatrix matrix() const;
    void setMatrix(const nqb::RequirementMatrix &m);
    // Every body cell empty.
    void clear();

    // One body cell.
    QString text(int row, int nutrient) const;
    void setText(int row, int nutrient, const QString &text);
    // The cell as a number: empty is 0; a text that is not a number gives 0 and ok = false.
    double value(int row, int nutrient, bool *ok = nullptr) const;
    void setValue(int row, int nutrient, double value);

    // Read-only grids show the matrix but open no editor.
    void setReadOnly(bool readOnly);
    bool isReadOnly() const { return m_readOnly; }

    // Selects the body cell and gives its grid the focus (e.g. a cell refused on confirmation).
    void focusCell(int row, int nutrient);

    // The inner grids (0: StrGrid1, 1: StrGrid2) and the grid and column of a nutrient.
    QTableWidget *grid(int index) const;
    QTableWidget *gridOf(int nutrient) const;
    static int columnOf(int nutrient);
    // The nutrient of a grid column (-1 for the row-name column or a foreign grid).
    int nutrientAt(const QTableWidget *grid, int column) const;

signals:
    // A body cell's text was changed other than through setMatrix / setText.
    void cellEdited(int nutrient, int row);
    // A body cell became the current cell of its grid (selected by click or keys).
    void cellSelected(int nutrient, int row);

private:
    QTableWidget *makeGrid(const QString &name);
    void writeFixedTexts();
    QTableWidgetItem *bodyItem(int row, int nutrient) const;

    QTableWidget *m_grids[2] = {nullptr, nullptr};
    bool m_writing = false;
    bool m_readOnly = false;
};
