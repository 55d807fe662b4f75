#pragma once
// The dish library window ("菜肴编辑"): the dish categories with their dishes
// as a tree; choosing a dish rebuilds its ingredient list in the working table
// CateNutriSum_tmp and shows it with the amounts and totals, the dish's
// picture and description. Adds, modifies and deletes dishes (through the dish
// editor), exports the ingredient grid and prints the dish report. Created for
// each opening; closing it empties the working table.
#include "foods/Dishes.h"

#include <QDialog>

class DataGrid;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSqlQueryModel;
class QTreeWidget;
class QTreeWidgetItem;

class TCookBook : public QDialog
{
    Q_OBJECT
public:
    explicit TCookBook(QWidget *parent = nullptr);
    ~TCookBook() override;

    // Opens the window modally.
    static void run(QWidget *parent);

    // The dish shown (the header caption) and what the window knows of it.
    QString caption() const;
    const nqb::dish::DishInfo &shownDish() const { return m_dish; }
    QTreeWidget *tree() const { return Cate_tre; }
    DataGrid *grid() const { return Nutrient_Grid; }

public slots:
    void FillCateTree();
    // Shows the dish called name as a click on its tree node does.
    void chooseDish(const QString &name);
    void AddDish();
    void ModifyDish();
    void DeleteDish();
    void ExportGrid();
    void PrintDish();
    void refreshGrid();

protected:
    void done(int result) override;

private:
    void buildUi();
    void nodeClicked(QTreeWidgetItem *item);
    void afterEditor(const std::optional<QString> &saved);
    void report(const nqb::Result &r);

    nqb::dish::DishInfo m_dish;
    QLabel *Panel1 = nullptr;
    QTreeWidget *Cate_tre = nullptr;
    DataGrid *Nutrient_Grid = nullptr;
    QSqlQueryModel *m_model = nullptr;
    QLabel *Image = nullptr;
    QPlainTextEdit *Memo1 = nullptr;
    QPushButton *AddCate_btn = nullptr;
    QPushButton *EditCate_btn = nullptr;
    QPushButton *DelCate_btn = nullptr;
    QPushButton *BitBtn2 = nullptr;
    QPushButton *BitBtn1 = nullptr;
    QPushButton *Close_btn = nullptr;
};
