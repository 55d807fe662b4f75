#include "data/NameList.h"

#include "data/InputCheck.h"
#include "data/Schema.h"

#include <QObject>
#include <QSqlQuery>
#include <algorithm>
#include <set>

namespace nqb {

namespace {

// The schema's spelling of column in def, or empty when def has no such column.
QString schemaColumn(const TableDef &def, const QString &column)
{
    for (const QString &c : def.columns) {
        if (c.compare(column, Qt::CaseInsensitive) == 0)
            return c;
    }
    return {};
}

Result descriptionFault(const QString &what)
{
    return failure(Status::DbError, QObject::tr("名称列表的描述有误：%1").arg(what));
}

// Resolves table and columns to the schema's spelling; fails naming the first unknown one.
Result resolve(NameListDescription &d)
{
    const TableDef *def = findTable(d.table);
    if (!def)
        return descriptionFault(QObject::tr("没有数据表“%1”。").arg(d.table));
    d.table = def->name;
    auto column = [&](QString &c, bool required) -> Result {
        if (c.isEmpty())
            return required ? descriptionFault(QObject::tr("数据表“%1”缺少名称列。").arg(d.table)) : succeeded();
        const QString found = schemaColumn(*def, c);
        if (found.isEmpty())
            return descriptionFault(QObject::tr("数据表“%1”没有列“%2”。").arg(d.table, c));
        c = found;
        return succeeded();
    };
    for (auto [c, required] : {std::pair<QString *, bool>{&d.nameColumn, true}, {&d.idColumn, false},
                               {&d.filterColumn, false}}) {
        const Result r = column(*c, required);
        if (!r.ok())
            return r;
    }
    if (!d.idColumn.isEmpty() && !d.nextId)
        return descriptionFault(QObject::tr("数据表“%1”的新编号没有生成方法。").arg(d.table));
    if (d.storedWithId && d.idColumn.isEmpty())
        return descriptionFault(QObject::tr("名称带编号的列表需要编号列。"));
    for (NameListReference &ref : d.references) {
        const TableDef *rd = findTable(ref.table);
        if (!rd)
            return descriptionFault(QObject::tr("没有数据表“%1”。").arg(ref.table));
        ref.table = rd->name;
        const QString found = schemaColumn(*rd, ref.column);
        if (found.isEmpty())
            return descriptionFault(QObject::tr("数据表“%1”没有列“%2”。").arg(ref.table, ref.column));
        ref.column = found;
        if (ref.followsRename && (ref.key != NameListReference::Key::Name || !ref.prefix.isEmpty()))
            return descriptionFault(QObject::tr("只有按名称引用的列才能随改名更新。"));
        if (ref.key == NameListReference::Key::Id && d.idColumn.isEmpty())
            return descriptionFault(QObject::tr("列表没有编号列，不能按编号引用。"));
    }
    return succeeded();
}

QString nameOf(const QString &stored, bool storedWithId)
{
    if (!storedWithId)
        return stored;
    const int dash = stored.indexOf(QLatin1Char('-'));
    return (dash < 0 ? stored : stored.mid(dash + 1)).trimmed();
}

} // namespace

Result validateDescription(const NameListDescription &d)
{
    NameListDescription copy = d;
    return resolve(copy);
}

QString smallestFreeNumber(const QStringList &usedIds, int width, int max)
{
    std::set<qint64> used;
    for (const QString &id : usedIds) {
        bool ok = false;
        const qint64 n = id.trimmed().toLongLong(&ok);
        if (ok)
            used.insert(n);
    }
    qint64 candidate = 1;
    for (qint64 n : used) {
        if (n == candidate)
            ++candidate;
        else if (n > candidate)
            break;
    }
    if (max > 0 && candidate > max)
        return {};
    return QStringLiteral("%1").arg(candidate, width, 10, QLatin1Char('0'));
}

NameList::NameList(NameListDescription description, const QString &connectionName)
    : m_d(std::move(description))
    , m_connection(connectionName)
{
    m_valid = resolve(m_d);
}

QSqlDatabase NameList::database() const
{
    // Looked up for each command, so a list outlives a reopened data module.
    return m_connection.isEmpty() ? sql::connection() : QSqlDatabase::database(m_connection, false);
}

NameListResult NameList::refuse(Status status, const NameListMessage &m, const QString &fallback) const
{
    NameListResult r;
    r.status = status;
    r.message = m.text.isEmpty() ? fallback : m.text;
    r.tone = m.tone;
    return r;
}

namespace {
// The field a name is typed into, as the editor labels it ("类别名称").
QString nameField(const NameListDescription &d)
{
    QString label = d.texts.nameLabel.trimmed();
    while (label.endsWith(QChar(u'：')) || label.endsWith(QLatin1Char(':')))
        label.chop(1);
    return label.isEmpty() ? QObject::tr("名称") : label;
}

NameListResult fromResult(const Result &r)
{
    NameListResult out;
    static_cast<Result &>(out) = r;
    return out;
}
} // namespace

QString NameList::filterCondition(QVariantList &binds) const
{
    if (m_d.filterColumn.isEmpty())
        return {};
    binds << m_d.filterValue;
    return m_d.filterColumn + QStringLiteral(" = ?");
}

QString NameList::rowCondition(const NameListEntry &entry, QVariantList &binds) const
{
    QStringList parts;
    const QString filter = filterCondition(binds);
    if (!filter.isEmpty())
        parts << filter;
    if (!m_d.idColumn.isEmpty()) {
        parts << QStringLiteral("trim(%1) = ?").arg(m_d.idColumn);
        binds << entry.id;
    }
    parts << QStringLiteral("trim(%1) = ?").arg(m_d.nameColumn);
    binds << entry.stored;
    return parts.join(QStringLiteral(" AND "));
}

Result NameList::entries(QList<NameListEntry> &out) const
{
    out.clear();
    if (!m_valid.ok())
        return m_valid;
    QVariantList binds;
    QString sql = QStringLiteral("SELECT %1, %2 FROM %3")
                      .arg(m_d.idColumn.isEmpty() ? m_d.nameColumn : m_d.idColumn, m_d.nameColumn, m_d.table);
    const QString filter = filterCondition(binds);
    if (!filter.isEmpty())
        sql += QStringLiteral(" WHERE ") + filter;
    sql += m_d.idColumn.isEmpty() ? QStringLiteral(" ORDER BY rowid") : QStringLiteral(" ORDER BY ") + m_d.idColumn;
    QSqlQuery q(database());
    const Result r = sql::exec(q, sql, binds);
    if (!r.ok())
        return r;
    while (q.next()) {
        NameListEntry e;
        e.stored = q.value(1).toString().trimmed();
        e.name = nameOf(e.stored, m_d.storedWithId);
        e.id = m_d.idColumn.isEmpty() ? e.stored : q.value(0).toString().trimmed();
        out << e;
    }
    return succeeded(int(out.size()));
}

NameListResult NameList::add(const QString &typed, NameListEntry *added)
{
    if (!m_valid.ok())
        return fromResult(m_valid);
    const QString name = typed.trimmed();
    if (name.isEmpty())
        return refuse(Status::Refused, m_d.emptyName, QObject::tr("名称不能为空！"));
    if (const QString fault = input::checkName(nameField(m_d), name); !fault.isEmpty())
        return fromResult(failure(Status::BadNumber, fault));

    sql::WriteScope scope(database());
    if (!scope.isOpen())
        return fromResult(scope.status());
    QList<NameListEntry> list;
    Result r = entries(list);
    if (!r.ok())
        return fromResult(r);
    if (m_d.reservedNames.contains(name))
        return refuse(Status::Duplicate, m_d.duplicate, QObject::tr("该名称已存在！"));
    QStringList used;
    for (const NameListEntry &e : list) {
        if (e.name == name)
            return refuse(Status::Duplicate, m_d.duplicate, QObject::tr("该名称已存在！"));
        used << e.id;
    }

    NameListEntry entry;
    entry.name = name;
    QStringList columns;
    QVariantList values;
    if (!m_d.idColumn.isEmpty()) {
        QString error;
        entry.id = m_d.nextId(used, &error).trimmed();
        if (!error.isEmpty())
            return fromResult(failure(Status::DbError, error));
        if (entry.id.isEmpty())
            return refuse(Status::Refused, m_d.limitReached, QObject::tr("已达到最大数目，不能再增加。"));
        if (used.contains(entry.id))
            return fromResult(failure(Status::DbError, QObject::tr("新编号“%1”已被使用。").arg(entry.id)));
        columns << m_d.idColumn;
        values << entry.id;
    }
    entry.stored = m_d.storedWithId ? entry.id + QLatin1Char('-') + name : name;
    if (m_d.idColumn.isEmpty())
        entry.id = entry.stored;
    columns << m_d.nameColumn;
    values << entry.stored;
    if (!m_d.filterColumn.isEmpty()) {
        columns << m_d.filterColumn;
        values << m_d.filterValue;
    }
    QStringList marks(columns.size(), QStringLiteral("?"));
    QSqlQuery q(database());
    r = sql::exec(q,
                  QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                      .arg(m_d.table, columns.join(QStringLiteral(", ")), marks.join(QStringLiteral(", "))),
                  values);
    if (!r.ok())
        return fromResult(r);
    r = scope.commit();
    if (!r.ok())
        return fromResult(r);
    if (added)
        *added = entry;
    return fromResult(succeeded(1));
}

NameListResult NameList::rename(const NameListEntry &entry, const QString &typed)
{
    if (!m_valid.ok())
        return fromResult(m_valid);
    const QString name = typed.trimmed();
    if (name.isEmpty()) {
        const NameListMessage &m = m_d.renameEmptyName.text.isEmpty() ? m_d.emptyName : m_d.renameEmptyName;
        return refuse(Status::Refused, m, QObject::tr("名称不能为空！"));
    }
    if (const QString fault = input::checkName(nameField(m_d), name); !fault.isEmpty())
        return fromResult(failure(Status::BadNumber, fault));

    sql::WriteScope scope(database());
    if (!scope.isOpen())
        return fromResult(scope.status());
    QList<NameListEntry> list;
    Result r = entries(list);
    if (!r.ok())
        return fromResult(r);
    if (!list.contains(entry))
        return fromResult(failure(Status::NotFound, QObject::tr("“%1”已不存在。").arg(entry.name)));
    if (name == entry.name)
        return fromResult(succeeded(0));
    const bool taken = m_d.reservedNames.contains(name)
                       || std::any_of(list.cbegin(), list.cend(),
                                      [&](const NameListEntry &e) { return e.name == name && !(e == entry); });
    if (taken) {
        const NameListMessage &m = m_d.renameDuplicate.text.isEmpty() ? m_d.duplicate : m_d.renameDuplicate;
        return refuse(Status::Duplicate, m, QObject::tr("该名称已存在！"));
    }

    QString stored = name;
    if (m_d.storedWithId) {
        const int dash = entry.stored.indexOf(QLatin1Char('-'));
        stored = (dash < 0 ? entry.id + QLatin1Char('-') : entry.stored.left(dash + 1)) + name;
    }
    QVariantList binds{stored};
    const QString where = rowCondition(entry, binds);
    QSqlQuery q(database());
    r = sql::exec(q, QStringLiteral("UPDATE %1 SET %2 = ? WHERE %3").arg(m_d.table, m_d.nameColumn, where), binds);
    if (!r.ok())
        return fromResult(r);
    int written = r.rows;
    for (const NameListReference &ref : m_d.references) {
        if (!ref.followsRename)
            continue;
        QSqlQuery u(database());
        r = sql::exec(u, QStringLiteral("UPDATE %1 SET %2 = ? WHERE %2 = ?").arg(ref.table, ref.column),
                      {name, entry.name});
        if (!r.ok())
            return fromResult(r); // the scope undoes the list row as well
        written += r.rows;
    }
    r = scope.commit();
    if (!r.ok())
        return fromResult(r);
    return fromResult(succeeded(written));
}

Result NameList::inUse(const NameListEntry &entry, bool &used) const
{
    used = false;
    if (!m_valid.ok())
        return m_valid;
    for (const NameListReference &ref : m_d.references) {
        if (!ref.blocksDelete)
            continue;
        const QString key = ref.key == NameListReference::Key::Id ? entry.id : entry.name;
        QSqlQuery q(database());
        Result r;
        if (ref.prefix.isEmpty()) {
            r = sql::exec(q, QStringLiteral("SELECT 1 FROM %1 WHERE %2 = ? LIMIT 1").arg(ref.table, ref.column),
                          {key});
        } else {
            const QString prefix = ref.prefix.arg(key);
            r = sql::exec(q,
                          QStringLiteral("SELECT 1 FROM %1 WHERE substr(%2, 1, length(?)) = ? LIMIT 1")
                              .arg(ref.table, ref.column),
                          {prefix, prefix});
        }
        if (!r.ok())
            return r;
        if (q.next()) {
            used = true;
            return succeeded();
        }
    }
    return succeeded();
}

NameListResult NameList::remove(const NameListEntry &entry)
{
    if (!m_valid.ok())
        return fromResult(m_valid);
    sql::WriteScope scope(database());
    if (!scope.isOpen())
        return fromResult(scope.status());
    bool used = false;
    Result r = inUse(entry, used);
    if (!r.ok())
        return fromResult(r);
    if (used)
        return refuse(Status::Refused, m_d.inUse, QObject::tr("“%1”仍在使用，不能删除。").arg(entry.name));
    QVariantList binds;
    const QString where = rowCondition(entry, binds);
    QSqlQuery q(database());
    r = sql::exec(q, QStringLiteral("DELETE FROM %1 WHERE %2").arg(m_d.table, where), binds);
    if (!r.ok())
        return fromResult(r);
    if (r.rows == 0)
        return fromResult(failure(Status::NotFound, QObject::tr("“%1”已不存在。").arg(entry.name)));
    const int rows = r.rows;
    r = scope.commit();
    if (!r.ok())
        return fromResult(r);
    return fromResult(succeeded(rows));
}

} // namespace nqb
