#pragma once
// Meal plan entries: the rows of NQBNutri_tmp.
//
// An entry is one food or dish eaten in one meal slot of one weekday. Its key is
// FOODNAME + WEEK + DINERTIME: a second entry with the same three values is
// refused. Its 36 composition columns hold the amounts eaten, computed from the
// food's or dish's content per 100 g edible portion by the amount rule below.
//
// This unit holds the fixed tables of weekdays, meal slots and meal patterns,
// the amount rule, the look-up of a food or dish row, and the commands of the
// planning windows on entries (add, change weight, delete, clear, drop the
// slots a meal pattern does not use) plus the day totals the evaluation reads.
// The windows only read their controls, call these and show the result.
#include "data/Db.h"
#include "data/FoodKind.h"
#include "data/NutrientBlocks.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <array>
#include <optional>

class QSqlRecord;

namespace nqb::plan {

using CompositionValues = std::array<double, kCompositionCount>;

// ---------------------------------------------------------------- weekdays

inline constexpr int kWeekdayCount = 7;
// The WEEK value of the whole-week row of the week statistics.
inline constexpr char kAllWeekCode[] = "ALLWEEK";

struct WeekdayInfo {
    const char *code;      // WEEK value: "SUN" ... "SAT"
    const char *caption;   // workbench radio caption: "周日" ... "周六"
    const char *radioName; // workbench radio objectName: "Sun_Rdo" ... "Sat_Rdo"
};
// Sunday first; the index is the daily percentage index and the key of the
// profile files' Quotiety section.
const std::array<WeekdayInfo, kWeekdayCount> &weekdays();
QString weekdayCode(int index);    // empty outside 0..6
QString weekdayCaption(int index); // empty outside 0..6
int weekdayIndex(const QString &code); // -1 for anything but the seven codes

// ---------------------------------------------------------------- meal slots

enum class MealSlot { Breakfast, BreakfastMid, Lunch, LunchMid, Supper, SupperMid, Midnight };
inline constexpr int kMealSlotCount = 7;

struct MealSlotInfo {
    MealSlot slot;
    const char *name;         // DINERTIME: "早餐", "早间餐", "午餐", "午间餐", "晚餐", "晚间餐", "加餐"
    const char *letter;       // DINERTMP sort key "A" ... "G" (meal order)
    const char *radioName;    // add dialog radio objectName ("Breakfast_rdo", ...)
    const char *radioCaption; // add dialog radio caption ("早    餐", "早间餐", ...)
    const char *pageName;     // workbench page objectName ("TSBreakfast", ...)
    const char *gridName;     // workbench slot grid objectName ("Brakfirst_Grid", ...)
};
// In meal order (A ... G).
const std::array<MealSlotInfo, kMealSlotCount> &mealSlots();
const MealSlotInfo &slotInfo(MealSlot slot);
// The slot whose DINERTIME is name (trimmed), or nullptr.
const MealSlotInfo *findMealSlot(const QString &name);
QString slotName(MealSlot slot);
QString slotLetter(MealSlot slot);

// ---------------------------------------------------------------- meal patterns

// The slots a meal pattern uses, in meal order:
//   1 "三餐一点": 早餐, 午餐, 晚餐, 加餐
//   2 "三餐两点": 早餐, 早间餐, 午餐, 午间餐, 晚餐
//   3 "三餐三点": 早餐, 早间餐, 午餐, 午间餐, 晚餐, 晚间餐
// Any other value (a hand-edited settings file) is not a known pattern: every
// one of the seven slots is offered then, and the meal-pattern delete after an
// import removes nothing, so no entry of a plan becomes unreachable.
QList<MealSlot> slotsInUse(int pattern);
bool slotInUse(int pattern, MealSlot slot);
QStringList slotNamesInUse(int pattern);
// The DINERTIME values whose entries the meal-pattern delete removes
// (pattern 1: 早间餐, 午间餐, 晚间餐; 2: 晚间餐, 加餐; 3: 加餐; others: none).
QStringList slotNamesDroppedBy(int pattern);
bool isKnownMealPattern(int pattern);

// ---------------------------------------------------------------- amount rule

// The edible percentage as the whole number the amount rule uses. Food rows
// store it as a number; a fraction (never written by the editors, but possible
// in a hand-made row) is rounded to the nearest whole number, a tie going to
// the even neighbour (80.5 -> 80, 81.5 -> 82). NULL or text that is no number
// counts as 0.
int edibleWhole(const QVariant &edible);

// amount = content × weight × edible ÷ 10000, evaluated in exactly that order
// in double precision and not rounded (150 g of a food with 3.2 g protein per
// 100 g and an edible portion of 80 gives 3.84).
double entryAmount(double content, double weight, int edible);
CompositionValues entryAmounts(const CompositionValues &content, double weight, int edible);

// Weight change: each amount becomes amount ÷ wOld × wNew (in that order).
// Only meaningful for wOld != 0; see changeWeight for an old weight of 0.
CompositionValues rescaleAmounts(const CompositionValues &amounts, double wOld, double wNew);

// ---------------------------------------------------------------- food rows

// One row of Nutri_tb (raw food, identified by Code) or CateNutri_tb (dish,
// identified by FOODID), with its content per 100 g edible portion.
struct FoodRow {
    std::optional<FoodKind> source;       // none: nothing was found
    QString code;                         // Code / FOODID
    QString name;                         // FoodName / FOODNAME
    QVariant edible;                      // EDIBLE as stored
    CompositionValues content{};          // NULL counts as 0
    bool found() const { return source.has_value(); }
};

// An identifier of exactly 8 characters (after trimming) is a raw food's Code;
// any other length is a dish's FOODID.
bool isRawFoodCode(const QString &code);

// The food or dish with this identifier. It is looked up in the table its
// length points to; when that table has no such row, the other table is tried,
// so a dish whose FOODID happens to be 8 characters long (a category
// identifier of four characters) is still found. Not found: source None and no
// error. On a database failure *error is set.
FoodRow lookupFoodByCode(const QString &code, QString *error = nullptr);
// The raw food (source RawFood) or dish (source Dish) named name (trimmed).
FoodRow lookupFoodByName(const QString &name, FoodKind table, QString *error = nullptr);
// A row read by the windows themselves (for example the chooser's displayed
// composition row): the leading columns are taken by name (Code or FOODID,
// FoodName, EDIBLE), the block by the composition column names.
FoodRow foodRowFromRecord(const QSqlRecord &record, FoodKind source);

// ---------------------------------------------------------------- results

// Commands report through the program's one result type (data/Db.h).
using PlanStatus = nqb::Status;
using PlanResult = nqb::Result;
using nqb::failure;
using nqb::succeeded;

// Messages of the entry dialogs.
QString emptyWeightMessage();       // "重量不能为空!" (add dialog)
QString emptyNewWeightMessage();    // "食物重量不能为空!" (change-weight dialog)
QString duplicateEntryMessage();    // "该食物以存在,不能添加!"
QString nothingChosenMessage();     // "没有选中食物!"

// Reads a typed weight in grams. Empty (after trimming): EmptyWeight. Not a
// number, not finite or below 0: BadNumber with a message quoting the text.
PlanStatus parseWeight(const QString &text, double *weight, QString *message = nullptr);

// ---------------------------------------------------------------- commands

// Adds an entry of food to slot of weekday week with the typed weight.
//  - empty weight: EmptyWeight with emptyWeightMessage(); nothing written;
//  - weight not a number: BadNumber; nothing written;
//  - an entry with the same FOODNAME, WEEK and DINERTIME exists: Duplicate with
//    duplicateEntryMessage(); nothing written;
//  - an empty name: NotFound with nothingChosenMessage().
// Otherwise inserts DINERTMP (the slot's letter), CODE (food.code, possibly
// empty when the chooser's name had no identifier), FOODNAME (food.name,
// trimmed), WEEK, DINERTIME, WEIGHT, EDIBLE (edibleWhole(food.edible)) and the
// 36 amounts entryAmounts(food.content, weight, edible).
PlanResult addEntry(const FoodRow &food, const QString &week, MealSlot slot, const QString &weightText);
// The same for the food or dish with this identifier (lookupFoodByCode); an
// unknown identifier gives NotFound.
PlanResult addEntryByCode(const QString &code, const QString &week, MealSlot slot, const QString &weightText);

// Changes the weight of the entry (name, week, slot name) to the typed new
// weight: WEIGHT := w_new and every amount := amount ÷ w_old × w_new, where
// w_old is the weight stored in the entry; EDIBLE and the other leading columns
// stay. An entry whose stored weight is 0 or empty has amounts that cannot be
// rescaled: its amounts are computed afresh from the food tables by its CODE
// (lookupFoodByCode) with the entry's own EDIBLE (the food's EDIBLE when the
// entry has none), as if it were added with w_new; when its food cannot be
// found any more the change is refused (NotFound) and nothing is written.
// Empty new weight: EmptyWeight with emptyNewWeightMessage(). No such entry:
// NotFound. When several rows share the key (possible only in an imported
// plan), the first in table order is changed.
PlanResult changeWeight(const QString &name, const QString &week, const QString &slot,
                        const QString &newWeightText);

// Deletes the entries of CODE code in slot of weekday week (the workbench's
// delete). An entry added without an identifier has an empty CODE; it is
// deleted by its key (name, week, slot) instead, so that every entry can be
// removed. With both code and name empty nothing is deleted (Ok, rows 0).
PlanResult deleteEntry(const QString &code, const QString &week, const QString &slot,
                       const QString &name = QString());

// Empties the whole plan (all weekdays).
PlanResult clearPlan();

// The meal-pattern delete: removes the entries of the slots pattern does not
// use (slotNamesDroppedBy). An unknown pattern removes nothing.
PlanResult applyMealPattern(int pattern);

// ---------------------------------------------------------------- totals

// The statement of a day's entries in the order the totals grid lists them:
// "SELECT * FROM NQBNutri_tmp WHERE WEEK=? ORDER BY DINERTMP ASC, rowid ASC"
// (bind the weekday code). The slot grids use the same statement narrowed to
// one DINERTIME.
QString dayEntriesSql();

// A grid footer's sum: the values added in order, then held to four decimals
// (round half to even).
double footerSum(const QList<double> &values);

// The day's totals: for each composition column, the sum over the entries of
// weekday week (in dayEntriesSql order, NULL as 0), held to four decimals by
// footerSum. These are exactly the footer sums of the totals grid and the
// actual intake the evaluation compares.
CompositionValues dayTotals(const QString &week, QString *error = nullptr);

// The same over every entry of the plan, whatever its WEEK (the survey).
CompositionValues planTotals(QString *error = nullptr);

} // namespace nqb::plan
