#pragma once
// The dish library without widgets: the ingredient list under edit (the
// working table CateNutriSum_tmp), the checks and the save of a dish (its
// CateNutri_tb row with the values computed from the ingredients and its
// CateComponent_tb rows, in one write), loading a stored dish into the
// working table, deleting a dish, and the data of the printed dish report.
//
// Every value is bound. A save, a delete and a load each run in one write
// scope: on failure the database is as it was before.
#include "data/Db.h"
#include "data/NutrientBlocks.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

namespace nqb::dish {

// Texts of the dish windows.
QString noDishCaption();       // "菜   肴   名   称": the library's header with no dish shown
QString chooseCategoryText();  // "请选择类别": the category prompt of the editor

// ---------------------------------------------------------------- working table

// Empties the working table.
Result clearWorkTable();

// Whether the working table has an ingredient called name (trimmed).
Result hasIngredient(const QString &name, bool &found);

// Adds the raw food called name with the typed weight, its amounts by the
// ingredient amount rule (content per 100 g x weight x edible / 10000; a
// content the food lacks stays empty). Refusals: EmptyWeight "食物重量不能为空!",
// Duplicate "该食物已存在,请修改其重量!", NotFound (no such raw food),
// BadNumber (the weight is no number).
Result addIngredient(const QString &name, const QString &weightText);

// Sets the weight of the ingredient called name and rescales its amounts
// (amount / old weight x new weight). An ingredient whose old weight is 0 has
// no amounts to scale: they are computed afresh from its raw food (an
// ingredient whose raw food is gone keeps zero amounts).
Result changeIngredientWeight(const QString &name, const QString &weightText);

// Deletes the ingredient called name.
Result deleteIngredient(const QString &name);

// The footer sums of the working table as the ingredient grid holds them
// (each rounded to four decimals): total weight and the 36 amounts (empty
// where no ingredient has a value).
struct WorkTotals {
    int rows = 0;
    double weight = 0;
    std::array<std::optional<double>, kCompositionCount> amounts;
};
Result workTotals(WorkTotals &out);

// The dish's 36 values from the footer sums: S(k) x E / W, unrounded. E is
// the dish's edible portion (0..100). Nothing when W is not positive.
std::optional<std::array<std::optional<double>, kCompositionCount>> dishValues(const WorkTotals &totals, int edible);

// ---------------------------------------------------------------- stored dishes

// A stored dish as the library window shows it and hands it to the editor.
struct DishInfo {
    QString foodId;
    QString name;
    QString pyjm;
    QString edible;    // EDIBLE in general format
    QString kindName;  // KINDNAME, trimmed
    QString kindText;  // KINDID + "-" + KINDNAME ("" when the category is unknown)
    QString describe;  // FoodDescribe
};

// The dish called name (trimmed); found = false when there is none.
Result findDish(const QString &name, DishInfo &out, bool &found);

// Refills the working table with the ingredients of the dish foodId, in their
// stored order, amounts by the ingredient amount rule. An ingredient whose raw
// food no longer exists is listed with an empty name, edible 0 and zero
// amounts; its weight still counts.
Result loadWorkTable(const QString &foodId);

// The category tree: categories in KINDID order ("KINDID-KINDNAME") with the
// names of their dishes in table order.
struct CategoryNode {
    QString text;
    QString kindName;
    QStringList dishes;
};
Result categoryTree(QList<CategoryNode> &out);

// Deletes the dish called name (trimmed) with its ingredient rows; rows = 1
// when a dish was deleted, 0 when there was none. foodId receives the
// identifier of the deleted dish.
Result deleteDish(const QString &name, QString *foodId = nullptr);

// ---------------------------------------------------------------- save

struct SaveRequest {
    bool adding = true;
    QString originalId;  // modifying: FOODID of the dish under edit
    QString name;        // as typed
    QString pyjm;
    QString edible;      // edible portion as typed
    QString kindText;    // "KINDID-KINDNAME" or the prompt "请选择类别"
    QString describe;
};

// The checks before a save, in this order (Refused with the message, title
// "警告"): "食物名称不能为空!", "食物拼音简码不能为空!", "食部不能为空!",
// "请正确选择食物种类!", "该食物已存在!" (another dish bears the name; the dish
// under edit does not count), then an edible portion that is no whole number
// (BadNumber) and a total ingredient weight that is not positive (Refused).
Result checkSave(const SaveRequest &request);

// The edible portion a save stores: the typed whole number, 100 at most.
std::optional<int> savedEdible(const QString &text);

struct SaveOutcome {
    Result result;
    QString foodId;   // the identifier the dish was stored under
    QString name;     // the trimmed name
};

// Checks, then stores the dish in one write: in modifying mode the old row and
// its ingredient rows go, the dish gets NextDishID of its category (so it keeps
// its number unless a lower one is free) and its row with the dish values, then
// one ingredient row per working-table row in working-table order. On any
// failure nothing is changed.
SaveOutcome saveDish(const SaveRequest &request);

// ---------------------------------------------------------------- report

// What the printed dish report shows.
struct ReportIngredient {
    QString name;
    double weight = 0;
    int edible = 0;
    std::array<std::optional<double>, kCompositionCount> amounts;
};
struct ReportData {
    QString name;
    QString kindText;
    QString edible;
    QString describe;
    QList<ReportIngredient> ingredients;
    WorkTotals totals;
    // The stored per-100 g values of the dish (empty when it is not stored).
    std::array<std::optional<double>, kCompositionCount> per100g;
};
// The report of the dish shown: its stored row (by name) and the ingredients
// of the working table.
Result reportData(const QString &name, ReportData &out);

} // namespace nqb::dish
