#pragma once
// The food chooser on the left of the planning workbench.
//
// List mode ("全菜普"): the dish-category and food-group trees, the search box
// (name or pinyin initials), the nutrient sort choice and the two-column pick
// list. Quantified-menu mode ("带量菜普"): the favourite items of one meal slot
// from CustomPantry_tb with their usual weight, and the button that opens the
// menu editor. A click on a name shows its composition, ingredients,
// description and picture in the three detail frames, which the workbench lays
// out beside its plan (compositionFrame(), componentFrame(), pictureFrame()).
// A double click (or Enter) on a name asks for the add dialog: addRequested().
#include "planning/Workbench.h"

#include <QString>
#include <QWidget>
#include <functional>

class DataGrid;
class FoodPicker;
class PickList;
class QComboBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSqlQueryModel;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;
class SearchEdit;

class TFoodChooser : public QWidget
{
    Q_OBJECT
public:
    explicit TFoodChooser(QWidget *parent = nullptr);
    ~TFoodChooser() override;

    // Fills the nutrient choice (once, when the workbench is created).
    void FillElements();
    // Fills both trees (every time the workbench is shown).
    void FillTrees();

    // ---- what the add dialog reads ----
    bool isListMode() const;
    // The tree page that is current: raw foods ("食物原料") or dishes ("系统菜肴").
    nqb::FoodKind currentTable() const;
    // The table the names in the pick list were listed from (the page of the
    // last tree click or search); pick-list names are looked up there.
    nqb::FoodKind listTable() const;
    // List mode: the pick list's current cell, trimmed.
    QString pickName() const;
    // Quantified-menu mode: the current menu row's FOODNAME, WEIGHT and PANTRY, trimmed.
    QString menuName() const;
    QString menuWeight() const;
    QString menuPantry() const;
    // The name the add dialog takes in the current mode.
    QString chosenName() const;

    // ---- operations ----
    void setListMode(bool list);
    // Reopens the quantified-menu grid on the checked slot radio.
    void OpenQuantifiedMenu();
    // The checked quantified-menu slot name ("早餐" ...).
    QString menuSlot() const;

    // What a click on a pick-list cell does (details of name).
    void showPick(const QString &name);
    // What a click on a quantified-menu row does.
    void showMenuRow();
    // Tree clicks, search, nutrient re-sort.
    void foodTreeClicked();
    void dishTreeClicked();
    void runSearch();
    void resort();

    // Shows the picture file (the default picture when it cannot be read).
    void showPicture(const QString &path);
    // The picture shown now (its file path).
    QString picturePath() const { return m_picturePath; }

    // The detail frames, laid out by the workbench.
    QGroupBox *compositionFrame() const { return FoodCompose_GroupBox; }
    QGroupBox *componentFrame() const { return GroupBox3; }
    QGroupBox *pictureFrame() const { return GroupBox4; }

    // ---- controls ----
    QTabWidget *pageControl() const { return PageControl1; }
    QTreeWidget *foodTree() const { return Food_tre; }
    QTreeWidget *dishTree() const { return Cate_tre; }
    SearchEdit *searchBox() const { return SearchFood_edt; }
    QComboBox *elementCombo() const { return Element_cmb; }
    PickList *pickList() const { return StrGrid; }
    FoodPicker *picker() const { return m_picker; }
    DataGrid *menuGrid() const { return CustomPantry_grid; }
    DataGrid *compositionGrid() const { return FoodCompose_Grid; }
    DataGrid *componentGrid() const { return CateCompose_Grid; }
    QSqlQueryModel *AQFoodSum() const { return m_foodSum; }
    QSqlQueryModel *AQComponent() const { return m_component; }
    QSqlQueryModel *AQCustomPantry() const { return m_customPantry; }

    // Opens the quantified-menu editor; set by the workbench so that tests and
    // the start-up can replace it. Default: the editor window of this program.
    void setMenuEditorOpener(std::function<void(QWidget *parent)> open) { m_openEditor = std::move(open); }

signals:
    // A name was double-clicked (or Enter pressed on it): show the add dialog.
    void addRequested();

private:
    void buildUi();
    void showDetails(nqb::FoodKind table, const QString &name, const QString &id, bool found);
    void clearDetails(const QString &name);
    void editMenu();
    void report(const QString &error);

    FoodPicker *m_picker = nullptr;
    QRadioButton *AllFood_rdo = nullptr;
    QRadioButton *SomeFood_rdo = nullptr;
    QTabWidget *PageControl1 = nullptr;
    QWidget *TabSheetCate = nullptr;
    QWidget *TabSheetFood = nullptr;
    QTreeWidget *Cate_tre = nullptr;
    QTreeWidget *Food_tre = nullptr;
    SearchEdit *SearchFood_edt = nullptr;
    QComboBox *Element_cmb = nullptr;
    PickList *StrGrid = nullptr;
    QWidget *m_listPanel = nullptr;
    QGroupBox *GroupBox2 = nullptr;
    QList<QRadioButton *> m_menuSlots;
    QPushButton *CateEdit_btn = nullptr;
    DataGrid *CustomPantry_grid = nullptr;
    QGroupBox *FoodCompose_GroupBox = nullptr;
    DataGrid *FoodCompose_Grid = nullptr;
    QGroupBox *GroupBox3 = nullptr;
    DataGrid *CateCompose_Grid = nullptr;
    QGroupBox *GroupBox4 = nullptr;
    QLabel *Image = nullptr;
    QPlainTextEdit *Memo1 = nullptr;

    QSqlQueryModel *m_foodSum = nullptr;
    QSqlQueryModel *m_component = nullptr;
    QSqlQueryModel *m_customPantry = nullptr;
    QString m_picturePath;
    std::function<void(QWidget *)> m_openEditor;
};
