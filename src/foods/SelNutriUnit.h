#pragma once
// The workbench's nutrient column selector ("一般成分选择"). It is pre-set from
// the workbench's totals grid and, on "确   定", sets the nutrient columns of
// every grid it was given (the totals grid, the meal-slot grid on show, the
// chooser's composition grid) and then lets the workbench refresh, which
// re-evaluates only the nutrients whose columns are visible.
#include "foods/BasicNutriUnit.h"

#include <functional>

class TSelNutri : public TBasicNutri
{
    Q_OBJECT
public:
    // grids: the totals grid first (it pre-sets the boxes), then the others;
    // null entries are skipped. afterApply runs once after the columns are set.
    TSelNutri(const QList<DataGrid *> &grids, std::function<void()> afterApply, QWidget *parent = nullptr);

protected:
    void afterApplied() override;

private:
    std::function<void()> m_afterApply;
};
