#pragma once
// Rows the planning tests put into their fresh database: raw foods, dishes,
// requirement rows and plan entries, all with values chosen by the test.
#include "data/DataModule.h"
#include "data/NumberFormat.h"
#include "data/NutrientBlocks.h"
#include "data/Schema.h"

#include <QMap>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QVariant>
#include <QtTest>

namespace fixtures {

using Values = QMap<QString, double>;

inline bool run(const QString &sql, const QVariantList &binds = {})
{
    QSqlQuery q(nqb::db());
    if (!q.prepare(sql)) {
        qWarning("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
        return false;
    }
    for (const auto &v : binds)
        q.addBindValue(v);
    if (!q.exec()) {
        qWarning("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
        return false;
    }
    return true;
}

// A raw food (table "Nutri_tb", id column Code) or dish ("CateNutri_tb", FOODID)
// with the given content per 100 g; columns not named stay empty.
inline bool insertFoodRow(const QString &table, const QString &id, const QString &name, const QVariant &edible,
                          const Values &content)
{
    const bool raw = table == QLatin1String("Nutri_tb");
    QStringList cols{raw ? QStringLiteral("Code") : QStringLiteral("FOODID"), QStringLiteral("FOODNAME"),
                     QStringLiteral("EDIBLE")};
    QVariantList binds{id, name, edible};
    for (auto it = content.begin(); it != content.end(); ++it) {
        cols << it.key();
        binds << it.value();
    }
    QStringList marks;
    for (int i = 0; i < cols.size(); ++i)
        marks << QStringLiteral("?");
    return run(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(table, cols.join(','), marks.join(',')), binds);
}

inline bool insertFood(const QString &code, const QString &name, const QVariant &edible, const Values &content)
{
    return insertFoodRow(QStringLiteral("Nutri_tb"), code, name, edible, content);
}

inline bool insertDish(const QString &id, const QString &name, const QVariant &edible, const Values &content)
{
    return insertFoodRow(QStringLiteral("CateNutri_tb"), id, name, edible, content);
}

// Sets every requirement column of the first row with this REMARK in table
// ("DRIs_tmp" or "WeekStats_tmp") to value, then the named ones to theirs.
inline bool setRequirementRow(const QString &table, const QString &remark, double value, const Values &named = {})
{
    QStringList sets;
    QVariantList binds;
    for (const auto &c : nqb::requirementColumns()) {
        sets << c + QStringLiteral("=?");
        binds << (named.contains(c) ? named.value(c) : value);
    }
    binds << remark;
    return run(QStringLiteral("UPDATE %1 SET %2 WHERE REMARK=?").arg(table, sets.join(',')), binds);
}

// A whole plan row given column by column (all 43 columns of NQBNutri_tmp).
inline bool insertPlanRow(const QVariantList &values)
{
    const QStringList cols = nqb::findTable(QStringLiteral("NQBNutri_tmp"))->columns;
    QStringList marks;
    for (int i = 0; i < cols.size(); ++i)
        marks << QStringLiteral("?");
    return run(QStringLiteral("INSERT INTO NQBNutri_tmp (%1) VALUES (%2)").arg(cols.join(','), marks.join(',')),
               values);
}

// An entry with a few leading columns and the named amounts (others empty).
inline bool insertEntry(const QString &week, const QString &slot, const QString &name, double weight,
                        const Values &amounts, const QString &code = QStringLiteral("99-9-999"))
{
    QStringList cols{QStringLiteral("CODE"), QStringLiteral("FOODNAME"), QStringLiteral("WEEK"),
                     QStringLiteral("DINERTIME"), QStringLiteral("WEIGHT")};
    QVariantList binds{code, name, week, slot, weight};
    for (auto it = amounts.begin(); it != amounts.end(); ++it) {
        cols << it.key();
        binds << it.value();
    }
    QStringList marks;
    for (int i = 0; i < cols.size(); ++i)
        marks << QStringLiteral("?");
    return run(QStringLiteral("INSERT INTO NQBNutri_tmp (%1) VALUES (%2)").arg(cols.join(','), marks.join(',')),
               binds);
}

// All rows of a statement, every column as stored.
inline QList<QVariantList> rows(const QString &sql, const QVariantList &binds = {})
{
    QList<QVariantList> out;
    QSqlQuery q(nqb::db());
    q.prepare(sql);
    for (const auto &v : binds)
        q.addBindValue(v);
    if (!q.exec()) {
        qWarning("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
        return out;
    }
    while (q.next()) {
        QVariantList r;
        for (int i = 0; i < q.record().count(); ++i)
            r << q.value(i);
        out << r;
    }
    return out;
}

// The first value of a statement.
inline QVariant value(const QString &sql, const QVariantList &binds = {})
{
    const auto r = rows(sql, binds);
    return r.isEmpty() || r.first().isEmpty() ? QVariant() : r.first().first();
}

inline double entryValue(const QString &column, const QString &name, const QString &week, const QString &slot)
{
    return nqb::toNumber(value(QStringLiteral("SELECT %1 FROM NQBNutri_tmp WHERE FOODNAME=? AND WEEK=? AND DINERTIME=?")
                                   .arg(column),
                               {name, week, slot}));
}

} // namespace fixtures
