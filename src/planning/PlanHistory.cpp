#include "planning/PlanHistory.h"

#include "data/DataModule.h"
#include "data/Schema.h"

#include <QObject>
#include <QSet>
#include <QSqlQuery>
#include <QSqlRecord>

namespace nqb::plan {

namespace {

const QString kTable = QStringLiteral("NQBNutri_tmp");

QStringList columns()
{
    const TableDef *t = findTable(kTable);
    return t ? t->columns : QStringList();
}

QString placeholders(int n)
{
    QStringList q;
    for (int i = 0; i < n; ++i)
        q << QStringLiteral("?");
    return q.join(QLatin1Char(','));
}

// Same values, with numbers compared as numbers (SQLite may hand back 150 for 150.0).
bool sameValues(const QVariantList &a, const QVariantList &b)
{
    if (a.size() != b.size())
        return false;
    for (int i = 0; i < a.size(); ++i) {
        if (a[i].isNull() != b[i].isNull())
            return false;
        if (a[i].isNull())
            continue;
        if (a[i] != b[i] && a[i].toString() != b[i].toString())
            return false;
    }
    return true;
}

// Whether the plan holds exactly the rows of expected under their rowids and
// none of the rowids that must be free.
Result planMatches(const PlanImage &expected, const PlanImage &mustBeFree)
{
    PlanImage now;
    const Result r = readPlanImage(&now);
    if (!r.ok())
        return r;
    for (auto it = expected.constBegin(); it != expected.constEnd(); ++it) {
        const auto found = now.constFind(it.key());
        if (found == now.constEnd() || !sameValues(*found, *it))
            return failure(Status::Refused, QObject::tr("配餐已在别处改变，无法撤销或恢复这一步。"));
    }
    for (auto it = mustBeFree.constBegin(); it != mustBeFree.constEnd(); ++it) {
        if (!expected.contains(it.key()) && now.contains(it.key()))
            return failure(Status::Refused, QObject::tr("配餐已在别处改变，无法撤销或恢复这一步。"));
    }
    return succeeded();
}

Result insertRow(QSqlQuery &q, qint64 rowid, const QVariantList &values, const QStringList &cols)
{
    QVariantList binds{rowid};
    binds << values;
    return sql::exec(q,
                     QStringLiteral("INSERT INTO %1 (rowid, %2) VALUES (?, %3)")
                         .arg(kTable, cols.join(QStringLiteral(", ")), placeholders(cols.size())),
                     binds, kTable);
}

// Replaces the rows of from by those of to.
Result swapRows(const PlanImage &from, const PlanImage &to)
{
    const Result ok = planMatches(from, to);
    if (!ok.ok())
        return ok;
    const QStringList cols = columns();
    sql::WriteScope scope;
    if (!scope.isOpen())
        return scope.status();
    QSqlQuery q(sql::connection());
    for (auto it = from.constBegin(); it != from.constEnd(); ++it) {
        const Result r = sql::exec(q, QStringLiteral("DELETE FROM %1 WHERE rowid=?").arg(kTable), {it.key()}, kTable);
        if (!r.ok())
            return r;
    }
    for (auto it = to.constBegin(); it != to.constEnd(); ++it) {
        const Result r = insertRow(q, it.key(), *it, cols);
        if (!r.ok())
            return r;
    }
    return scope.commit();
}

} // namespace

Result readPlanImage(PlanImage *image)
{
    image->clear();
    const QStringList cols = columns();
    QSqlQuery q(sql::connection());
    q.setForwardOnly(true);
    const Result r =
        sql::exec(q, QStringLiteral("SELECT rowid, %1 FROM %2").arg(cols.join(QStringLiteral(", ")), kTable), {}, kTable);
    if (!r.ok())
        return r;
    while (q.next()) {
        QVariantList values;
        values.reserve(cols.size());
        for (int c = 0; c < cols.size(); ++c)
            values << q.value(c + 1);
        image->insert(q.value(0).toLongLong(), values);
    }
    return succeeded();
}

PlanChange diffImages(const PlanImage &before, const PlanImage &after)
{
    PlanChange c;
    for (auto it = before.constBegin(); it != before.constEnd(); ++it) {
        const auto now = after.constFind(it.key());
        if (now == after.constEnd() || !sameValues(*now, *it))
            c.before.insert(it.key(), *it);
    }
    for (auto it = after.constBegin(); it != after.constEnd(); ++it) {
        const auto was = before.constFind(it.key());
        if (was == before.constEnd() || !sameValues(*was, *it))
            c.after.insert(it.key(), *it);
    }
    return c;
}

Result undoChange(const PlanChange &change)
{
    return swapRows(change.after, change.before);
}

Result redoChange(const PlanChange &change)
{
    return swapRows(change.before, change.after);
}

CopyResult copyEntries(const CopyRequest &request)
{
    CopyResult out;
    auto fail = [&out](const Result &r) {
        out.status = r.status;
        out.message = r.message;
        return out;
    };
    if (weekdayIndex(request.sourceDay) < 0)
        return fail(failure(Status::NotFound, QObject::tr("没有选择要复制的日期。")));
    QStringList targets;
    for (const QString &d : request.targetDays) {
        if (weekdayIndex(d) >= 0 && d != request.sourceDay && !targets.contains(d))
            targets << d;
    }
    if (targets.isEmpty())
        return fail(failure(Status::NotFound, QObject::tr("请选择要复制到的日期。")));

    const QStringList cols = columns();
    const int weekColumn = int(cols.indexOf(QStringLiteral("WEEK")));
    const int nameColumn = int(cols.indexOf(QStringLiteral("FOODNAME")));
    const int slotColumn = int(cols.indexOf(QStringLiteral("DINERTIME")));
    if (weekColumn < 0 || nameColumn < 0 || slotColumn < 0)
        return fail(failure(Status::DbError, QObject::tr("配餐表缺少列。")));

    sql::WriteScope scope;
    if (!scope.isOpen())
        return fail(scope.status());
    QSqlQuery q(sql::connection());
    QString where = QStringLiteral("WEEK=?");
    QVariantList binds{request.sourceDay};
    if (request.slot) {
        where += QStringLiteral(" AND DINERTIME=?");
        binds << slotName(*request.slot);
    }
    Result r = sql::exec(q, QStringLiteral("SELECT %1 FROM %2 WHERE %3 ORDER BY rowid")
                                .arg(cols.join(QStringLiteral(", ")), kTable, where),
                         binds, kTable);
    if (!r.ok())
        return fail(r);
    QList<QVariantList> source;
    while (q.next()) {
        QVariantList v;
        for (int c = 0; c < cols.size(); ++c)
            v << q.value(c);
        source << v;
    }

    for (const QString &day : targets) {
        if (request.replace) {
            QVariantList del{day};
            QString cond = QStringLiteral("WEEK=?");
            if (request.slot) {
                cond += QStringLiteral(" AND DINERTIME=?");
                del << slotName(*request.slot);
            }
            r = sql::exec(q, QStringLiteral("DELETE FROM %1 WHERE %2").arg(kTable, cond), del, kTable);
            if (!r.ok())
                return fail(r);
        }
        // What the day holds now: name and slot, trimmed.
        QSet<QString> planned;
        r = sql::exec(q, QStringLiteral("SELECT FOODNAME, DINERTIME FROM %1 WHERE WEEK=?").arg(kTable), {day}, kTable);
        if (!r.ok())
            return fail(r);
        while (q.next())
            planned.insert(q.value(0).toString().trimmed() + QLatin1Char('\n') + q.value(1).toString().trimmed());
        for (QVariantList v : source) {
            const QString key = v[nameColumn].toString().trimmed() + QLatin1Char('\n') + v[slotColumn].toString().trimmed();
            if (planned.contains(key)) {
                ++out.skipped;
                continue;
            }
            v[weekColumn] = day;
            r = sql::exec(q,
                          QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                              .arg(kTable, cols.join(QStringLiteral(", ")), placeholders(cols.size())),
                          v, kTable);
            if (!r.ok())
                return fail(r);
            planned.insert(key);
            ++out.copied;
        }
    }
    r = scope.commit();
    if (!r.ok()) {
        out.copied = out.skipped = 0;
        return fail(r);
    }
    out.rows = out.copied;
    return out;
}

QString copyMessage(const CopyResult &result)
{
    if (result.skipped == 0)
        return QObject::tr("已复制 %1 条。").arg(result.copied);
    return QObject::tr("已复制 %1 条，跳过 %2 条重复的。").arg(result.copied).arg(result.skipped);
}

} // namespace nqb::plan
