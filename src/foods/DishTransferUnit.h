#pragma once
// The dish import/export window ("导入/导出", title band "食  谱  管  理"):
// "导出食谱" writes the dish library, or the checked categories, to a dish
// library file; "导入食谱" reads one, shows what it will add, renumber or skip,
// and writes all of it or nothing. Created for each opening.
#include "foods/DishTransfer.h"

#include <QDialog>
#include <optional>

class QListWidget;
class QPushButton;
class QTableWidget;

class TDishTransfer : public QDialog
{
    Q_OBJECT
public:
    explicit TDishTransfer(QWidget *parent = nullptr);
    static void run(QWidget *parent);

    QListWidget *categoryList() const { return Kind_lst; }
    // The names of the checked categories (empty when all are checked).
    QStringList chosenCategories() const;

public slots:
    void ExportDishes();
    void ImportDishes();
    void fillCategories();

private:
    QListWidget *Kind_lst = nullptr;
    QPushButton *Export_btn = nullptr;
    QPushButton *Import_btn = nullptr;
    QPushButton *Close_btn = nullptr;
};

// The preview of an import: one row per category and dish with what the
// import does to it; "导  入" accepts, "取  消" cancels.
class TDishImportPreview : public QDialog
{
    Q_OBJECT
public:
    TDishImportPreview(const nqb::transfer::ImportPlan &plan, const QString &fileName, QWidget *parent = nullptr);
    // True when the user accepted the plan.
    static bool run(QWidget *parent, const nqb::transfer::ImportPlan &plan, const QString &fileName);

    QTableWidget *table() const { return Plan_grid; }

private:
    QTableWidget *Plan_grid = nullptr;
};
