#include "foods/SelAminoUnit.h"

TSelAmino::TSelAmino(DataGrid *aminoGrid, QWidget *parent)
    : TBasicNutri(nqb::selector::aminoAcidLayout(), QStringLiteral("氨基酸选择"), QStringLiteral("食 物 氨 基 酸"),
                  QList<DataGrid *>{aminoGrid}, parent)
{
    setObjectName(QStringLiteral("TSelAmino"));
}
