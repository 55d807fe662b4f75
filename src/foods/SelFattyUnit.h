#pragma once
// The browser's fatty-acid column selector ("脂肪酸选择"): one box per group
// of columns (fatty acids, saturated, mono- and polyunsaturated shares, the
// unknown share), each switching its whole run. The food name and the filler
// column belong to no box.
#include "foods/BasicNutriUnit.h"

class TSelFatty : public TBasicNutri
{
    Q_OBJECT
public:
    explicit TSelFatty(DataGrid *fattyGrid, QWidget *parent = nullptr);
};
