#include "data/FunctionUnit.h"

#include "data/DataModule.h"
#include "data/Db.h"
#include "data/NutrientBlocks.h"
#include "data/Schema.h"

#include <QHash>
#include <QObject>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <algorithm>
#include <vector>

namespace nqb {

namespace {

bool fail(QString *error, const QString &text)
{
    if (error)
        *error = databaseErrorText(text);
    return false;
}

bool fail(QString *error, const QSqlQuery &q)
{
    return fail(error, q.lastError().text());
}

void clearError(QString *error)
{
    if (error)
        error->clear();
}

bool run(QSqlQuery &q, const QString &sql, const QVariantList &binds, QString *error)
{
    return sql::exec(q, sql, binds, error);
}

// ["a","b",...] of the texts, for json_each(): quotes, backslashes and
// control characters escaped, everything else as it is.
QString jsonTextArray(const QStringList &texts)
{
    QString out;
    qsizetype size = 2;
    for (const QString &t : texts)
        size += t.size() + 3;
    out.reserve(size);
    out += QLatin1Char('[');
    for (qsizetype i = 0; i < texts.size(); ++i) {
        if (i)
            out += QLatin1Char(',');
        out += QLatin1Char('"');
        for (const QChar c : texts.at(i)) {
            if (c == QLatin1Char('"') || c == QLatin1Char('\\')) {
                out += QLatin1Char('\\');
                out += c;
            } else if (c.unicode() < 0x20) {
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            } else {
                out += c;
            }
        }
        out += QLatin1Char('"');
    }
    out += QLatin1Char(']');
    return out;
}

// The failure of a direct read, as the message to show.
bool fail(QString *error, const sql::Read &r)
{
    if (error)
        *error = r.status().message;
    return false;
}

// Column index of field in the result of a direct read, or -1 with the error set.
int fieldIndex(const sql::Read &r, const QString &field, QString *error)
{
    if (!r.ok()) {
        fail(error, r);
        return -1;
    }
    for (int c = 0; c < r.columnCount(); ++c) {
        if (r.columnName(c).compare(field, Qt::CaseInsensitive) == 0)
            return c;
    }
    fail(error, QObject::tr("查询结果中没有字段 %1。").arg(field));
    return -1;
}

// The values of one column of a direct read, in its order.
QStringList columnTexts(sql::Read &r, int column, QString *error)
{
    QStringList values;
    while (r.next())
        values << r.text(column);
    if (!r.ok()) {
        fail(error, r);
        return {};
    }
    return values;
}

// Column index of field in the result of q, or -1 with the error set.
int fieldIndex(const QSqlQuery &q, const QString &field, QString *error)
{
    const int i = q.record().indexOf(field);
    if (i < 0)
        fail(error, QObject::tr("查询结果中没有字段 %1。").arg(field));
    return i;
}

// "007" -> 7; false for anything that is not a run of ASCII digits.
bool readNumber(const QString &text, qint64 *value)
{
    if (text.isEmpty() || text.size() > 9)
        return false;
    qint64 v = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
        v = v * 10 + (c.unicode() - '0');
    }
    *value = v;
    return true;
}

// The smallest positive number not in used: the numbers are walked in
// ascending order with a candidate that starts at 1 and grows each time it
// is met. The table order of the rows plays no part.
qint64 smallestFree(std::vector<qint64> used)
{
    std::sort(used.begin(), used.end());
    qint64 candidate = 1;
    for (const qint64 n : used) {
        if (n == candidate)
            ++candidate;
    }
    return candidate;
}

} // namespace

bool ClearTable(const QString &table, QString *error)
{
    clearError(error);
    const TableDef *def = findTable(table);
    if (!def)
        return fail(error, QObject::tr("没有数据表 %1。").arg(table));
    if (def->createSql.value(0).startsWith(QLatin1String("CREATE VIEW"), Qt::CaseInsensitive))
        return fail(error, QObject::tr("%1 是视图，不能清空。").arg(def->name));
    QSqlQuery q(db());
    if (!run(q, QStringLiteral("DELETE FROM ") + def->name, {}, error))
        return false;
    return true;
}

bool SearchFood(const QString &table, const QString &text, QString *error)
{
    clearError(error);
    QString name;
    for (const char *t : {"Nutri_tb", "CateNutri_tb"}) {
        if (table.compare(QLatin1String(t), Qt::CaseInsensitive) == 0)
            name = QLatin1String(t);
    }
    if (name.isEmpty())
        return fail(error, QObject::tr("不能在数据表 %1 中查找食物。").arg(table));
    if (!DM())
        return fail(error, QObject::tr("数据库未打开。"));
    QSqlQuery &q = DM()->AQSearchFood();
    q.finish();
    q.setForwardOnly(true);
    QVariantList binds;
    const QString where = sql::containsCondition({QStringLiteral("FoodName"), QStringLiteral("PYJM")}, text, &binds);
    return run(q, QStringLiteral("SELECT * FROM %1 WHERE %2").arg(name, where), binds, error);
}

QList<FoodTreeNode> FoodTreeNodes(QString *error)
{
    clearError(error);
    QList<FoodTreeNode> nodes;
    bool shortGroup = false; // a group text of fewer than two characters
    {
        sql::Read r(QStringLiteral("SELECT FoodGroup FROM FoodKind_tb ORDER BY rowid"));
        while (r.next()) {
            nodes.append({r.text(0).trimmed(), {}});
            shortGroup = shortGroup || nodes.constLast().text.size() < 2;
        }
        if (!r.ok()) {
            fail(error, r);
            return {};
        }
    }

    // A sub-group belongs to every group whose text starts with its group
    // number. Both are compared by their first two characters, case folded,
    // in one number; a group number of two ASCII characters (all of them, in
    // practice) is read from its bytes without making a text of it.
    const auto key = [](QChar a, QChar b) {
        return (quint32(a.toCaseFolded().unicode()) << 16) | b.toCaseFolded().unicode();
    };
    struct Sub {
        quint32 key;
        bool keyed; // the group number has two characters or more
        QString group; // only kept for a group text shorter than two characters
        QString text;
    };
    QList<Sub> subs;
    subs.reserve(128);
    {
        sql::Read r(QStringLiteral("SELECT FoodGroup, FoodGroupSub FROM FoodKindSub_tb ORDER BY rowid"));
        while (r.next()) {
            Sub sub{0, false, {}, r.text(1).trimmed()};
            const QByteArrayView number = r.view(0);
            if (number.size() >= 2 && uchar(number[0]) < 0x80 && uchar(number[1]) < 0x80) {
                sub.key = key(QLatin1Char(number[0]), QLatin1Char(number[1]));
                sub.keyed = true;
            }
            if (!sub.keyed || shortGroup) {
                sub.group = r.text(0);
                if (!sub.keyed && sub.group.size() >= 2) {
                    sub.key = key(sub.group.at(0), sub.group.at(1));
                    sub.keyed = true;
                }
            }
            subs.append(std::move(sub));
        }
        if (!r.ok()) {
            fail(error, r);
            return {};
        }
    }

    for (FoodTreeNode &node : nodes) {
        if (node.text.size() >= 2) {
            const quint32 k = key(node.text.at(0), node.text.at(1));
            node.children.reserve(std::count_if(subs.cbegin(), subs.cend(),
                                                [k](const Sub &sub) { return sub.keyed && sub.key == k; }));
            for (const Sub &sub : std::as_const(subs)) {
                if (sub.keyed && sub.key == k)
                    node.children.append(sub.text);
            }
            continue;
        }
        for (const Sub &sub : std::as_const(subs)) {
            if (sub.group.startsWith(node.text, Qt::CaseInsensitive))
                node.children.append(sub.text);
        }
    }
    return nodes;
}

QStringList DishTreeLabels(QString *error)
{
    clearError(error);
    // The dishes of each category, counted in one pass over them.
    QHash<QString, qint64> dishes;
    {
        sql::Read r(QStringLiteral("SELECT KINDNAME, COUNT(*) FROM CateNutri_tb WHERE KINDNAME IS NOT NULL "
                                   "GROUP BY KINDNAME"));
        while (r.next())
            dishes.insert(r.text(0), r.integer(1));
        if (!r.ok()) {
            fail(error, r);
            return {};
        }
    }
    sql::Read r(QStringLiteral("SELECT KINDID, KINDNAME FROM CateKind_tb ORDER BY KINDID ASC"));
    QStringList labels;
    while (r.next()) {
        const qint64 n = r.isNull(1) ? 0 : dishes.value(r.text(1));
        labels << QStringLiteral("%1-%2 [%3]").arg(r.text(0).trimmed(), r.text(1).trimmed()).arg(n);
    }
    if (!r.ok()) {
        fail(error, r);
        return {};
    }
    return labels;
}

QString CodePrefix(const QString &nodeText, const QString &parentText)
{
    if (parentText.isEmpty())
        return nodeText.left(3);
    return parentText.left(3) + nodeText.left(2);
}

QString DishKindOf(const QString &label)
{
    const QString text = label.trimmed();
    const qsizetype dash = text.indexOf(QLatin1Char('-'));
    return dash > 0 ? text.left(dash) : text.left(2);
}

bool ListSearch(FoodKind table, const QString &text, QString *error)
{
    if (!SearchFood(kindTable(table), text, error))
        return false;
    return FillStrGridTmp(DM()->AQSearchFood(), kindIdColumn(table), error);
}

bool ListFoodGroup(const QString &prefix, QString *error)
{
    return FillStrGridTmp(QStringLiteral("SELECT Code FROM Nutri_tb WHERE substr(Code, 1, ?) = ? ORDER BY Code"),
                          {int(prefix.size()), prefix}, QStringLiteral("Code"), error);
}

bool ListDishKind(const QString &kindId, QString *error)
{
    const QString head = kindId + QLatin1Char('-');
    return FillStrGridTmp(
        QStringLiteral("SELECT FOODID FROM CateNutri_tb WHERE substr(FOODID, 1, ?) = ? ORDER BY FOODID"),
        {int(head.size()), head}, QStringLiteral("FOODID"), error);
}

QStringList DishKindItems(QString *error)
{
    clearError(error);
    QSqlQuery q(db());
    if (!run(q, QStringLiteral("SELECT KINDID, KINDNAME FROM CateKind_tb ORDER BY KINDID ASC"), {}, error)) {
        return {};
    }
    QStringList items;
    while (q.next())
        items << q.value(0).toString().trimmed() + QLatin1Char('-') + q.value(1).toString().trimmed();
    return items;
}

QStringList ElementNames(QString *error)
{
    clearError(error);
    QSqlQuery q(db());
    if (!run(q, QStringLiteral("SELECT ElementName FROM Element_tb ORDER BY rowid"), {}, error)) {
        return {};
    }
    QStringList names;
    while (q.next())
        names << q.value(0).toString().trimmed();
    return names;
}

QString ElementColumnFor(const QString &comboText, QString *error)
{
    clearError(error);
    const QString none = QStringLiteral("none");
    QSqlQuery q(db());
    // The names are offered trimmed, so they are looked up trimmed as well.
    if (!run(q, QStringLiteral("SELECT DataBaseID FROM Element_tb WHERE trim(ElementName) = ?"),
             {comboText.trimmed()}, error))
        return none;
    if (!q.next())
        return none;
    return q.value(0).toString().trimmed();
}

namespace {

// StrGrid_tmp holds exactly ids afterwards, in their order, or is left as it
// was on a failure.
bool storeStrGridIds(const QStringList &ids, QString *error)
{
    sql::WriteScope scope;
    if (!sql::report(scope.status(), error))
        return false;
    const QString clear = QStringLiteral("DELETE FROM StrGrid_tmp");
    if (!run(sql::statement(clear), clear, {}, error))
        return false;
    const QString insert = QStringLiteral("INSERT INTO StrGrid_tmp (TmpID) VALUES (?)");
    QSqlQuery &q = sql::statement(insert);
    for (const QString &id : ids) {
        if (!run(q, insert, {id}, error))
            return false;
    }
    return sql::report(scope.commit(), error);
}

} // namespace

bool FillStrGridTmp(QSqlQuery &dataset, const QString &field, QString *error)
{
    clearError(error);
    if (!dataset.isActive() || !dataset.isSelect())
        return fail(error, QObject::tr("没有可用的查询结果。"));
    const int column = fieldIndex(dataset, field, error);
    if (column < 0)
        return false;
    // A fresh query stands before its first row; one already on a row starts there.
    QStringList ids;
    for (bool onRow = dataset.isValid() || dataset.next(); onRow; onRow = dataset.next())
        ids << dataset.value(column).toString();
    if (dataset.lastError().isValid())
        return fail(error, dataset.lastError().text());
    return storeStrGridIds(ids, error);
}

bool FillStrGridTmp(const QString &sql, const QVariantList &binds, const QString &field, QString *error)
{
    clearError(error);
    sql::Read r(sql, binds);
    const int column = fieldIndex(r, field, error);
    if (column < 0)
        return false;
    const QStringList ids = columnTexts(r, column, error);
    if (!r.ok())
        return false;
    return storeStrGridIds(ids, error);
}

QStringList PickGridValues(const QString &sql, const QVariantList &binds, const QString &field, QString *error)
{
    clearError(error);
    sql::Read r(sql, binds);
    const int column = fieldIndex(r, field, error);
    if (column < 0)
        return {};
    return columnTexts(r, column, error);
}

QList<PickRow> PickGridRows(const QStringList &names)
{
    QList<PickRow> rows;
    for (qsizetype i = 0; i < names.size(); i += 2)
        rows.append({names.at(i), names.value(i + 1)});
    if (rows.isEmpty())
        rows.append(PickRow{});
    return rows;
}

QString pickListNameField(FoodKind table)
{
    return table == FoodKind::RawFood ? QStringLiteral("FoodName") : QStringLiteral("FOODNAME");
}

QString PickListSortStatement(FoodKind table, const QString &column, PickFallbackOrder fallback, QString *error)
{
    clearError(error);
    const QString t = kindTable(table);
    const QString id = t + QLatin1Char('.') + kindIdColumn(table);
    const QString name = t + QLatin1Char('.') + pickListNameField(table);
    const QString base = QStringLiteral("SELECT %1 FROM StrGrid_tmp, %2 WHERE StrGrid_tmp.TmpID = %3 ORDER BY  ")
                             .arg(name, t, id);
    const QString fallbackColumn = fallback == PickFallbackOrder::Name ? name : id;
    if (column.trimmed().compare(QLatin1String("none"), Qt::CaseInsensitive) == 0)
        return base + fallbackColumn + QStringLiteral(" ASC");

    // Only a nutrient column of the composition block (the columns Element_tb
    // offers) ever reaches the statement, spelled as the schema spells it.
    const int index = compositionIndex(column.trimmed());
    if (index < 0) {
        fail(error, QObject::tr("%1 不是可用于排序的营养素。").arg(column));
        return {};
    }
    // Equal contents keep the fallback order, so the list does not shuffle.
    return base + t + QLatin1Char('.') + QLatin1String(compositionBlock()[index].column) + QStringLiteral(" DESC, ")
           + fallbackColumn + QStringLiteral(" ASC");
}

namespace {
QStringList idValues(const QString &sql, const QVariantList &binds, QString *error)
{
    sql::Read r(sql, binds);
    return columnTexts(r, 0, error);
}

// The identifiers of (rowid, identifier) pairs, in rowid (table) order.
QStringList inTableOrder(std::vector<std::pair<qint64, QString>> found)
{
    std::sort(found.begin(), found.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    QStringList ids;
    ids.reserve(qsizetype(found.size()));
    for (auto &f : found)
        ids << std::move(f.second);
    return ids;
}
} // namespace

QStringList FoodGroupCodes(const QString &prefix, QString *error)
{
    clearError(error);
    QVariantList binds;
    const QString where = sql::prefixCondition(QStringLiteral("Code"), prefix, &binds);
    return idValues(QStringLiteral("SELECT Code FROM Nutri_tb WHERE %1 ORDER BY Code").arg(where), binds, error);
}

QStringList DishKindIds(const QString &kindId, QString *error)
{
    clearError(error);
    const QString head = kindId + QLatin1Char('-');
    QVariantList binds;
    const QString where = sql::prefixCondition(QStringLiteral("FOODID"), head, &binds);
    return idValues(QStringLiteral("SELECT FOODID FROM CateNutri_tb WHERE %1 ORDER BY FOODID").arg(where), binds,
                    error);
}

QStringList SearchIds(FoodKind kind, const QString &text, QString *error)
{
    clearError(error);
    QVariantList binds;
    const QString where = sql::containsCondition({QStringLiteral("FoodName"), QStringLiteral("PYJM")}, text, &binds);
    // Without an order SQLite reads the search index (name, initials and
    // code) instead of the whole table; the table order is restored here.
    sql::Read r(QStringLiteral("SELECT rowid, %1 FROM %2 WHERE %3").arg(kindIdColumn(kind), kindTable(kind), where),
                binds);
    std::vector<std::pair<qint64, QString>> found;
    while (r.next())
        found.emplace_back(r.integer(0), r.text(1));
    if (!r.ok()) {
        fail(error, r);
        return {};
    }
    return inTableOrder(std::move(found));
}

namespace {
// Whether a pick list sorted by column puts the richest first ("none" for no
// nutrient).
bool sortsByNutrient(const QString &column)
{
    return column.trimmed().compare(QLatin1String("none"), Qt::CaseInsensitive) != 0;
}

// The order of a pick list's names: richest first in column (or "none"),
// then the fallback order; empty for "none" and Listed.
bool pickListOrder(FoodKind kind, const QString &column, PickFallbackOrder fallback, QString *order, QString *error)
{
    order->clear();
    if (sortsByNutrient(column)) {
        // Only a nutrient column of the composition block reaches the statement.
        const int index = compositionIndex(column.trimmed());
        if (index < 0) {
            fail(error, QObject::tr("%1 不是可用于排序的营养素。").arg(column));
            return false;
        }
        *order = QLatin1String(compositionBlock()[index].column) + QStringLiteral(" DESC");
    }
    if (fallback != PickFallbackOrder::Listed) {
        if (!order->isEmpty())
            *order += QStringLiteral(", ");
        *order += (fallback == PickFallbackOrder::Name ? pickListNameField(kind) : kindIdColumn(kind))
                  + QStringLiteral(" ASC");
    }
    return true;
}
} // namespace

PickListing GroupListing(const QString &prefix, const QString &column, PickFallbackOrder fallback, QString *error)
{
    clearError(error);
    if (fallback == PickFallbackOrder::Listed)
        fallback = PickFallbackOrder::Identifier;
    QString order;
    if (!pickListOrder(FoodKind::RawFood, column, fallback, &order, error))
        return {};
    // The names straight from the range of the code index, without a list of
    // identifiers to look each one up by.
    QVariantList binds;
    const QString where = sql::prefixCondition(QStringLiteral("Code"), prefix, &binds);
    PickListing out;
    QString e;
    out.ids = FoodGroupCodes(prefix, &e);
    if (e.isEmpty()) {
        sql::Read r(QStringLiteral("SELECT FoodName FROM Nutri_tb WHERE %1 ORDER BY %2").arg(where, order), binds);
        out.names = columnTexts(r, 0, &e);
    }
    if (!e.isEmpty()) {
        fail(error, e);
        return {};
    }
    return out;
}

PickListing SearchListing(FoodKind kind, const QString &text, const QString &column, PickFallbackOrder fallback,
                          QString *error)
{
    clearError(error);
    if (fallback == PickFallbackOrder::Listed)
        fallback = PickFallbackOrder::Identifier;
    QString order;
    if (!pickListOrder(kind, column, fallback, &order, error))
        return {};
    const QString table = kindTable(kind);
    QVariantList binds;
    const QString where = sql::containsCondition({QStringLiteral("FoodName"), QStringLiteral("PYJM")}, text, &binds);
    // The search reads the index of names, initials and identifiers, and the
    // identifiers are put back in table order here. Ordered by a nutrient,
    // the rows it finds are read by their rowids; ordered by name or
    // identifier the index holds all that is shown, and "+" keeps SQLite
    // from walking another index in that order and the table for the names.
    const QString name = pickListNameField(kind);
    const QString id = kindIdColumn(kind);
    sql::Read r(sortsByNutrient(column) ? QStringLiteral("SELECT %1, %2, rowid FROM %3 WHERE rowid IN (SELECT rowid FROM %3 WHERE %4) "
                                            "ORDER BY %5")
                                 .arg(name, id, table, where, order)
                           : QStringLiteral("SELECT %1, %2, rowid FROM %3 WHERE %4 ORDER BY +%5")
                                 .arg(name, id, table, where, order),
                binds);
    PickListing out;
    std::vector<std::pair<qint64, QString>> found;
    while (r.next()) {
        out.names << r.text(0);
        found.emplace_back(r.integer(2), r.text(1));
    }
    if (!r.ok()) {
        fail(error, r);
        return {};
    }
    out.ids = inTableOrder(std::move(found));
    return out;
}

QStringList PickListNames(FoodKind kind, const QStringList &ids, const QString &column, PickFallbackOrder fallback,
                          QString *error)
{
    clearError(error);
    const QString id = kindIdColumn(kind);
    const QString name = pickListNameField(kind);
    const QString table = kindTable(kind);
    QString order;
    if (!pickListOrder(kind, column, fallback, &order, error))
        return {};
    if (ids.isEmpty())
        return {};

    // Only the listed rows are read (found by their identifiers' index), in
    // the wanted order; in the list's order, each row at the last place its
    // identifier is listed.
    const QString json = jsonTextArray(ids);
    QString sql;
    if (order.isEmpty()) {
        sql = QStringLiteral("SELECT t.%1 FROM %2 t JOIN (SELECT value AS id, max(key) AS pos FROM json_each(?) "
                             "GROUP BY value) l ON t.%3 = l.id ORDER BY l.pos")
                  .arg(name, table, id);
    } else {
        sql = QStringLiteral("SELECT %1 FROM %2 WHERE %3 IN (SELECT value FROM json_each(?)) ORDER BY %4")
                  .arg(name, table, id, order);
    }
    sql::Read r(sql, {json});
    return columnTexts(r, 0, error);
}

QString NextDishID(const QString &kindName, QString *error)
{
    clearError(error);
    QSqlQuery q(db());
    if (!run(q, QStringLiteral("SELECT KINDID FROM CateKind_tb WHERE KINDNAME = ?"), {kindName}, error))
        return {};
    if (!q.next()) {
        fail(error, QObject::tr("没有名为“%1”的菜肴类别。").arg(kindName));
        return {};
    }
    const QString prefix = q.value(0).toString().trimmed();
    const QString head = prefix + QLatin1Char('-');

    // The dishes of the category, and any dish whose identifier already carries
    // the category's prefix: a new identifier must not collide with either.
    if (!run(q,
             QStringLiteral("SELECT FOODID FROM CateNutri_tb WHERE KINDNAME = ? OR substr(FOODID, 1, ?) = ?"),
             {kindName, int(head.size()), head}, error))
        return {};
    std::vector<qint64> used;
    while (q.next()) {
        const QString id = q.value(0).toString().trimmed();
        // The sequence number follows the category identifier and its hyphen.
        const qsizetype hyphen = id.indexOf(QLatin1Char('-'));
        qint64 n = 0;
        if (hyphen < 0 || !readNumber(id.mid(hyphen + 1), &n)) {
            fail(error, QObject::tr("菜肴编号“%1”的序号不是数字，无法生成新的编号。").arg(id));
            return {};
        }
        used.push_back(n);
    }
    if (q.lastError().isValid()) {
        fail(error, q);
        return {};
    }
    return head + QStringLiteral("%1").arg(smallestFree(used), 3, 10, QLatin1Char('0'));
}

QString NextKindID(QString *error)
{
    clearError(error);
    QSqlQuery q(db());
    if (!run(q, QStringLiteral("SELECT KINDID FROM CateKind_tb"), {}, error)) {
        return {};
    }
    std::vector<qint64> used;
    while (q.next()) {
        const QString id = q.value(0).toString().trimmed();
        qint64 n = 0;
        if (!readNumber(id, &n)) {
            fail(error, QObject::tr("菜肴类别编号“%1”不是数字，无法生成新的编号。").arg(id));
            return {};
        }
        used.push_back(n);
    }
    if (q.lastError().isValid()) {
        fail(error, q);
        return {};
    }
    return QStringLiteral("%1").arg(smallestFree(used), 2, 10, QLatin1Char('0'));
}

} // namespace nqb
