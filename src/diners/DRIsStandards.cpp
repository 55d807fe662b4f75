#include "diners/DRIsStandards.h"

#include "data/Csv.h"
#include "data/InputCheck.h"
#include "data/NumberFormat.h"
#include "data/NutrientBlocks.h"

#include <QFile>
#include <QHash>
#include <QSqlQuery>
#include <array>

namespace nqb {

namespace {

QString rowKey(const QString &age, const QString &sex, const QString &act, const QString &kind)
{
    return age.trimmed() + QChar(0x1f) + sex.trimmed() + QChar(0x1f) + act.trimmed() + QChar(0x1f) + kind.trimmed();
}

QString columnTitle(int i)
{
    return standardValueTitles().value(i).replace(QLatin1Char('|'), QString());
}

// The bundled seed rows by combination and kind.
const QHash<QString, QStringList> &shippedRows()
{
    static const QHash<QString, QStringList> rows = [] {
        QHash<QString, QStringList> out;
        QFile f(QStringLiteral(":/seed/DRIsStand_tb.csv"));
        if (!f.open(QIODevice::ReadOnly))
            return out;
        const QList<QStringList> csv = parseCsv(QString::fromUtf8(f.readAll()));
        if (csv.isEmpty())
            return out;
        const QStringList header = csv.first();
        auto at = [&header](const QString &c) {
            for (int i = 0; i < header.size(); ++i)
                if (header[i].compare(c, Qt::CaseInsensitive) == 0)
                    return i;
            return -1;
        };
        const int age = at(QStringLiteral("AGETEXT")), sex = at(QStringLiteral("SEX")),
                  act = at(QStringLiteral("ACT")), kind = at(QStringLiteral("DRIS"));
        QList<int> cols;
        for (const QString &c : standardValueColumns())
            cols << at(c);
        if (age < 0 || sex < 0 || act < 0 || kind < 0 || cols.contains(-1))
            return out;
        for (int r = 1; r < csv.size(); ++r) {
            const QStringList &row = csv[r];
            if (row.size() != header.size())
                continue;
            QStringList values;
            for (int c : cols)
                values << row[c];
            out.insert(rowKey(row[age], row[sex], row[act], row[kind]), values);
        }
        return out;
    }();
    return rows;
}

QString valueText(const QVariant &v)
{
    return v.isNull() ? QString() : fmtG(v.toDouble());
}

} // namespace

QStringList standardValueColumns()
{
    return QStringList{QStringLiteral("WEIGHT")} + requirementColumns();
}

QStringList standardValueTitles()
{
    return {QStringLiteral("体重 [Kg]"),  QStringLiteral("能量|[kcal]"),  QStringLiteral("能量|[kJ)]"),
            QStringLiteral("蛋白质[g]"),  QStringLiteral("脂肪[g]"),      QStringLiteral("碳水化合物[g]"),
            QStringLiteral("胆固醇[mg]"), QStringLiteral("维生素 A[ugRE]"), QStringLiteral("硫胺素[mg]"),
            QStringLiteral("核黄素[mg]"), QStringLiteral("维生素B6[mg]"), QStringLiteral("叶酸[ug]"),
            QStringLiteral("烟酸[mg]"),   QStringLiteral("维生素B12[ug]"), QStringLiteral("维生素C[mg]"),
            QStringLiteral("维生素E[mg]"), QStringLiteral("钙[mg]"),        QStringLiteral("磷[mg]"),
            QStringLiteral("钾[mg]"),     QStringLiteral("钠[mg]"),       QStringLiteral("镁[mg]"),
            QStringLiteral("铁[mg]"),     QStringLiteral("锌[mg]"),       QStringLiteral("硒[ug]"),
            QStringLiteral("铜[mg]"),     QStringLiteral("锰[mg]"),       QStringLiteral("碘[ug]")};
}

QStringList standardStateOrder()
{
    return {QStringLiteral("孕早"), QStringLiteral("孕中"), QStringLiteral("孕晚"), QStringLiteral("哺乳")};
}

Result readStandards(QSqlDatabase db, const StandardFilter &filter, QList<StandardRow> &out)
{
    out.clear();
    const QString select = QStringLiteral("SELECT rowid, AGETEXT, SEX, ACT, DRIS, ") +
                           standardValueColumns().join(QStringLiteral(", ")) + QStringLiteral(" FROM DRIsStand_tb ");
    QSqlQuery q(db);
    Result r;
    if (filter.states) {
        const QStringList st = standardStateOrder();
        r = sql::exec(q,
                      select + QStringLiteral("WHERE SEX IN (?, ?, ?, ?) AND DRIS = ? ORDER BY CASE SEX WHEN ? THEN 0 "
                                              "WHEN ? THEN 1 WHEN ? THEN 2 ELSE 3 END, AGEFIR, rowid"),
                      {st[0], st[1], st[2], st[3], filter.kind, st[0], st[1], st[2]});
    } else {
        r = sql::exec(q, select + QStringLiteral("WHERE SEX = ? AND ACT = ? AND DRIS = ? ORDER BY AGEFIR ASC, rowid"),
                      {filter.sex, filter.activity, filter.kind});
    }
    if (!r)
        return r;
    const int n = standardValueColumns().size();
    while (q.next()) {
        StandardRow row;
        row.rowId = q.value(0).toLongLong();
        row.ageText = q.value(1).toString();
        row.sex = q.value(2).toString();
        row.activity = q.value(3).toString();
        row.kind = q.value(4).toString();
        for (int i = 0; i < n; ++i)
            row.values << valueText(q.value(5 + i));
        out << row;
    }
    return succeeded(out.size());
}

Result checkStandardRow(QSqlDatabase db, const StandardRow &row)
{
    const QStringList cols = standardValueColumns();
    if (row.values.size() != cols.size())
        return failure(Status::BadNumber, QStringLiteral("本行的数值不完整，未保存。"));
    std::array<double, 27> own{};
    for (int i = 0; i < cols.size(); ++i) {
        bool ok = false;
        own[i] = parseNumber(row.values[i], &ok);
        if (!ok || row.values[i].trimmed().isEmpty())
            return failure(Status::BadNumber,
                           QStringLiteral("“%1”请填写数字，本行未保存。").arg(columnTitle(i)));
        QString message;
        if (!input::readNumber(columnTitle(i), row.values[i], 0, input::kMaxNutrient, nullptr, &message))
            return failure(Status::BadNumber, message + QStringLiteral("本行未保存。"));
    }
    // The three kinds of the row's combination, the row's own from its new values.
    QHash<QString, std::array<double, 27>> kinds;
    kinds.insert(row.kind, own);
    QSqlQuery q(db);
    const Result r = sql::exec(q, QStringLiteral("SELECT DRIS, ") + cols.join(QStringLiteral(", ")) +
                                      QStringLiteral(" FROM DRIsStand_tb WHERE AGETEXT = ? AND SEX = ? AND ACT = ? "
                                                     "AND rowid <> ?"),
                               {row.ageText, row.sex, row.activity, row.rowId});
    if (!r)
        return r;
    while (q.next()) {
        const QString kind = q.value(0).toString().trimmed();
        if (kinds.contains(kind))
            continue;
        std::array<double, 27> v{};
        for (int i = 0; i < cols.size(); ++i)
            v[i] = toNumber(q.value(1 + i));
        kinds.insert(kind, v);
    }
    const auto ear = kinds.constFind(QStringLiteral("EAR"));
    const auto rni = kinds.constFind(QStringLiteral("RNI"));
    const auto ul = kinds.constFind(QStringLiteral("UL"));
    for (int i = 1; i < cols.size(); ++i) { // the nutrients; the weight has no bounds
        const bool earOk = ear == kinds.cend() || rni == kinds.cend() || (*ear)[i] <= (*rni)[i];
        const bool ulOk = ul == kinds.cend() || rni == kinds.cend() || (*rni)[i] < (*ul)[i];
        if (!earOk || !ulOk) {
            return failure(Status::Refused,
                           QStringLiteral("“%1”应满足 下限 ≤ 标准 < 上限（下限 %2，标准 %3，上限 %4），本行未保存。")
                               .arg(columnTitle(i),
                                    ear == kinds.cend() ? QStringLiteral("-") : fmtG((*ear)[i]),
                                    fmtG((*rni)[i]),
                                    ul == kinds.cend() ? QStringLiteral("-") : fmtG((*ul)[i])));
        }
    }
    return succeeded();
}

Result storeStandardRow(QSqlDatabase db, const StandardRow &row)
{
    Result r = checkStandardRow(db, row);
    if (!r)
        return r;
    QStringList sets;
    QVariantList binds;
    const QStringList cols = standardValueColumns();
    for (int i = 0; i < cols.size(); ++i) {
        sets << cols[i] + QStringLiteral(" = ?");
        binds << parseNumber(row.values[i]);
    }
    binds << row.rowId;
    QSqlQuery q(db);
    r = sql::exec(q, QStringLiteral("UPDATE DRIsStand_tb SET ") + sets.join(QStringLiteral(", ")) +
                         QStringLiteral(" WHERE rowid = ?"),
                  binds);
    if (r && r.rows < 1)
        return failure(Status::NotFound, QStringLiteral("DRIs 表中已没有这一行，未保存。"));
    return r;
}

bool shippedStandardRow(const StandardRow &row, QStringList &values)
{
    const auto it = shippedRows().constFind(rowKey(row.ageText, row.sex, row.activity, row.kind));
    if (it == shippedRows().cend())
        return false;
    values = *it;
    return true;
}

Result restoreShippedStandards(QSqlDatabase db, const QList<StandardRow> &rows)
{
    sql::WriteScope scope(db);
    if (!scope.isOpen())
        return scope.status();
    const QStringList cols = standardValueColumns();
    QStringList sets;
    for (const QString &c : cols)
        sets << c + QStringLiteral(" = ?");
    const QString update = QStringLiteral("UPDATE DRIsStand_tb SET ") + sets.join(QStringLiteral(", ")) +
                           QStringLiteral(" WHERE rowid = ?");
    int restored = 0;
    QSqlQuery q(db);
    for (const StandardRow &row : rows) {
        QStringList values;
        if (!shippedStandardRow(row, values))
            continue;
        QVariantList binds;
        for (const QString &v : values)
            binds << (v.isEmpty() ? QVariant() : QVariant(parseNumber(v)));
        binds << row.rowId;
        const Result r = sql::exec(q, update, binds);
        if (!r)
            return r;
        restored += r.rows;
    }
    Result done = scope.commit();
    if (done)
        done.rows = restored;
    return done;
}

} // namespace nqb
