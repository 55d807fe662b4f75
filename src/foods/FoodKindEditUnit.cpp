#include "foods/FoodKindEditUnit.h"

#include "foods/CategoryLists.h"

#include <QEvent>
#include <QLineEdit>

TFoodKindEdit::TFoodKindEdit(QWidget *parent)
    : NameListEditor(nqb::dishCategoryList(), parent)
{
    nameEdit()->installEventFilter(this);
}

bool TFoodKindEdit::run(QWidget *parent)
{
    TFoodKindEdit editor(parent);
    editor.exec();
    return editor.wasChanged();
}

bool TFoodKindEdit::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == nameEdit() && event->type() == QEvent::MouseButtonPress)
        nameEdit()->clear();
    return NameListEditor::eventFilter(watched, event);
}
