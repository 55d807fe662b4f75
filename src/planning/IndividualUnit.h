#pragma once
// The survey entry window: the list of raw foods and dishes one person ate,
// with the weight of each, and the way to its evaluation.
#include <QDialog>

class DataGrid;
class FoodPicker;
class PickList;
class QPushButton;
class QStandardItemModel;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;
class SearchEdit;

class TIndividual : public QDialog
{
    Q_OBJECT
public:
    explicit TIndividual(QWidget *parent = nullptr);
    ~TIndividual() override;

    // Creates the window, shows it modally and destroys it (the individual
    // profile window's survey hand-over).
    static void run(QWidget *parent);

    // Reads the list from NQBNutri_tmp into the grid again.
    void ReloadGrid();

public slots:
    void FoodTreeClick();  // Food_tre: the selected group's raw foods into the pick list
    void CateTreeClick();  // Cate_tre: the selected category's dishes into the pick list
    void Search();         // the search box's text on the active page's table
    void Add();            // the pick list's current name into the list
    void Del();            // removes the grid's current entry
    void Clear();          // empties the list
    void Evaluate();       // opens the result window

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildUi();
    void addName(const QString &name);
    bool rawFoodPageActive() const;
    // A weight typed into row's WEIGHT cell; false when it is refused.
    bool weightTyped(int row, const QString &text);

    FoodPicker *m_picker = nullptr;
    QTabWidget *PageControl1 = nullptr;
    QWidget *TabSheetCate = nullptr;
    QWidget *TabSheetFood = nullptr;
    QTreeWidget *Cate_tre = nullptr;
    QTreeWidget *Food_tre = nullptr;
    PickList *StrGrid = nullptr;
    SearchEdit *SearchFood_edt = nullptr;
    QPushButton *Search_btn = nullptr;
    QPushButton *Add_btn = nullptr;
    QPushButton *Del_btn = nullptr;
    DataGrid *Reserch_Grid = nullptr;
    QStandardItemModel *m_list = nullptr;
    QPushButton *Accept_btn = nullptr;
    QPushButton *Clear_btn = nullptr;
    QPushButton *Close_btn = nullptr;
    bool m_shown = false;
};
