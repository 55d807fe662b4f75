#include "data/Seed.h"

#include "data/Db.h"

#include "data/Csv.h"
#include "data/Pinyin.h"
#include "data/Schema.h"
#include "foods/DishMath.h"

#include <QDir>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>

namespace nqb {

namespace {

// Loads one seed file into its table; the file's header names the columns it fills.
QString loadFile(QSqlDatabase db, const QString &table, const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("%1: %2").arg(table, f.errorString());
    const QList<QStringList> rows = parseCsv(QString::fromUtf8(f.readAll()));
    if (rows.isEmpty())
        return {};
    const TableDef *def = findTable(table);
    if (!def)
        return QStringLiteral("%1: unknown table").arg(table);
    const QStringList header = rows.first();
    for (const auto &c : header) {
        if (!def->columns.contains(c, Qt::CaseInsensitive))
            return QStringLiteral("%1: unknown column %2").arg(table, c);
    }
    QStringList marks;
    for (int i = 0; i < header.size(); ++i)
        marks << QStringLiteral("?");
    QSqlQuery q(db);
    if (!q.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                       .arg(table, header.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")))))
        return QStringLiteral("%1: %2").arg(table, q.lastError().text());
    for (int r = 1; r < rows.size(); ++r) {
        const QStringList &row = rows[r];
        if (row.size() != header.size())
            return QStringLiteral("%1 line %2: %3 fields, expected %4").arg(table).arg(r + 1).arg(row.size()).arg(header.size());
        for (int i = 0; i < row.size(); ++i)
            q.bindValue(i, row[i].isEmpty() ? QVariant() : QVariant(row[i]));
        if (!q.exec())
            return QStringLiteral("%1 line %2: %3").arg(table).arg(r + 1).arg(q.lastError().text());
    }
    return {};
}

// Fills the empty pinyin initials of a food table from the names.
QString fillPinyin(QSqlDatabase db, const QString &table, const QString &nameColumn)
{
    QSqlQuery sel(db);
    if (!sel.exec(QStringLiteral("SELECT rowid, %1 FROM %2 WHERE PYJM IS NULL OR PYJM = ''").arg(nameColumn, table)))
        return QStringLiteral("%1: %2").arg(table, sel.lastError().text());
    QSqlQuery upd(db);
    if (!upd.prepare(QStringLiteral("UPDATE %1 SET PYJM = ? WHERE rowid = ?").arg(table)))
        return QStringLiteral("%1: %2").arg(table, upd.lastError().text());
    while (sel.next()) {
        upd.bindValue(0, PinyinInitials(sel.value(1).toString()));
        upd.bindValue(1, sel.value(0));
        if (!upd.exec())
            return QStringLiteral("%1: %2").arg(table, upd.lastError().text());
    }
    return {};
}

// Completes the loaded rows: pinyin initials of every food and dish name, and
// each dish's composition computed from its ingredients.
QString completeSeed(QSqlDatabase db)
{
    static const char *const kNamed[][2] = {
        {"Nutri_tb", "FoodName"},       {"CateNutri_tb", "FOODNAME"}, {"GlycemicIndex_tb", "FoodName"},
        {"Amino_tb", "FoodName"},       {"Fatty_tb", "FoodName"},     {"OtherContent_tb", "FoodName"},
        {"Isoflavone_tb", "FoodName"},
    };
    for (const auto &t : kNamed) {
        const QString err = fillPinyin(db, QString::fromLatin1(t[0]), QString::fromLatin1(t[1]));
        if (!err.isEmpty())
            return err;
    }
    QString err;
    if (!storeDishBlocks(db, &err))
        return QStringLiteral("CateNutri_tb: %1").arg(err);
    return {};
}

} // namespace

QString populateSeed(QSqlDatabase db)
{
    sql::WriteScope scope(db);
    if (!scope.isOpen())
        return scope.status().message;
    // Tables load in schema order (dishes before their ingredient rows). Each
    // table takes ":/seed/<table>.csv" and then any ":/seed/<table>.<part>.csv".
    const QStringList files = QDir(QStringLiteral(":/seed")).entryList(QDir::Files, QDir::Name);
    for (const auto &t : schemaTables()) {
        QStringList mine;
        for (const auto &f : files) {
            if (f.compare(t.name + QStringLiteral(".csv"), Qt::CaseInsensitive) == 0)
                mine.prepend(f);
            else if (f.startsWith(t.name + QLatin1Char('.'), Qt::CaseInsensitive) && f.endsWith(QLatin1String(".csv")))
                mine.append(f);
        }
        for (const auto &f : mine) {
            const QString err = loadFile(db, t.name, QStringLiteral(":/seed/") + f);
            if (!err.isEmpty())
                return err;
        }
    }
    const QString err = completeSeed(db);
    if (!err.isEmpty())
        return err;
    return scope.commit().message;
}

} // namespace nqb
