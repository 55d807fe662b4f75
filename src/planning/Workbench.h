#pragma once
// The data side of the planning workbench and its food chooser: the columns
// and titles of the plan grids, the statements behind the grids, the daily
// percentage, the pictures of foods and dishes, and the quantified-menu rows.
//
// The windows (AnalyzeUnit, FoodChooserUnit) call these; every statement binds
// its values and takes table and column names only from the fixed lists here
// and in the schema.
#include "planning/MealPlan.h"

#include <QString>
#include <QStringList>
#include <QVariantList>

class QSqlQueryModel;

namespace nqb::bench {

// Runs sql with the values bound in order and shows its rows in model (all of
// them fetched). On failure the model is emptied and *error names the cause.
bool openQuery(QSqlQueryModel *model, const QString &sql, const QVariantList &binds, QString *error = nullptr);

// ---------------------------------------------------------------- plan grids

// The 41 columns of every plan grid, in order: CODE, FOODNAME, DINERTIME,
// WEIGHT, EDIBLE and the 36 composition columns.
QStringList planGridColumns();
// Titles of the leading columns ("" for CODE, which is hidden).
QString planGridTitle(const QString &column);
// Title of composition column i (0 ... 35) in the plan grids and the chooser's
// composition grid: name and unit, two lines where the column belongs to a
// group ("能量|[kcal]", "维生素E[mg]|a-E"); "|" separates the lines.
QString compositionTitle(int i);

// The day's entries in meal order: bind the weekday code. With a slot, the
// entries of that meal slot only (bind the weekday code, then the slot name).
QString planGridSql(bool oneSlot);

// ---------------------------------------------------------------- daily percentage

inline constexpr int kPercentMin = 20;
inline constexpr int kPercentMax = 150;
inline constexpr int kPercentStep = 5;
inline constexpr int kPercentDefault = 100;

// The seven starting percentages "100".
QStringList defaultPercentages();
// Daily percentage text -> coefficient (percentage ÷ 100). A text that is no
// whole number counts as the default 100.
double coefficientOf(const QString &percentText);
// A percentage text brought into the control's range and step (20 ... 150 in
// steps of 5); a text that is no number gives the default.
int clampPercent(const QString &percentText);

// ---------------------------------------------------------------- chooser

// The names listed in StrGrid_tmp, richest first in the nutrient column (or by
// identifier, for dishes with no nutrient by name, when column is "none").
// After a re-sort by the nutrient choice alone (resort = true) a dish list with
// no nutrient is ordered by name.
QStringList listedNames(FoodKind table, const QString &column, bool resort, QString *error = nullptr);

// The chosen item's composition row (its name, EDIBLE, the 36 columns,
// FoodDescribe, ProducingArea): bind the name.
QString compositionRowSql(FoodKind table);
// The ingredients of a dish (FoodName, Weight; bind the FOODID), or for a raw
// food its own row in the same two columns (bind the name).
QString componentSql(FoodKind table);
// Identifier and description of the food or dish called name; found = false
// when there is none.
struct ChosenItem {
    bool found = false;
    QString id;
    QString describe;
};
ChosenItem chosenItem(FoodKind table, const QString &name, QString *error = nullptr);

// ---------------------------------------------------------------- pictures

// "NQB.bmp" in the program's folder (the name as stored there, whatever its
// letter case; the plain name when it does not exist).
QString defaultPicturePath();
// The picture of a raw food ("FoodImage/<Code>.bmp") or a dish
// ("DishImage/<FOODID>.bmp") in the program's folder, file names matched
// without regard to letter case; the default picture when there is none or id
// is empty.
QString picturePath(FoodKind table, const QString &id);

// ---------------------------------------------------------------- quantified menus
// (the rows themselves: planning/CustomPantry.h)

// The food or dish a menu row names: by its identifier first (so that a
// renamed item is still found), then by the row's name in the table its
// identifier's length points to. Not found: source None.
plan::FoodRow menuItemFood(const QString &pantry, const QString &name, QString *error = nullptr);

} // namespace nqb::bench
