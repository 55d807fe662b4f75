#pragma once
// Week statistics: the plan of NQBNutri_tmp summed per weekday and over the
// whole week into WeekStats_tmp, and one selection (a weekday or the whole
// week) compared with the requirements scaled by its percentage.
//
// WeekStats_tmp holds twelve rows that are only updated in place: a "实际" row
// for SUN ... SAT and for ALLWEEK, and the rows "标准", "RNI", "EAR" and "UL"
// (whose WEEK is none of those eight codes).
#include "planning/Evaluation.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <array>

namespace nqb::weekstats {

using RequirementValues = std::array<double, kRequirementCount>;
using Percentages = std::array<int, 7>; // SUN ... SAT

// Bar labels of the week statistics for requirement nutrients 1 ... 25
// (ENERC_kJ ... ID): "能量", "蛋白", "脂肪", "碳", "胆固醇", ... "碘".
QStringList barLabels();

// The seven daily percentages handed over by the workbench as texts (SUN ...
// SAT), as whole numbers. False with a message when a text is not a whole
// number or there are not seven.
bool parsePercentages(const QStringList &texts, Percentages *out, QString *error = nullptr);

// q of a selection: p(code) for a weekday, the sum of all seven for "ALLWEEK";
// -1 for any other code.
int selectionPercent(const Percentages &p, const QString &code);

// Standard of one nutrient for percentage q: RNI × q rounded to a whole number
// (half to even), then ÷ 100, that is RNI × q / 100 to two decimals.
double standardValue(double rni, int q);

// Bar value: A × 1000 ÷ S rounded to a whole number (half to even), then ÷ 10,
// the percentage of the standard with one decimal (123.45 % -> 123.4). A
// standard of 0 gives a bar of 0 rather than a division by zero.
double barValue(double a, double s);

// Recomputes the whole table from the current plan in one transaction:
// every row's requirement block set to 0; the "ALLWEEK" row summed over every
// entry of NQBNutri_tmp whatever its WEEK (an entry of an unknown weekday
// counts in the whole week only); each weekday's "实际" row summed over that
// day's entries; the "RNI", "EAR" and "UL" rows copied from DRIs_tmp (a
// missing row there gives zeros). Sums run in table order and are not
// rounded. On failure nothing is changed.
bool recompute(QString *error = nullptr);

struct Selection {
    QString code;    // "SUN" ... "SAT" or "ALLWEEK"
    int percent = 0; // q
    std::array<eval::NutrientResult, kRequirementCount> nutrients{};
    QList<eval::Bar> bars; // all 25, in block order
    QString error;
    bool ok() const { return error.isEmpty(); }
};

// Shows a selection: writes the "标准" row (standardValue of the stored RNI row
// and q), then for each nutrient takes A from the selection's "实际" row and
// marks it against EAR × q / 100 and UL × q / 100 (unrounded), and values the
// 25 bars with barValue(A, standard) labelled by barLabels().
Selection showSelection(const QString &code, int percent);

// The grid's rows for a selection, bind the code: the selection's "实际" row
// first, then the "标准" row.
QString gridSql();

} // namespace nqb::weekstats
