#pragma once
// The browser's amino-acid column selector ("氨基酸选择"): one box per amino
// acid column, the three group boxes taking their members with them, and the
// "All" box. The filler column of the grid belongs to no box.
#include "foods/BasicNutriUnit.h"

class TSelAmino : public TBasicNutri
{
    Q_OBJECT
public:
    explicit TSelAmino(DataGrid *aminoGrid, QWidget *parent = nullptr);
};
