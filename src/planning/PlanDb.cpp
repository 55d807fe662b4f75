#include "planning/PlanDb.h"

#include "data/DataModule.h"
#include "data/NumberFormat.h"

#include <QObject>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace nqb::plandb {

CompositionValues compositionOf(const QSqlRecord &record)
{
    CompositionValues v{};
    const QStringList cols = compositionColumns();
    for (int i = 0; i < kCompositionCount; ++i)
        v[i] = toNumber(record.value(cols[i]));
    return v;
}

RequirementValues requirementOf(const QSqlRecord &record)
{
    RequirementValues v{};
    const QStringList cols = requirementColumns();
    for (int i = 0; i < kRequirementCount; ++i)
        v[i] = toNumber(record.value(cols[i]));
    return v;
}

QString assignments(const QStringList &columns)
{
    QStringList parts;
    parts.reserve(columns.size());
    for (const auto &c : columns)
        parts << c + QStringLiteral("=?");
    return parts.join(QStringLiteral(", "));
}

RequirementValues requirementValuesOf(const CompositionValues &composition)
{
    RequirementValues r{};
    for (int i = 0; i < kRequirementCount; ++i)
        r[i] = composition[compositionIndexOfRequirement(i)];
    return r;
}

namespace {
// Only the two tables that carry requirement rows are addressed by name.
bool knownRequirementTable(const QString &table)
{
    return table == QLatin1String("DRIs_tmp") || table == QLatin1String("WeekStats_tmp");
}
} // namespace

bool readRequirementRow(const QString &table, const QString &remark, RequirementValues *values, bool *found,
                        QString *error)
{
    *values = RequirementValues{};
    if (found)
        *found = false;
    if (!knownRequirementTable(table)) {
        if (error)
            *error = QObject::tr("未知的数据表 %1").arg(table);
        return false;
    }
    const QString sql = QStringLiteral("SELECT %1 FROM %2 WHERE REMARK=? ORDER BY rowid LIMIT 1")
                            .arg(joinColumns(requirementColumns()), table);
    sql::Read r(sql, {remark});
    if (r.next()) {
        *values = requirementOf(r, 0);
        if (found)
            *found = true;
    }
    if (!r.ok()) {
        *values = RequirementValues{};
        if (found)
            *found = false;
        if (error)
            *error = table + QStringLiteral(": ") + r.status().message;
        return false;
    }
    return true;
}

bool writeRequirementRow(const QString &table, const QString &remark, const RequirementValues &values,
                         QString *error)
{
    if (!knownRequirementTable(table)) {
        if (error)
            *error = QObject::tr("未知的数据表 %1").arg(table);
        return false;
    }
    const QString sql =
        QStringLiteral("UPDATE %1 SET %2 WHERE rowid=(SELECT rowid FROM %1 WHERE REMARK=? ORDER BY rowid LIMIT 1)")
            .arg(table, assignments(requirementColumns()));
    QSqlQuery &q = sql::statement(sql);
    QVariantList binds;
    for (double v : values)
        binds << v;
    binds << remark;
    if (!sql::exec(q, sql, binds, error, table))
        return false;
    if (q.numRowsAffected() < 1) {
        if (error)
            *error = QObject::tr("%1 中缺少“%2”行。").arg(table, remark);
        return false;
    }
    return true;
}

} // namespace nqb::plandb
