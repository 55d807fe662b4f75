#include "foods/CompositionRows.h"

#include "data/Schema.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <sqlite3.h>

#include <algorithm>
#include <bit>
#include <vector>

namespace nqb::browser {

namespace {

// Puts row identifiers in ascending order. Those of a table lie
// close together (rowids count up from 1), so they are marked in a bitmap of
// their range and read back from it, which at 200 000 rows is a small part of
// a sort's time; identifiers spread over a range many times their number are
// sorted.
void putInOrder(QVector<qint64> &ids)
{
    if (ids.size() < 2 || std::is_sorted(ids.cbegin(), ids.cend()))
        return;
    const auto [lo, hi] = std::minmax_element(ids.cbegin(), ids.cend());
    const qint64 low = *lo;
    const quint64 range = quint64(*hi) - quint64(low);
    if (range / 64 > quint64(ids.size())) {
        std::sort(ids.begin(), ids.end());
        return;
    }
    std::vector<quint64> bits(size_t(range / 64 + 1), 0);
    for (const qint64 id : std::as_const(ids)) {
        const quint64 at = quint64(id) - quint64(low);
        const quint64 bit = quint64(1) << (at % 64);
        if (bits[size_t(at / 64)] & bit) { // not distinct after all
            std::sort(ids.begin(), ids.end());
            return;
        }
        bits[size_t(at / 64)] |= bit;
    }
    qsizetype out = 0;
    for (size_t w = 0; w < bits.size(); ++w) {
        for (quint64 word = bits[w]; word; word &= word - 1)
            ids[out++] = qint64(quint64(low) + w * 64 + quint64(std::countr_zero(word)));
    }
}

// A run of identifiers of equal values in ascending order: read from an
// index it is in order already, or (read backwards) in reverse.
void putRunInOrder(qint64 *begin, qint64 *end)
{
    if (std::is_sorted(begin, end))
        return;
    if (std::is_sorted(begin, end, std::greater<>()))
        std::reverse(begin, end);
    else
        std::sort(begin, end);
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

    const int sortIndex = int(fields.indexOf(m_sortField, 0));
    if (!m_sortField.isEmpty() && sortIndex < 0) {
        // Not a field of this table: the table order.
        m_sortField.clear();
    }
    QVector<qint64> ids;
    if (m_sortField.isEmpty()) {
        // In table order the filter reads an index (of the codes, or of the
        // names and initials) rather than the table, and the identifiers are
        // put in order here.
        sql::Read q(QStringLiteral("SELECT rowid FROM %1 WHERE %2").arg(m_statement.table, m_statement.where),
                    m_statement.binds);
        while (q.next())
            ids.append(q.integer(0));
        if (!q.ok())
            return q.status();
        putInOrder(ids);
    } else {
        const Result r = sortedIds(fields.at(sortIndex), &ids);
        if (!r)
            return r;
    }
    beginResetModel();
    m_fields = fields;
    m_ids = std::move(ids);
    m_blocks.clear();
    endResetModel();
    return succeeded(int(m_ids.size()));
}

Result CompositionRows::sortedIds(const QString &field, QVector<qint64> *ids) const
{
    // SQLite orders the values (a large table reads an index of the column,
    // made the first time it is sorted); equal values are put back in table
    // order here and empty cells (no value, or a text of spaces only) after
    // every value, which needs no second sort key in SQL and so lets SQLite
    // read the index in order instead of sorting.
    ensureSortIndex(m_statement.table, field);
    const QString f = sql::identifier(field);
    sql::Read q(QStringLiteral("SELECT rowid, %1 FROM %2 WHERE %3 ORDER BY %1 %4")
                    .arg(f, m_statement.table, m_statement.where,
                         m_sortOrder == Qt::DescendingOrder ? QStringLiteral("DESC") : QStringLiteral("ASC")),
                m_statement.binds);
    QVector<qint64> empty;
    int type = SQLITE_NULL;
    double number = 0;
    QByteArray bytes;
    qsizetype run = 0; // where the run of values equal to the last one begins
    const auto endRun = [&] { putRunInOrder(ids->data() + run, ids->data() + ids->size()); };
    while (q.next()) {
        const qint64 id = q.integer(0);
        const int t = q.type(1);
        const bool numeric = t == SQLITE_INTEGER || t == SQLITE_FLOAT;
        if (t == SQLITE_NULL) {
            empty.append(id);
            continue;
        }
        QByteArrayView b; // a text's bytes, copied only where a run begins
        if (!numeric) {
            b = q.view(1);
            if (t == SQLITE_TEXT && std::all_of(b.cbegin(), b.cend(), [](char c) { return c == ' '; })) {
                empty.append(id);
                continue;
            }
        }
        // SQLite compares an integer and a real by their values.
        const double n = numeric ? q.number(1) : 0;
        const bool same = ids->size() > run
                          && (numeric ? (type == SQLITE_INTEGER || type == SQLITE_FLOAT) && n == number
                                      : t == type && b == bytes);
        if (!same) {
            endRun();
            run = ids->size();
            type = t;
            number = n;
            bytes = b.toByteArray();
        }
        ids->append(id);
    }
    if (!q.ok())
        return q.status();
    endRun();
    putInOrder(empty);
    ids->append(empty);
    return succeeded(int(ids->size()));
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
