#include "planning/Evaluation.h"

#include "data/NumberFormat.h"
#include "planning/MealPlan.h"
#include "planning/PlanDb.h"

#include <cmath>

namespace nqb::eval {

// ---------------------------------------------------------------- markers

Marker markerFor(double a, double low, double up)
{
    if (low > a)
        return Marker::Low;
    if (a <= up)
        return Marker::Ok;
    return Marker::High;
}

QString markerText(Marker m)
{
    switch (m) {
    case Marker::Low:
        return QStringLiteral("－");
    case Marker::Ok:
        return QStringLiteral("ok");
    case Marker::High:
        return QStringLiteral("＋");
    }
    return {};
}

Rgb markerColour(Marker m)
{
    switch (m) {
    case Marker::Low:
        return {0, 0, 255};
    case Marker::Ok:
        return {0, 255, 0};
    case Marker::High:
        return {255, 0, 0};
    }
    return {};
}

QString markerLegend(Marker m)
{
    switch (m) {
    case Marker::Low:
        return QStringLiteral("不足");
    case Marker::Ok:
        return QStringLiteral("正常");
    case Marker::High:
        return QStringLiteral("过量");
    }
    return {};
}

// ---------------------------------------------------------------- bars

int barPercent(double a, double s)
{
    if (s == 0.0 || !std::isfinite(s))
        return 0;
    const double v = roundHalfEven(a * 100.0 / s, 0);
    if (!std::isfinite(v))
        return 0;
    return static_cast<int>(v);
}

QStringList workbenchBarLabels()
{
    return {QStringLiteral("能量"), QStringLiteral("蛋"), QStringLiteral("脂"), QStringLiteral("碳"),
            QStringLiteral("胆"),   QStringLiteral("VA"), QStringLiteral("硫"), QStringLiteral("核"),
            QStringLiteral("VB6"),  QStringLiteral("叶"), QStringLiteral("烟"), QStringLiteral("vb12"),
            QStringLiteral("vc"),   QStringLiteral("VE"), QStringLiteral("钙"), QStringLiteral("磷"),
            QStringLiteral("钾"),   QStringLiteral("纳"), QStringLiteral("镁"), QStringLiteral("铁"),
            QStringLiteral("锌"),   QStringLiteral("硒"), QStringLiteral("铜"), QStringLiteral("锰"),
            QStringLiteral("碘")};
}

// ---------------------------------------------------------------- evaluation grid

QString resultColumnTitle()
{
    return QStringLiteral("结果");
}

QString evaluationTitle(int nutrient)
{
    static const char *const titles[kRequirementCount] = {
        "能量|[kcal]", "能量|[kJ)]",   "蛋白质[g]",   "脂肪[g]",    "碳水化合物[g]", "胆固醇[mg]",
        "维生素 A[ugRE]", "硫胺素[mg]", "核黄素[mg]", "维生素B6[mg]", "叶酸[ug]",     "烟酸[mg]",
        "维生素B12[ug]", "维生素C[mg]", "维生素E[mg]", "钙[mg]",      "磷[mg]",       "钾[mg]",
        "钠[mg]",       "镁[mg]",      "铁[mg]",      "锌[mg]",      "硒[ug]",       "铜[mg]",
        "锰[mg]",       "碘[ug]"};
    if (nutrient < 0 || nutrient >= kRequirementCount)
        return {};
    return QString::fromUtf8(titles[nutrient]);
}

QString evaluationGridSql()
{
    return QStringLiteral("SELECT * FROM DRIs_tmp WHERE REMARK='实际' OR REMARK='标准' ORDER BY rowid");
}

bool evaluationColumnShown(int nutrient, const QSet<QString> &totalsVisibleColumns)
{
    if (nutrient == 0)
        nutrient = 1; // ENERC_kcal follows ENERC_kJ
    if (nutrient < 0 || nutrient >= kRequirementCount)
        return false;
    const QString column = QString::fromLatin1(requirementBlock()[nutrient].column);
    for (const auto &c : totalsVisibleColumns) {
        if (c.compare(column, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// ---------------------------------------------------------------- evaluation

RequirementValues requirementValuesOf(const CompositionValues &composition)
{
    return plandb::requirementValuesOf(composition);
}

bool readRequirementRows(RequirementRows *rows, QString *error)
{
    const QString t = QStringLiteral("DRIs_tmp");
    return plandb::readRequirementRow(t, QStringLiteral("RNI"), &rows->rni, nullptr, error)
           && plandb::readRequirementRow(t, QStringLiteral("EAR"), &rows->ear, nullptr, error)
           && plandb::readRequirementRow(t, QStringLiteral("UL"), &rows->ul, nullptr, error)
           && plandb::readRequirementRow(t, QStringLiteral("标准"), &rows->standard, nullptr, error)
           && plandb::readRequirementRow(t, QStringLiteral("实际"), &rows->actual, nullptr, error);
}

bool buildStandardRow(double factor, QString *error)
{
    RequirementValues rni{};
    if (!plandb::readRequirementRow(QStringLiteral("DRIs_tmp"), QStringLiteral("RNI"), &rni, nullptr, error))
        return false;
    RequirementValues standard{};
    for (int i = 0; i < kRequirementCount; ++i)
        standard[i] = rni[i] * factor;
    return plandb::writeRequirementRow(QStringLiteral("DRIs_tmp"), QStringLiteral("标准"), standard, error);
}

Evaluation evaluate(const RequirementValues &totals, double factor)
{
    Evaluation e;
    QString err;
    if (!plandb::writeRequirementRow(QStringLiteral("DRIs_tmp"), QStringLiteral("实际"), totals, &err))
        e.error = err;
    RequirementRows rows;
    err.clear();
    if (!readRequirementRows(&rows, &err) && e.error.isEmpty())
        e.error = err;
    for (int k = 0; k < kRequirementCount; ++k) {
        NutrientResult &n = e.nutrients[k];
        n.actual = totals[k];
        n.lower = rows.ear[k] * factor;
        n.upper = rows.ul[k] * factor;
        n.standard = rows.standard[k];
        n.marker = markerFor(n.actual, n.lower, n.upper);
    }
    return e;
}

Evaluation evaluateDay(const QString &week, double factor)
{
    QString err;
    const CompositionValues totals = plan::dayTotals(week, &err);
    Evaluation e = evaluate(requirementValuesOf(totals), factor);
    if (!err.isEmpty())
        e.error = err;
    return e;
}

QList<Bar> workbenchBars(const Evaluation &e, const QSet<QString> &totalsVisibleColumns)
{
    const QStringList labels = workbenchBarLabels();
    QList<Bar> bars;
    for (int k = 1; k < kRequirementCount; ++k) {
        if (!evaluationColumnShown(k, totalsVisibleColumns))
            continue;
        const NutrientResult &n = e.nutrients[k];
        bars << Bar{k, labels[k - 1], double(barPercent(n.actual, n.standard)), markerColour(n.marker)};
    }
    return bars;
}

QList<Bar> wholePercentBars(const Evaluation &e, const QStringList &labels)
{
    QList<Bar> bars;
    for (int k = 1; k < kRequirementCount; ++k) {
        const NutrientResult &n = e.nutrients[k];
        bars << Bar{k, labels.value(k - 1), double(barPercent(n.actual, n.standard)), markerColour(n.marker)};
    }
    return bars;
}

} // namespace nqb::eval
