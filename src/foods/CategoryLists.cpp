#include "foods/CategoryLists.h"

#include "data/FunctionUnit.h"

namespace nqb {

QString customFoodGroup()
{
    return QStringLiteral("22");
}

NameListDescription foodSubGroupList()
{
    NameListDescription d;
    d.table = QStringLiteral("FoodKindSub_tb");
    d.idColumn = QStringLiteral("SubID");
    d.nameColumn = QStringLiteral("FoodGroupSub");
    d.filterColumn = QStringLiteral("FoodGroup");
    d.filterValue = customFoodGroup();
    d.storedWithId = true;
    NameListReference foods;
    foods.table = QStringLiteral("Nutri_tb");
    foods.column = QStringLiteral("Code");
    foods.key = NameListReference::Key::Id;
    foods.prefix = customFoodGroup() + QStringLiteral("-%1-");
    d.references << foods;
    d.nextId = [](const QStringList &used, QString *) { return smallestFreeNumber(used, 1, 9); };

    d.emptyName = {QStringLiteral("食物类别不能为空!"), MessageTone::Warning};
    d.duplicate = {QStringLiteral("该类别已存在!"), MessageTone::Warning};
    d.limitReached = {QStringLiteral("食物类别已到最大限度!"), MessageTone::Warning};
    d.renameEmptyName = {QStringLiteral("食物种类不能为空!"), MessageTone::Warning};
    // Two sub-groups of one name could not be told apart in the food tree.
    d.renameDuplicate = {QStringLiteral("该类别已存在!"), MessageTone::Warning};
    d.inUse = {QStringLiteral("务必清空此类别下的所有食物!"), MessageTone::Warning};
    d.confirmDelete = QStringLiteral("确认删除？");
    d.clearRefusedName = true;

    d.texts.windowTitle = QStringLiteral("原料种类");
    d.texts.nameTitle = QStringLiteral("原      料      种      类");
    d.texts.nameLabel = QStringLiteral("种类名称：");
    d.texts.oldNameLabel = QStringLiteral("原类别名称：");

    d.controls.editor = QStringLiteral("TCustomFoodKind");
    d.controls.nameEdit = QStringLiteral("Add_edt");
    d.controls.renameDialog = QStringLiteral("TCustomFoodKindEdit");
    d.controls.oldName = QStringLiteral("OldName_edt");
    d.controls.newName = QStringLiteral("NewName_edt");
    return d;
}

NameListDescription dishCategoryList()
{
    NameListDescription d;
    d.table = QStringLiteral("CateKind_tb");
    d.idColumn = QStringLiteral("KINDID");
    d.nameColumn = QStringLiteral("KINDNAME");
    NameListReference dishes;
    dishes.table = QStringLiteral("CateNutri_tb");
    dishes.column = QStringLiteral("KINDNAME");
    dishes.followsRename = true;
    d.references << dishes;
    d.nextId = [](const QStringList &, QString *error) { return NextKindID(error); };

    d.emptyName = {QStringLiteral("食物类别不能为空!"), MessageTone::Warning};
    d.duplicate = {QStringLiteral("食物类别有重复!"), MessageTone::Warning};
    d.renameEmptyName = {QStringLiteral("食物类别不能为空!"), MessageTone::Information};
    d.renameDuplicate = {QStringLiteral("该食物类别已存在!"), MessageTone::Information};
    d.inUse = {QStringLiteral("务必清空此类别下的所有食物!"), MessageTone::Information};

    d.texts.windowTitle = QStringLiteral("编辑");
    d.texts.header = QStringLiteral("食  物  类  别");
    d.texts.idTitle = QStringLiteral("类别编码");
    d.texts.nameTitle = QStringLiteral("食   物   类   别");
    d.texts.nameLabel = QStringLiteral("类别名称：");
    d.texts.addCaption = QStringLiteral("  增      加");
    d.texts.renameCaption = QStringLiteral("  修      改");
    d.texts.deleteCaption = QStringLiteral("  删      除");
    d.texts.closeCaption = QStringLiteral("  关      闭");
    d.texts.oldNameLabel = QStringLiteral("原类别名：");

    d.controls.editor = QStringLiteral("TFoodKindEdit");
    d.controls.nameEdit = QStringLiteral("KindName_edt");
    d.controls.closeButton = QStringLiteral("BitBtn1");
    d.controls.renameDialog = QStringLiteral("TFoodKindEditSub");
    d.controls.oldName = QStringLiteral("OldKind_lab");
    d.controls.oldNameAsLabel = true;
    d.controls.newName = QStringLiteral("NewKind_edt");
    return d;
}

} // namespace nqb
