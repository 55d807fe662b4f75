#include "planning/SurveyResult.h"

#include "data/DataModule.h"
#include "data/NumberFormat.h"
#include "planning/PlanDb.h"

#include <QSqlQuery>
#include <QSqlRecord>

namespace nqb::survey {

using plan::PlanResult;
using plan::PlanStatus;
using plan::failure;
using plan::succeeded;

QStringList barLabels()
{
    return {QStringLiteral("能量"), QStringLiteral("蛋白"), QStringLiteral("脂肪"), QStringLiteral("碳水"),
            QStringLiteral("胆固"), QStringLiteral("VitA"), QStringLiteral("硫氨"), QStringLiteral("核黄"),
            QStringLiteral("VB6"),  QStringLiteral("叶酸"), QStringLiteral("烟酸"), QStringLiteral("VB12"),
            QStringLiteral("VitC"), QStringLiteral("VitE"), QStringLiteral("钙"),   QStringLiteral("磷"),
            QStringLiteral("钾"),   QStringLiteral("纳"),   QStringLiteral("镁"),   QStringLiteral("铁"),
            QStringLiteral("锌"),   QStringLiteral("硒"),   QStringLiteral("铜"),   QStringLiteral("锰"),
            QStringLiteral("碘")};
}

QString duplicateMessage()
{
    return QStringLiteral("该食物已存在!");
}

namespace {

// Writes the amounts of one entry (by rowid) from its code and weight.
bool recomputeRow(QSqlQuery &q, qint64 rowid, const QString &code, double weight, QString *error)
{
    QString err;
    const plan::FoodRow food = plan::lookupFoodByCode(code, &err);
    if (!err.isEmpty()) {
        if (error)
            *error = err;
        return false;
    }
    const plan::CompositionValues amounts =
        food.found() ? plan::entryAmounts(food.content, weight, plan::edibleWhole(food.edible))
                     : plan::CompositionValues{};
    QVariantList binds;
    for (double a : amounts)
        binds << a;
    binds << rowid;
    return sql::exec(
        q, QStringLiteral("UPDATE NQBNutri_tmp SET %1 WHERE rowid=?").arg(plandb::assignments(compositionColumns())),
        binds, error, QStringLiteral("NQBNutri_tmp"));
}

} // namespace

PlanResult addEntry(const QString &name, FoodKind table)
{
    const QString n = name.trimmed();
    if (n.isEmpty())
        return failure(PlanStatus::NotFound, plan::nothingChosenMessage());
    QSqlQuery q(nqb::db());
    QString err;
    if (!sql::exec(q, QStringLiteral("SELECT COUNT(*) FROM NQBNutri_tmp WHERE FOODNAME=?"), {n}, &err))
        return failure(PlanStatus::DbError, err);
    if (q.next() && q.value(0).toInt() > 0)
        return failure(PlanStatus::Duplicate, duplicateMessage());
    const plan::FoodRow food = plan::lookupFoodByName(n, table, &err);
    if (!err.isEmpty())
        return failure(PlanStatus::DbError, err);
    if (!food.found())
        return failure(PlanStatus::NotFound, plan::nothingChosenMessage());
    if (!sql::exec(q, QStringLiteral("INSERT INTO NQBNutri_tmp (CODE, FOODNAME) VALUES (?, ?)"),
                      {food.code, food.name}, &err))
        return failure(PlanStatus::DbError, err);
    return succeeded(1);
}

PlanResult setWeight(const QString &name, const QString &weightText)
{
    double weight = 0;
    QVariant stored; // NULL: no weight typed
    QString message;
    const PlanStatus ws = plan::parseWeight(weightText, &weight, &message);
    if (ws == PlanStatus::BadNumber)
        return failure(ws, message);
    if (ws == PlanStatus::Ok)
        stored = weight;
    else
        stored = QVariant(QMetaType::fromType<double>());

    sql::WriteScope tx;
    QString err;
    if (!sql::report(tx.status(), &err))
        return failure(PlanStatus::DbError, err);
    QSqlQuery q(nqb::db());
    if (!sql::exec(q, QStringLiteral("SELECT rowid, CODE FROM NQBNutri_tmp WHERE FOODNAME=? ORDER BY rowid"),
                      {name.trimmed()}, &err))
        return failure(PlanStatus::DbError, err);
    QList<QPair<qint64, QString>> rows;
    while (q.next())
        rows.append({q.value(0).toLongLong(), q.value(1).toString()});
    if (rows.isEmpty())
        return failure(PlanStatus::NotFound, plan::nothingChosenMessage());
    for (const auto &row : rows) {
        if (!sql::exec(q, QStringLiteral("UPDATE NQBNutri_tmp SET WEIGHT=? WHERE rowid=?"), {stored, row.first},
                          &err)
            || !recomputeRow(q, row.first, row.second, weight, &err))
            return failure(PlanStatus::DbError, err);
    }
    if (!sql::report(tx.commit(), &err))
        return failure(PlanStatus::DbError, err);
    return succeeded(rows.size());
}

PlanResult deleteEntry(const QString &code, const QString &name)
{
    const QString c = code.trimmed();
    const QString n = name.trimmed();
    QSqlQuery q(nqb::db());
    QString err;
    bool ok = true;
    if (!c.isEmpty())
        ok = sql::exec(q, QStringLiteral("DELETE FROM NQBNutri_tmp WHERE TRIM(CODE)=?"), {c}, &err);
    else if (!n.isEmpty())
        ok = sql::exec(q,
                          QStringLiteral("DELETE FROM NQBNutri_tmp WHERE (CODE IS NULL OR TRIM(CODE)='') AND FOODNAME=?"),
                          {n}, &err);
    else
        return {};
    if (!ok)
        return failure(PlanStatus::DbError, err);
    return succeeded(q.numRowsAffected());
}

bool recomputeEntries(QString *error)
{
    sql::WriteScope tx;
    if (!sql::report(tx.status(), error))
        return false;
    QList<std::tuple<qint64, QString, double>> rows;
    {
        QSqlQuery q(nqb::db());
        q.setForwardOnly(true);
        if (!sql::exec(q, QStringLiteral("SELECT rowid, CODE, WEIGHT FROM NQBNutri_tmp ORDER BY rowid"), {}, error,
                          QStringLiteral("NQBNutri_tmp")))
            return false;
        while (q.next())
            rows.append({q.value(0).toLongLong(), q.value(1).toString().trimmed(), toNumber(q.value(2))});
    }
    QSqlQuery q(nqb::db());
    for (const auto &[rowid, code, weight] : rows) {
        if (!recomputeRow(q, rowid, code, weight, error))
            return false;
    }
    return sql::report(tx.commit(), error);
}

Result evaluate()
{
    Result r;
    QString err;
    if (!recomputeEntries(&err)) {
        r.evaluation.error = err;
        return r;
    }
    const plan::CompositionValues totals = plan::planTotals(&err);
    if (!err.isEmpty()) {
        r.evaluation.error = err;
        return r;
    }
    if (!eval::buildStandardRow(1.0, &err)) {
        r.evaluation.error = err;
        return r;
    }
    r.evaluation = eval::evaluate(eval::requirementValuesOf(totals), 1.0);
    r.bars = eval::wholePercentBars(r.evaluation, barLabels());
    return r;
}

} // namespace nqb::survey
