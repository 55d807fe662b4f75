#include "widgets/PickList.h"

#include <QHeaderView>
#include <QKeyEvent>

// The names, two to a row; rows beyond the names (setRowCount) are empty.
class PickList::Model : public QAbstractTableModel
{
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setNames(const QStringList &names)
    {
        beginResetModel();
        m_cells.clear();
        m_cells.reserve(names.size());
        for (const QString &n : names)
            m_cells.emplace_back(n);
        m_minRows = 0;
        endResetModel();
    }

    void setMinRows(int rows)
    {
        const int before = rowCount();
        const int after = std::max(int((m_cells.size() + 1) / 2), rows);
        if (after > before) {
            beginInsertRows({}, before, after - 1);
            m_minRows = rows;
            endInsertRows();
        } else if (after < before) {
            beginRemoveRows({}, after, before - 1);
            m_minRows = rows;
            endRemoveRows();
        } else {
            m_minRows = rows;
        }
    }

    const Cell *cell(int row, int column) const
    {
        if (row < 0 || column < 0 || column > 1)
            return nullptr;
        const qsizetype i = qsizetype(row) * 2 + column;
        return i < qsizetype(m_cells.size()) ? &m_cells[std::size_t(i)] : nullptr;
    }

    qsizetype size() const { return qsizetype(m_cells.size()); }

    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : std::max(int((m_cells.size() + 1) / 2), m_minRows);
    }
    int columnCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : 2; }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != Qt::DisplayRole && role != Qt::EditRole)
            return {};
        const Cell *c = cell(index.row(), index.column());
        return c ? QVariant(c->text()) : QVariant();
    }
    Qt::ItemFlags flags(const QModelIndex &index) const override
    {
        return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
    }

private:
    std::vector<Cell> m_cells;
    int m_minRows = 0;
};

PickList::PickList(QWidget *parent)
    : QTableView(parent)
    , m_model(new Model(this))
{
    setModel(m_model);
    horizontalHeader()->hide();
    verticalHeader()->hide();
    horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    // Every row has the same height: the view never measures rows one by one.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    setEditTriggers(NoEditTriggers);
    setSelectionMode(SingleSelection);
    setSelectionBehavior(SelectItems);
    setWordWrap(false);
    connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex &i) {
        emit cellClicked(i.row(), i.column());
    });
    connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex &i) {
        emit cellDoubleClicked(i.row(), i.column());
    });
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &now, const QModelIndex &before) {
                emit currentCellChanged(now.isValid() ? now.row() : -1, now.isValid() ? now.column() : -1,
                                        before.isValid() ? before.row() : -1,
                                        before.isValid() ? before.column() : -1);
            });
    connect(this, &PickList::cellDoubleClicked, this, [this](int row, int column) {
        const QString n = nameAt(row, column);
        if (!n.isEmpty())
            emit picked(n);
    });
    connect(this, &PickList::cellClicked, this, [this](int row, int column) {
        const QString n = nameAt(row, column);
        if (!n.isEmpty())
            emit nameClicked(n);
    });
}

QString PickList::nameAt(int row, int column) const
{
    const Cell *c = m_model->cell(row, column);
    return c ? c->text().trimmed() : QString();
}

void PickList::setNames(const QStringList &names)
{
    m_model->setNames(names);
}

QStringList PickList::names() const
{
    QStringList out;
    for (int r = 0; r < rowCount(); ++r)
        for (int c = 0; c < columnCount(); ++c) {
            const QString n = nameAt(r, c);
            if (!n.isEmpty())
                out << n;
        }
    return out;
}

QString PickList::currentName() const
{
    return nameAt(currentRow(), currentColumn());
}

int PickList::rowCount() const
{
    return m_model->rowCount();
}

void PickList::setRowCount(int rows)
{
    m_model->setMinRows(std::max(0, rows));
}

const PickList::Cell *PickList::item(int row, int column) const
{
    return m_model->cell(row, column);
}

QRect PickList::visualItemRect(const Cell *cell) const
{
    if (!cell)
        return {};
    for (qsizetype i = 0; i < m_model->size(); ++i) {
        if (m_model->cell(int(i / 2), int(i % 2)) == cell)
            return visualRect(m_model->index(int(i / 2), int(i % 2)));
    }
    return {};
}

void PickList::setCurrentCell(int row, int column)
{
    const QModelIndex i = m_model->index(row, column);
    if (!i.isValid()) {
        selectionModel()->clearCurrentIndex();
        selectionModel()->clearSelection();
        return;
    }
    setCurrentIndex(i);
}

int PickList::currentRow() const
{
    const QModelIndex i = currentIndex();
    return i.isValid() ? i.row() : -1;
}

int PickList::currentColumn() const
{
    const QModelIndex i = currentIndex();
    return i.isValid() ? i.column() : -1;
}

void PickList::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        const QString n = currentName();
        if (!n.isEmpty()) {
            event->accept();
            emit picked(n);
            return;
        }
    }
    QTableView::keyPressEvent(event);
}
