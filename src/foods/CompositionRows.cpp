#include "foods/CompositionRows.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace nqb::browser {

CompositionRows::CompositionRows(QObject *parent)
    : QAbstractTableModel(parent)
{
}

Result CompositionRows::load(const Statement &statement)
{
    QSqlQuery q(sql::connection());
    q.setForwardOnly(true);
    const Result r = sql::exec(q, statement.sql, statement.binds);
    if (!r)
        return r;
    const QSqlRecord rec = q.record();
    QStringList fields;
    for (int c = 0; c < rec.count(); ++c)
        fields << rec.fieldName(c);
    const int n = int(fields.size());
    QVector<QVariant> cells;
    int rows = 0;
    while (q.next()) {
        for (int c = 0; c < n; ++c)
            cells.append(q.value(c));
        ++rows;
    }
    if (q.lastError().isValid())
        return failure(Status::DbError, sql::errorText(q));
    beginResetModel();
    m_fields = fields;
    m_cells = std::move(cells);
    m_rows = rows;
    endResetModel();
    return succeeded(rows);
}

int CompositionRows::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int CompositionRows::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_fields.size());
}

QVariant CompositionRows::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return m_cells.at(index.row() * int(m_fields.size()) + index.column());
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
