#pragma once
// TCustomFoodKind: the sub-groups of the users' food group 22 ("原料种类"),
// listed, added, renamed and deleted through the name-list editor with the
// sub-group description. Its rename window is the editor's rename dialog,
// named TCustomFoodKindEdit ("修改").
#include "widgets/NameListEditor.h"

class TCustomFoodKind : public NameListEditor
{
    Q_OBJECT
public:
    explicit TCustomFoodKind(QWidget *parent = nullptr);

    // Opens the window modally; true when a sub-group was added, renamed or deleted.
    static bool run(QWidget *parent);
};

// The rename window of a sub-group ("原类别名称：", "修改为：", Enter accepts).
using TCustomFoodKindEdit = NameRenameDialog;
