#include "planning/WeekStats.h"

#include "data/DataModule.h"
#include "data/NumberFormat.h"
#include "planning/MealPlan.h"
#include "planning/PlanDb.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <cmath>

namespace nqb::weekstats {

QStringList barLabels()
{
    return {QStringLiteral("能量"),  QStringLiteral("蛋白"), QStringLiteral("脂肪"), QStringLiteral("碳"),
            QStringLiteral("胆固醇"), QStringLiteral("VA"),  QStringLiteral("硫胺"), QStringLiteral("核黄"),
            QStringLiteral("VitB6"), QStringLiteral("叶酸"), QStringLiteral("烟酸"), QStringLiteral("VB12"),
            QStringLiteral("VitC"),  QStringLiteral("VitE"), QStringLiteral("钙"),   QStringLiteral("磷"),
            QStringLiteral("钾"),    QStringLiteral("钠"),   QStringLiteral("镁"),   QStringLiteral("铁"),
            QStringLiteral("锌"),    QStringLiteral("硒"),   QStringLiteral("铜"),   QStringLiteral("锰"),
            QStringLiteral("碘")};
}

bool parsePercentages(const QStringList &texts, Percentages *out, QString *error)
{
    if (texts.size() != 7) {
        if (error)
            *error = QStringLiteral("需要七天的配餐系数比。");
        return false;
    }
    Percentages p{};
    for (int i = 0; i < 7; ++i) {
        bool ok = false;
        p[i] = texts[i].trimmed().toInt(&ok);
        if (!ok) {
            if (error)
                *error = QStringLiteral("“%1”不是有效的整数。").arg(texts[i]);
            return false;
        }
    }
    *out = p;
    return true;
}

int selectionPercent(const Percentages &p, const QString &code)
{
    if (code == QLatin1String(plan::kAllWeekCode)) {
        int sum = 0;
        for (int v : p)
            sum += v;
        return sum;
    }
    const int i = plan::weekdayIndex(code);
    return i < 0 ? -1 : p[i];
}

double standardValue(double rni, int q)
{
    return roundHalfEven(rni * q, 0) / 100.0;
}

double barValue(double a, double s)
{
    if (s == 0.0 || !std::isfinite(s))
        return 0.0;
    const double v = roundHalfEven(a * 1000.0 / s, 0) / 10.0;
    return std::isfinite(v) ? v : 0.0;
}

QString gridSql()
{
    // "实际" before "标准" whatever the collation orders the two texts.
    return QStringLiteral("SELECT * FROM WeekStats_tmp WHERE WEEK=? OR REMARK='标准' "
                          "ORDER BY CASE WHEN REMARK='实际' THEN 0 ELSE 1 END, rowid");
}

namespace {

QString missingActualRow(const QString &week)
{
    return QObject::tr("WeekStats_tmp 中缺少“%1”的“实际”行，无法统计。").arg(week);
}

bool writeActual(const QString &week, const RequirementValues &v, QString *error)
{
    QVariantList binds;
    for (double x : v)
        binds << x;
    binds << week;
    const QString sql = QStringLiteral("UPDATE WeekStats_tmp SET %1 WHERE WEEK=? AND REMARK='实际'")
                            .arg(plandb::assignments(requirementColumns()));
    QSqlQuery &q = sql::statement(sql);
    if (!sql::exec(q, sql, binds, error, QStringLiteral("WeekStats_tmp")))
        return false;
    // A missing row would leave that range without figures: the sums are not kept.
    if (q.numRowsAffected() < 1) {
        if (error)
            *error = missingActualRow(week);
        return false;
    }
    return true;
}

} // namespace

bool recompute(QString *error)
{
    sql::WriteScope tx;
    if (!sql::report(tx.status(), error))
        return false;
    // Clear every row.
    {
        QVariantList zeros;
        for (int i = 0; i < kRequirementCount; ++i)
            zeros << 0.0;
        const QString sql = QStringLiteral("UPDATE WeekStats_tmp SET %1").arg(plandb::assignments(requirementColumns()));
        if (!sql::exec(sql::statement(sql), sql, zeros, error, QStringLiteral("WeekStats_tmp")))
            return false;
    }

    // Sum the plan in table order: every entry into the whole week, the
    // entries of the seven weekdays into their day as well.
    RequirementValues week{};
    std::array<RequirementValues, plan::kWeekdayCount> days{};
    {
        sql::Read rows(QStringLiteral("SELECT WEEK, %1 FROM NQBNutri_tmp ORDER BY rowid")
                           .arg(joinColumns(requirementColumns())));
        while (rows.next()) {
            const RequirementValues v = plandb::requirementOf(rows, 1);
            const int day = plan::weekdayIndex(rows.text(0));
            for (int k = 0; k < kRequirementCount; ++k) {
                week[k] += v[k];
                if (day >= 0)
                    days[day][k] += v[k];
            }
        }
        if (!rows.ok()) {
            if (error)
                *error = QStringLiteral("NQBNutri_tmp: ") + rows.status().message;
            return false;
        }
    }
    if (!writeActual(QString::fromLatin1(plan::kAllWeekCode), week, error))
        return false;
    for (int d = 0; d < plan::kWeekdayCount; ++d) {
        if (!writeActual(plan::weekdayCode(d), days[d], error))
            return false;
    }

    // The requirement rows.
    for (const QString &remark : {QStringLiteral("RNI"), QStringLiteral("EAR"), QStringLiteral("UL")}) {
        RequirementValues v{};
        if (!plandb::readRequirementRow(QStringLiteral("DRIs_tmp"), remark, &v, nullptr, error))
            return false;
        if (!plandb::writeRequirementRow(QStringLiteral("WeekStats_tmp"), remark, v, error))
            return false;
    }
    return sql::report(tx.commit(), error);
}

Selection showSelection(const QString &code, int percent)
{
    Selection s;
    s.code = code;
    s.percent = percent;
    if (code != QLatin1String(plan::kAllWeekCode) && plan::weekdayIndex(code) < 0) {
        s.error = QStringLiteral("未知的统计范围 %1").arg(code);
        return s;
    }
    const QString table = QStringLiteral("WeekStats_tmp");
    RequirementValues rni{}, ear{}, ul{}, actual{};
    QString err;
    if (!plandb::readRequirementRow(table, QStringLiteral("RNI"), &rni, nullptr, &err)
        || !plandb::readRequirementRow(table, QStringLiteral("EAR"), &ear, nullptr, &err)
        || !plandb::readRequirementRow(table, QStringLiteral("UL"), &ul, nullptr, &err)) {
        s.error = err;
        return s;
    }
    RequirementValues standard{};
    for (int k = 0; k < kRequirementCount; ++k)
        standard[k] = standardValue(rni[k], percent);
    if (!plandb::writeRequirementRow(table, QStringLiteral("标准"), standard, &err))
        s.error = err;

    sql::Read q(QStringLiteral("SELECT %1 FROM WeekStats_tmp WHERE WEEK=? AND REMARK='实际' ORDER BY rowid LIMIT 1")
                    .arg(joinColumns(requirementColumns())),
                {code});
    const bool onRow = q.next();
    if (onRow)
        actual = plandb::requirementOf(q, 0);
    if (s.error.isEmpty()) {
        if (!q.ok())
            s.error = table + QStringLiteral(": ") + q.status().message;
        else if (!onRow)
            s.error = missingActualRow(code);
    }

    const QStringList labels = barLabels();
    for (int k = 0; k < kRequirementCount; ++k) {
        eval::NutrientResult &n = s.nutrients[k];
        n.actual = actual[k];
        n.lower = ear[k] * percent / 100.0;
        n.upper = ul[k] * percent / 100.0;
        n.standard = standard[k];
        n.marker = eval::markerFor(n.actual, n.lower, n.upper);
        if (k > 0)
            s.bars << eval::Bar{k, labels[k - 1], barValue(n.actual, n.standard), eval::markerColour(n.marker)};
    }
    return s;
}

} // namespace nqb::weekstats
