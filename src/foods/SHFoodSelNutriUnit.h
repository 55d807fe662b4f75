#pragma once
// The browser's general nutrient column selector ("一般营养成分选择"): pre-set
// from the nutrient page's grid (EDIBLE and the composition block) and, on
// "确   定", sets the same columns of that grid.
#include "foods/BasicNutriUnit.h"

class TSHFoodSelNutri : public TBasicNutri
{
    Q_OBJECT
public:
    explicit TSHFoodSelNutri(DataGrid *nutrientGrid, QWidget *parent = nullptr);
};
