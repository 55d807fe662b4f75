#pragma once
// PickList: the two-column list of food or dish names to pick from.
//
// A plain QTableWidget (the pick-list fill function writes its cells):
// two columns sharing the width, no titles, read-only. A double click or
// Enter on a non-empty cell emits picked(name); a click on one emits
// nameClicked(name).
#include <QTableWidget>

class PickList : public QTableWidget
{
    Q_OBJECT
public:
    explicit PickList(QWidget *parent = nullptr);

    // Writes names two per row, left to right, top to bottom.
    void setNames(const QStringList &names);
    // The non-empty cells row by row.
    QStringList names() const;
    QString currentName() const;

signals:
    void picked(const QString &name);
    void nameClicked(const QString &name);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    QString nameAt(int row, int column) const;
};
