#pragma once
// Evaluation of an intake against the requirement rows of DRIs_tmp.
//
// The planning workbench evaluates the shown weekday: the planning standard
// ("标准" row) is the RNI scaled by the day's factor f (daily percentage ÷ 100),
// the day's totals become the "实际" row, and each of the 26 requirement
// nutrients gets a marker: "－" (blue) below EAR × f, "ok" (lime) up to UL × f,
// "＋" (red) above. The bar chart shows the intake as a whole-number percentage
// of the standard. The survey result and the week statistics use the same
// marker rule and bars with their own inputs and labels.
#include "data/NutrientBlocks.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <array>

namespace nqb::eval {

using RequirementValues = std::array<double, kRequirementCount>;
using CompositionValues = std::array<double, kCompositionCount>;

// ---------------------------------------------------------------- markers

enum class Marker { Low, Ok, High };

// An RGB colour without the GUI module; rgb() is 0xffRRGGBB like QRgb.
struct Rgb {
    quint8 r = 0, g = 0, b = 0;
    constexpr quint32 rgb() const { return 0xff000000u | (quint32(r) << 16) | (quint32(g) << 8) | quint32(b); }
    friend constexpr bool operator==(const Rgb &, const Rgb &) = default;
};

// Intake a against lower bound low and upper bound up, tested in this order:
// low > a -> Low; a <= up -> Ok; otherwise High. An intake equal to the lower
// bound is not low; one equal to the upper bound is within range; an upper
// bound of 0 marks any positive intake that is not low as High.
Marker markerFor(double a, double low, double up);
QString markerText(Marker m);   // "－", "ok", "＋" (full-width minus and plus)
Rgb markerColour(Marker m);     // blue (0,0,255), lime (0,255,0), red (255,0,0)
QString markerLegend(Marker m); // legend texts "不足", "正常", "过量"

// ---------------------------------------------------------------- bars

struct Bar {
    int nutrient = 0; // index into the requirement block (1 ... 25)
    QString label;
    double value = 0; // percentage of the standard
    Rgb colour;
};

// Whole-number percentage a × 100 ÷ s, rounded half to even (62.5 -> 62,
// 63.5 -> 64). A standard of 0 (RNI 0 or empty) has no percentage: the bar is
// 0 rather than a division by zero.
int barPercent(double a, double s);

// Bar labels of the workbench for requirement nutrients 1 ... 25 (ENERC_kJ ...
// ID): "能量", "蛋", "脂", ... "纳" (sodium), ... "碘". Nutrient 0 (ENERC_kcal)
// has no bar.
QStringList workbenchBarLabels();

// ---------------------------------------------------------------- evaluation grid

// Title of the REMARK column and its footer: "结果".
QString resultColumnTitle();
// Title of requirement nutrient i in the evaluation grid ("能量|[kcal]",
// "能量|[kJ)]", "蛋白质[g]", ... "碘[ug]"); "|" separates the two title lines.
QString evaluationTitle(int nutrient);
// The grid's statement: the "实际" and "标准" rows of DRIs_tmp in table order.
QString evaluationGridSql();

// Whether the evaluation grid shows nutrient i's column, given the composition
// columns the totals grid shows (names as in the composition block). ENERC_kcal
// is shown exactly when ENERC_kJ is.
bool evaluationColumnShown(int nutrient, const QSet<QString> &totalsVisibleColumns);

// ---------------------------------------------------------------- evaluation

struct NutrientResult {
    double actual = 0;   // A: the intake
    double lower = 0;    // L: the scaled EAR
    double upper = 0;    // U: the scaled UL
    double standard = 0; // S: the "标准" value the bar divides by
    Marker marker = Marker::Ok;
};

struct Evaluation {
    std::array<NutrientResult, kRequirementCount> nutrients{};
    QString error; // empty when every row was read and written
    bool ok() const { return error.isEmpty(); }
};

// The requirement values of a composition block (each requirement column takes
// the composition column of the same name).
RequirementValues requirementValuesOf(const CompositionValues &composition);

// The first row (table order) of DRIs_tmp with each REMARK; a missing row reads
// as zeros.
struct RequirementRows {
    RequirementValues rni{}, ear{}, ul{}, standard{}, actual{};
};
bool readRequirementRows(RequirementRows *rows, QString *error = nullptr);

// 标准 := RNI × factor for each of the 26 columns (not rounded).
bool buildStandardRow(double factor, QString *error = nullptr);

// Writes totals into the "实际" row, then marks each nutrient with
// markerFor(total, EAR × factor, UL × factor) and takes its bar standard from
// the stored "标准" row. All 26 markers are computed whatever columns are
// shown. When a row cannot be written the markers are still computed and
// error is set.
Evaluation evaluate(const RequirementValues &totals, double factor);

// The workbench's evaluation of weekday week: plan::dayTotals (held to four
// decimals, exactly the totals grid footers) evaluated with factor.
Evaluation evaluateDay(const QString &week, double factor);

// The bars of the workbench: nutrients 1 ... 25 whose column the totals grid
// shows, each labelled (workbenchBarLabels), coloured by its marker and valued
// barPercent(actual, standard).
QList<Bar> workbenchBars(const Evaluation &e, const QSet<QString> &totalsVisibleColumns);

// Bars with given labels (25, for nutrients 1 ... 25), all of them, valued
// barPercent. Used by the survey result.
QList<Bar> wholePercentBars(const Evaluation &e, const QStringList &labels);

} // namespace nqb::eval
