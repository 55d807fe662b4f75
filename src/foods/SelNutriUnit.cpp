#include "foods/SelNutriUnit.h"

TSelNutri::TSelNutri(const QList<DataGrid *> &grids, std::function<void()> afterApply, QWidget *parent)
    : TBasicNutri(grids, parent)
    , m_afterApply(std::move(afterApply))
{
    setObjectName(QStringLiteral("TSelNutri"));
    setWindowTitle(QStringLiteral("一般成分选择"));
}

void TSelNutri::afterApplied()
{
    if (m_afterApply)
        m_afterApply();
}
