#include "foods/SelFattyUnit.h"

TSelFatty::TSelFatty(DataGrid *fattyGrid, QWidget *parent)
    : TBasicNutri(nqb::selector::fattyAcidLayout(), QStringLiteral("脂肪酸选择"), QStringLiteral("食 物 脂 肪 酸"),
                  QList<DataGrid *>{fattyGrid}, parent)
{
    setObjectName(QStringLiteral("TSelFatty"));
}
