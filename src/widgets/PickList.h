#pragma once
// PickList: the two-column list of food or dish names to pick from.
//
// A table view over the list of names (no item or widget per name, so that a
// list of a hundred thousand names is set as quickly as one of ten): two
// columns sharing the width, no titles, read-only. Name i is in row i / 2,
// column i % 2. A double click or Enter on a non-empty cell emits
// picked(name); a click on one emits nameClicked(name).
//
// The cell calls of a table widget are kept (cellClicked, currentCellChanged,
// item(row, column)->text(), setCurrentCell), so that the windows address it
// by cells as before.
#include <QAbstractTableModel>
#include <QStringList>
#include <QTableView>

class PickList : public QTableView
{
    Q_OBJECT
public:
    // One cell's name, as item(row, column) returns it.
    class Cell
    {
    public:
        explicit Cell(const QString &text = {}) : m_text(text) {}
        QString text() const { return m_text; }

    private:
        QString m_text;
    };

    explicit PickList(QWidget *parent = nullptr);

    // Writes names two per row, left to right, top to bottom.
    void setNames(const QStringList &names);
    // The non-empty cells row by row.
    QStringList names() const;
    QString currentName() const;

    // ---- cells ----
    int rowCount() const;
    int columnCount() const { return 2; }
    // Shows at least rows rows (empty ones below the names).
    void setRowCount(int rows);
    // The cell's name; nullptr for an empty cell or one outside the list.
    const Cell *item(int row, int column) const;
    QRect visualItemRect(const Cell *cell) const;
    void setCurrentCell(int row, int column);
    int currentRow() const;
    int currentColumn() const;

signals:
    void picked(const QString &name);
    void nameClicked(const QString &name);
    void cellClicked(int row, int column);
    void cellDoubleClicked(int row, int column);
    void currentCellChanged(int currentRow, int currentColumn, int previousRow, int previousColumn);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    class Model;
    QString nameAt(int row, int column) const;

    Model *m_model;
};
