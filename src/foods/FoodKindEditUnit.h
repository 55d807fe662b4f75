#pragma once
// The dish categories window ("编辑", header "食  物  类  别"): lists, adds,
// renames and deletes the categories of CateKind_tb. It is the name-list
// editor over the dish category list; its rename window TFoodKindEditSub
// ("修改") is the editor's rename dialog under that name. Opened modally by
// the dish editor, which refills its category choice when it closes.
#include "widgets/NameListEditor.h"

class TFoodKindEdit : public NameListEditor
{
    Q_OBJECT
public:
    explicit TFoodKindEdit(QWidget *parent = nullptr);

    // Opens the window modally; true when a category was added, renamed or deleted.
    static bool run(QWidget *parent);

protected:
    // A click into the name field empties it.
    bool eventFilter(QObject *watched, QEvent *event) override;
};

// The rename window of one category: "原类别名：" OldKind_lab, "修改为："
// NewKind_edt, Enter confirms; a refused name keeps it open.
using TFoodKindEditSub = NameRenameDialog;
