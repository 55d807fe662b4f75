#include "diners/DRIsAmendEditKindUnit.h"

#include "diners/DietKindList.h"
#include "widgets/NameListEditor.h"

bool TDRIsAmendEditKind::run(QWidget *parent)
{
    return NameListEditor::run(parent, nqb::dietKindList());
}
