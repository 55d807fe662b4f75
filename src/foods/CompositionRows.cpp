#include "foods/CompositionRows.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <algorithm>

namespace nqb::browser {

namespace {

// A field of the schema as an identifier of the statement.
QString quoted(const QString &field)
{
    QString f = field;
    f.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + f + QLatin1Char('"');
}

} // namespace

CompositionRows::CompositionRows(QObject *parent)
    : QAbstractTableModel(parent)
{
}

Result CompositionRows::load(const Statement &statement)
{
    const Statement before = m_statement;
    m_statement = statement;
    const Result r = reload();
    if (!r)
        m_statement = before;
    return r;
}

void CompositionRows::sort(int column, Qt::SortOrder order)
{
    const QString before = m_sortField;
    const Qt::SortOrder beforeOrder = m_sortOrder;
    m_sortField = column >= 0 && column < m_fields.size() ? m_fields.at(column) : QString();
    m_sortOrder = order;
    if (m_statement.table.isEmpty())
        return;
    if (!reload()) {
        m_sortField = before;
        m_sortOrder = beforeOrder;
    }
}

Result CompositionRows::reload()
{
    // The fields of the table, as the statement names them.
    QStringList fields;
    {
        const sql::Read head(QStringLiteral("SELECT * FROM %1 LIMIT 0").arg(m_statement.table));
        if (!head.ok())
            return head.status();
        for (int c = 0; c < head.columnCount(); ++c)
            fields << head.columnName(c);
    }

    QString order;
    const int sortIndex = int(fields.indexOf(m_sortField, 0));
    if (!m_sortField.isEmpty() && sortIndex < 0) {
        // Not a field of this table: the table order.
        m_sortField.clear();
    }
    if (!m_sortField.isEmpty()) {
        const QString f = quoted(fields.at(sortIndex));
        order = QStringLiteral("(%1 IS NULL OR (typeof(%1) = 'text' AND trim(%1) = '')), %1 %2, rowid")
                    .arg(f, m_sortOrder == Qt::DescendingOrder ? QStringLiteral("DESC") : QStringLiteral("ASC"));
    }
    QVector<qint64> ids;
    {
        // In table order the filter reads an index (of the codes, or of the
        // names and initials) rather than the table, and the identifiers are
        // put in order here.
        sql::Read q(order.isEmpty() ? QStringLiteral("SELECT rowid FROM %1 WHERE %2").arg(m_statement.table, m_statement.where)
                                    : QStringLiteral("SELECT rowid FROM %1 WHERE %2 ORDER BY %3")
                                          .arg(m_statement.table, m_statement.where, order),
                    m_statement.binds);
        while (q.next())
            ids.append(q.integer(0));
        if (!q.ok())
            return q.status();
        if (order.isEmpty())
            std::sort(ids.begin(), ids.end());
    }
    beginResetModel();
    m_fields = fields;
    m_ids = std::move(ids);
    m_blocks.clear();
    endResetModel();
    return succeeded(int(m_ids.size()));
}

const CompositionRows::Block *CompositionRows::block(int index) const
{
    auto it = m_blocks.find(index);
    if (it != m_blocks.end()) {
        it->used = ++m_clock;
        return &*it;
    }
    const int first = index * kBlockRows;
    const int n = std::min<int>(kBlockRows, int(m_ids.size()) - first);
    if (n <= 0)
        return nullptr;
    // The block's rows by their identifiers, put back into the shown order.
    QString list;
    QHash<qint64, int> position;
    position.reserve(n);
    for (int i = 0; i < n; ++i) {
        const qint64 id = m_ids.at(first + i);
        list += (i ? QStringLiteral(",") : QStringLiteral("[")) + QString::number(id);
        position.insert(id, i);
    }
    list += QLatin1Char(']');
    const int columns = int(m_fields.size());
    Block b;
    b.cells.resize(qsizetype(n) * columns);
    {
        sql::Read q(QStringLiteral("SELECT rowid, * FROM %1 WHERE rowid IN (SELECT value FROM json_each(?))")
                        .arg(m_statement.table),
                    {list});
        const int read = std::min(columns, q.columnCount() - 1);
        while (q.next()) {
            const auto p = position.constFind(q.integer(0));
            if (p == position.constEnd())
                continue;
            QVariant *row = b.cells.data() + qsizetype(*p) * columns;
            for (int c = 0; c < read; ++c)
                row[c] = q.value(c + 1);
        }
    }
    // A row deleted since the load stays empty until the next one.
    if (m_blocks.size() >= kBlocksKept) {
        auto oldest = m_blocks.begin();
        for (auto i = m_blocks.begin(); i != m_blocks.end(); ++i) {
            if (i->used < oldest->used)
                oldest = i;
        }
        m_blocks.erase(oldest);
    }
    b.used = ++m_clock;
    return &*m_blocks.insert(index, std::move(b));
}

int CompositionRows::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_ids.size());
}

int CompositionRows::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_fields.size());
}

QVariant CompositionRows::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole) || index.row() >= m_ids.size())
        return {};
    const Block *b = block(index.row() / kBlockRows);
    if (!b)
        return {};
    const qsizetype i = qsizetype(index.row() % kBlockRows) * m_fields.size() + index.column();
    return i < b->cells.size() ? b->cells.at(i) : QVariant();
}

QVariant CompositionRows::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < m_fields.size())
        return m_fields.at(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags CompositionRows::flags(const QModelIndex &index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

} // namespace nqb::browser
