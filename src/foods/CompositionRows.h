#pragma once
// The rows of one browser page held in memory: a read-only table model that
// a statement fills in one forward pass. Cells are read from a flat array, so
// painting and sorting a few thousand rows stay cheap; the header gives the
// field names.
#include "data/Db.h"
#include "foods/Browser.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <QVariant>
#include <QVector>

namespace nqb::browser {

class CompositionRows : public QAbstractTableModel
{
public:
    explicit CompositionRows(QObject *parent = nullptr);

    // Replaces the rows by those of the statement (one model reset). On a
    // failure the rows stay as they were and the result says why.
    Result load(const Statement &statement);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    QStringList m_fields;
    QVector<QVariant> m_cells; // row-major
    int m_rows = 0;
};

} // namespace nqb::browser
