#pragma once
// The rows of one browser page: a read-only table model over the rows of a
// composition table that a filter selects.
//
// A load reads only the row identifiers, in the order shown; the cells are
// read when the view asks for them, a block of rows at a time, so that a page
// of a few hundred thousand foods opens as quickly as one of a few hundred,
// and only the blocks on screen (and a few seen last) are held. A title click
// sorts in SQL (sort()), the filter and the sort are kept across loads, and
// every load reads the table afresh. The header gives the field names.
#include "data/Db.h"
#include "foods/Browser.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QList>
#include <QStringList>
#include <QVariant>
#include <QVector>

namespace nqb::browser {

class CompositionRows : public QAbstractTableModel
{
public:
    explicit CompositionRows(QObject *parent = nullptr);

    // Replaces the rows by those of the statement's table under its filter,
    // in the order of the current sort (one model reset). On a failure the
    // rows stay as they were and the result says why.
    Result load(const Statement &statement);

    // Orders the rows by column: largest first (descending) or smallest
    // first; empty cells (no value, or blank text) after every value in both
    // directions, equal values in table order. A column < 0 restores the
    // table order. The order holds for later loads while the table has the
    // field.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // Rows read per block, and blocks kept.
    static constexpr int kBlockRows = 128;
    static constexpr int kBlocksKept = 32;

private:
    struct Block {
        QVector<QVariant> cells; // row-major, kBlockRows rows or fewer
        quint64 used = 0;
    };
    Result reload();
    Result sortedIds(const QString &field, QVector<qint64> *ids) const;
    const Block *block(int index) const;

    Statement m_statement;
    QString m_sortField;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    QStringList m_fields;
    QVector<qint64> m_ids; // rowids in the shown order
    mutable QHash<int, Block> m_blocks;
    mutable quint64 m_clock = 0;
};

} // namespace nqb::browser
