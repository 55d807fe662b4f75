#include "diners/DietKindList.h"

#include "diners/Requirements.h"

namespace nqb {

NameListDescription dietKindList()
{
    NameListDescription d;
    d.table = QStringLiteral("DRIsIllKind_tb");
    d.nameColumn = QStringLiteral("MEALKIND");
    d.reservedNames << normalDietKind();
    NameListReference amendments;
    amendments.table = QStringLiteral("DRIsIll_tb");
    amendments.column = QStringLiteral("MEALKIND");
    amendments.followsRename = true;
    d.references << amendments;

    d.emptyName = {QStringLiteral("食物名不能为空!"), MessageTone::Warning};
    d.duplicate = {QStringLiteral("对不起,该类别已存在!"), MessageTone::Information};
    d.renameEmptyName = {QStringLiteral("食物名不能为空！"), MessageTone::Warning};
    d.renameDuplicate = {QStringLiteral("已存在"), MessageTone::Information};
    d.inUse = {QStringLiteral("请务必清空该类别下的种类!"), MessageTone::Information};
    d.confirmDelete = QStringLiteral("确认删除？");
    d.clearRefusedName = true;

    d.texts.windowTitle = QStringLiteral("编辑");
    d.texts.nameTitle = QStringLiteral("膳   食   种   类");
    d.texts.nameLabel = QStringLiteral("膳食种类：");
    d.texts.oldNameLabel = QStringLiteral("原膳食种类为：");

    d.controls.editor = QStringLiteral("TDRIsAmendEditKind");
    d.controls.nameEdit = QStringLiteral("MealKind_edt");
    d.controls.renameDialog = QStringLiteral("TDRIsAmendEditKindSub");
    d.controls.oldName = QStringLiteral("OldKind_edt");
    d.controls.newName = QStringLiteral("NewKind_edt");
    return d;
}

} // namespace nqb
