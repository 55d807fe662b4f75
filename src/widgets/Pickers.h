#pragma once
// The shared pickers of the food and dish windows on their widgets: trees,
// combo boxes and the two-column pick list. The data comes from
// data/FunctionUnit.h. Functions that read the database return false and set
// error on failure (the caller shows it through Prompt); the widget is then
// left as it was.
#include <QString>
#include <QVariantList>

class QComboBox;
class QTabWidget;
class QTableWidget;
class QTreeWidget;
class QWidget;

namespace nqb {

// The two tree pages of the food and dish choosers: PageControl1 holding
// TabSheetCate "系统菜肴" with the dish tree Cate_tre and TabSheetFood "食物原料"
// with the food tree Food_tre (the dish page is current). The trees show no
// header and their items cannot be edited. pageMargin < 0 keeps the style's
// margins around each tree.
struct FoodTreeTabs {
    QTabWidget *tabs = nullptr;
    QWidget *catePage = nullptr;
    QTreeWidget *cateTree = nullptr;
    QWidget *foodPage = nullptr;
    QTreeWidget *foodTree = nullptr;
};
FoodTreeTabs MakeFoodTreeTabs(QWidget *parent, int pageMargin = -1);

// Food groups as top-level nodes, their sub-groups as children.
bool FillFoodTree(QTreeWidget *tree, QString *error = nullptr);
// One top-level node per dish category: "01-凉菜 [12]".
bool FillDishTree(QTreeWidget *tree, QString *error = nullptr);
// Code prefix of the selected node of a food tree ("01-", "01-1-"); an empty
// text when no node is selected (the caller then does nothing).
QString TreeCodePrefix(QTreeWidget *tree);

// Items "KINDID-KINDNAME". The combo's change handlers do not run.
bool FillDishKindCombo(QComboBox *combo, QString *error = nullptr);
// Items = nutrient display names. No item is selected afterwards: the combo
// keeps showing its prompt ("营养素种类"), its edit text when editable or its
// placeholder text otherwise, and ElementColumn() gives "none" until the user
// picks a nutrient. The combo's change handlers do not run.
bool FillElementCombo(QComboBox *combo, QString *error = nullptr);
// Column of the nutrient the combo shows, or "none".
QString ElementColumn(QComboBox *combo, QString *error = nullptr);
// The nutrient choice Element_cmb, showing its prompt "营养素种类" (empty
// until FillElementCombo fills it).
QComboBox *MakeElementCombo(QWidget *parent);

// Runs the statement and lays out the field's values in the two columns of
// grid, two per row (see PickGridRows); no values leave one empty row.
bool FillPickGrid(const QString &sql, const QVariantList &binds, const QString &field, QTableWidget *grid,
                  QString *error = nullptr);

} // namespace nqb
