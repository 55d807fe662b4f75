#include "foods/SHFoodSelNutriUnit.h"

TSHFoodSelNutri::TSHFoodSelNutri(DataGrid *nutrientGrid, QWidget *parent)
    : TBasicNutri(QList<DataGrid *>{nutrientGrid}, parent)
{
    setObjectName(QStringLiteral("TSHFoodSelNutri"));
    setWindowTitle(QStringLiteral("一般营养成分选择"));
}
