#pragma once
// The dietary survey: its list of foods and dishes eaten (rows of NQBNutri_tmp
// with CODE, FOODNAME and WEIGHT only) and the evaluation of the result window.
//
// The result recomputes every entry's amounts from its weight and the food
// tables, totals the whole table, sets the standard to the RNI (no daily
// percentage applies) and marks each nutrient against EAR and UL as stored.
#include "planning/Evaluation.h"
#include "planning/MealPlan.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace nqb::survey {

// Bar labels of the result window for requirement nutrients 1 ... 25
// (ENERC_kJ ... ID): "能量", "蛋白", "脂肪", "碳水", "胆固", ... "纳", ... "碘".
QStringList barLabels();

// "该食物已存在!"
QString duplicateMessage();

// Adds the food (table RawFood: Nutri_tb) or dish (table Dish: CateNutri_tb)
// named name to the survey list: CODE and FOODNAME from the found row, every
// other column empty. A name already in the list (from either table) is
// refused with Duplicate and duplicateMessage(). An empty name, or a name the
// table does not hold, adds nothing (NotFound, nothingChosenMessage()).
plan::PlanResult addEntry(const QString &name, FoodKind table);

// Stores a weight typed into the list for the entry named name. An empty text
// stores no weight (the entry counts with 0); a text that is no number or is
// negative is refused (BadNumber) and nothing is written. The entry's amounts
// are recomputed at once (as the result window would), so the table never
// holds amounts of an old weight.
plan::PlanResult setWeight(const QString &name, const QString &weightText);

// Removes every entry with this CODE (trimmed). An entry without a code is
// removed by its name instead; both empty removes nothing.
plan::PlanResult deleteEntry(const QString &code, const QString &name = QString());

// Recomputes the amounts of every entry in one transaction: the code (trimmed)
// is looked up with plan::lookupFoodByCode (8 characters: Nutri_tb first,
// otherwise CateNutri_tb first, then the other table), the weight is WEIGHT
// (empty as 0), and each amount is plan::entryAmount(content, weight,
// edibleWhole(EDIBLE of the food row)). A code found in neither table gives
// amounts of 0. Only the composition block is written.
bool recomputeEntries(QString *error = nullptr);

struct Result {
    eval::Evaluation evaluation;
    QList<eval::Bar> bars; // all 25, labelled by barLabels()
    bool ok() const { return evaluation.ok(); }
};

// What the result window shows: recomputeEntries, the totals over the whole
// table (plan::planTotals, held to four decimals), the standard row set to the
// RNI (factor 1), the "实际" row set to the totals, markers against EAR and UL
// as stored, and 25 whole-number percentage bars (a standard of 0 gives 0).
Result evaluate();

} // namespace nqb::survey
