#pragma once
// The quantified-menu editor ("编辑"): per meal slot, the list of favourite
// dishes and raw foods with their usual portion. The user finds an item through
// the dish or food tree, the search box or a nutrient re-sort, picks it in the
// pick list and adds it to the slot shown; deletes rows; types portions into
// the grid's weight column. The workbench opens it modally from "编  辑" and
// reloads its own list when it closes.
#include "data/FunctionUnit.h"

#include <QDialog>
#include <QList>

class DataGrid;
class FoodPicker;
class PickList;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QStandardItem;
class QStandardItemModel;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;
class SearchEdit;

class TCustomPantryFood : public QDialog
{
    Q_OBJECT
public:
    explicit TCustomPantryFood(QWidget *parent = nullptr);
    ~TCustomPantryFood() override;

    // The meal slot of the checked radio ("早餐" ... "加餐").
    QString currentSlot() const;
    // The picked item: its name and identifier (hidden FoodName_edt / FoodID_lab).
    QString pickedName() const;
    QString pickedId() const;

public slots:
    // Reopens the grid on the list of the checked slot.
    void ShowSlotMenu();
    // "增 加": adds the picked item to the checked slot.
    void Insert();
    // "删 除": removes the grid's current row after asking.
    void Delete();

private:
    void buildUi();
    void fillChoosers();

    void pick(const QString &name);
    void weightEdited(QStandardItem *item);

    bool dishPageCurrent() const;
    void selectMenuRow(const QString &pantry);
    void showError(const QString &error);

    FoodPicker *m_picker = nullptr;
    QTabWidget *PageControl1 = nullptr;
    QWidget *TabSheetCate = nullptr;
    QWidget *TabSheetFood = nullptr;
    QTreeWidget *Cate_tre = nullptr;
    QTreeWidget *Food_tre = nullptr;
    SearchEdit *SearchFood_edt = nullptr;
    QComboBox *Element_cmb = nullptr;
    PickList *StrGrid = nullptr;
    QList<QRadioButton *> m_slotRadios; // in meal order
    DataGrid *DBGridEh1 = nullptr;
    QPushButton *Insert_btn = nullptr;
    QPushButton *Del_btn = nullptr;
    QPushButton *Close_btn = nullptr;
    QLineEdit *FoodName_edt = nullptr;
    QLabel *FoodID_lab = nullptr;

    QStandardItemModel *m_menu = nullptr;
    // The table whose items StrGrid_tmp and the pick list hold.
    bool m_filling = false;
};
