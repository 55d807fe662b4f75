#pragma once
// The nutrient column selector: a small modal dialog with one check box per
// nutrient (or group of columns), pre-set from the visibility of the grid
// columns. "确   定" sets the columns of every given grid to the boxes, runs the
// window's follow-up (afterApplied) and closes; "取    消" closes without change.
//
// TBasicNutri is the general nutrient form (EDIBLE and the composition block,
// "ALL" box); the windows of the browser and the workbench derive from it and
// differ in caption, grids and follow-up. The protected constructor takes any
// other selector layout (amino acids, fatty acids) with the same behaviour.
#include "foods/NutrientColumns.h"

#include <QDialog>
#include <QList>
#include <QPointer>

class DataGrid;
class QCheckBox;
class QPushButton;

class TBasicNutri : public QDialog
{
    Q_OBJECT
public:
    // The general nutrient selector on grids: the boxes are pre-set from the
    // first grid that has each column; applying sets every grid that has it.
    explicit TBasicNutri(const QList<DataGrid *> &grids, QWidget *parent = nullptr);
    ~TBasicNutri() override;

    const nqb::selector::ColumnChoice &choice() const { return m_choice; }
    // The check box named name (shown or hidden), or nullptr.
    QCheckBox *box(const QString &name) const;

public slots:
    // "确   定".
    void Apply();

protected:
    TBasicNutri(const nqb::selector::SelectorLayout &layout, const QString &caption, const QString &titleBand,
                const QList<DataGrid *> &grids, QWidget *parent);

    // Runs after the columns were set, before the dialog closes.
    virtual void afterApplied() {}

    // Boxes from the grids' current column visibility ("ALL" stays as it is).
    void presetFromGrids();

private:
    void buildUi(const QString &titleBand);
    void boxToggled(int index, bool on);
    void allToggled(bool on);
    void showChoice();

    nqb::selector::ColumnChoice m_choice;
    QList<QPointer<DataGrid>> m_grids;
    QList<QCheckBox *> m_boxes;
    QCheckBox *m_all = nullptr;
    QPushButton *Accept_btn = nullptr;
    QPushButton *Cancel_btn = nullptr;
    bool m_showing = false;
};
