#pragma once
// The printed reports of a meal plan, generated from the plan in NQBNutri_tmp:
//  - the day's nutrient statistics: the entries by meal slot with their
//    weights and the 26 requirement nutrients, the day's totals, the planning
//    standard, the markers, the percentage of the standard and the bar chart;
//  - the week menu: one column pair (item, weight) per weekday, rows per meal
//    slot;
//  - the day menu: one column pair (item, weight) per meal slot;
//  - the purchase list: every raw food the week needs, dishes expanded into
//    their ingredients, summed per food and grouped by food group, for one
//    person and for all persons of a group.
// Each report is a function from the plan (and the context below) to a
// document of the report engine; nothing in the database is changed.
#include "planning/MealPlan.h"
#include "planning/ReportEngine.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

class QTextDocument;

namespace nqb::reports {

// ---------------------------------------------------------------- context

struct GroupRow {
    QString ageBand, sex, activity;
    int persons = 0;
};

// Who the plan is for.
struct Diners {
    bool individual = true;
    // Individual profile.
    bool male = true;
    QString ageBand, activity, weight;
    // Group profile: the composition and its total of persons.
    QList<GroupRow> group;
    int persons() const; // 1 for an individual, the sum of the rows for a group
    QString describe() const;
};

// The individual profile of personal.ini, or the group composition of
// DinerPerson_tmp.
Diners currentDiners(bool individual, QString *error = nullptr);

struct Context {
    QString company, tel; // of the settings file
    Diners diners;
    QDate date;
    int mealPattern = 1;
    QStringList percentages; // the workbench's seven daily percentages, SUN ... SAT
    report::Header header() const;
};

// Settings file, profile and today's date; percentages from the workbench.
Context currentContext(bool individual, const QStringList &percentages, QString *error = nullptr);

// ---------------------------------------------------------------- plan data

struct Item {
    QString code, name;
    plan::MealSlot slot = plan::MealSlot::Breakfast;
    // False for an entry whose DINERTIME is no meal slot (possible only in an
    // imported plan): it counts in the day's totals but in no menu.
    bool knownSlot = true;
    bool in(plan::MealSlot s) const { return knownSlot && slot == s; }
    double weight = 0;
    plan::CompositionValues amounts{};
};

// The entries of weekday week in meal order (as the workbench lists them),
// entries whose DINERTIME is no meal slot last.
QList<Item> dayItems(const QString &week, QString *error = nullptr);

// The evaluation of a day without touching DRIs_tmp: the totals of the
// entries (held to four decimals like the grid footers) against RNI × f,
// EAR × f and UL × f, f = daily percentage ÷ 100.
struct DayEvaluation {
    std::array<eval::NutrientResult, kRequirementCount> nutrients{};
    QList<eval::Bar> bars; // nutrients 1 ... 25, whole percentages of the standard
};
DayEvaluation evaluateDay(const QList<Item> &items, double factor, QString *error = nullptr);

// One line of the purchase list.
struct Purchase {
    QString group; // food group ("01-谷类及制品"), "其他" when the code belongs to none
    QString code;  // raw food code (empty when the entry names nothing known)
    QString name;
    double grams = 0; // for one person over the whole plan
};

// Every raw food the plan needs. A dish entry of weight W whose ingredients
// weigh T in all counts each ingredient of weight w as w × W ÷ T (the weights
// as bought, so that the list is what to buy); a dish without ingredient
// weight counts as itself. Summed per raw food, sorted by food group (in the
// order of the food group table) and within a group by code.
QList<Purchase> purchaseList(QString *error = nullptr);

// ---------------------------------------------------------------- documents

// "一周营养成分详细统计": weekday index 0 (SUN) ... 6.
std::unique_ptr<QTextDocument> dayStatisticsReport(const Context &context, int weekday, QString *error = nullptr);
// "菜谱总表".
std::unique_ptr<QTextDocument> weekMenuReport(const Context &context, QString *error = nullptr);
// "菜谱" of one weekday.
std::unique_ptr<QTextDocument> dayMenuReport(const Context &context, int weekday, QString *error = nullptr);
// "原料统计".
std::unique_ptr<QTextDocument> purchaseReport(const Context &context, QString *error = nullptr);

// A weight as printed: grams to one decimal, general format ("138.9", "150").
QString gramsText(double grams);

} // namespace nqb::reports
