#include "foods/CustomFoodKindUnit.h"

#include "foods/CategoryLists.h"

TCustomFoodKind::TCustomFoodKind(QWidget *parent)
    : NameListEditor(nqb::foodSubGroupList(), parent)
{
}

bool TCustomFoodKind::run(QWidget *parent)
{
    TCustomFoodKind window(parent);
    window.exec();
    return window.wasChanged();
}
