#include "widgets/DataGrid.h"

#include "data/NumberFormat.h"
#include "widgets/DataGridFooter.h"
#include "widgets/DataGridHeader.h"
#include "widgets/DataGridProxy.h"

#include <QEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <QSqlQueryModel>
#include <QSqlRecord>
#include <QStyleOptionHeader>
#include <QStyledItemDelegate>

#include <cmath>

using namespace datagrid;

// ---------------------------------------------------------------------------

DataGrid::DataGrid(QWidget *parent)
    : QTableView(parent)
    , m_proxy(new DataGridProxy(this))
    , m_footer(nullptr)
    , m_hbar(new FooterScrollBar(this))
{
    m_footer = new DataGridFooter(this);
    m_footer->hide();
    m_proxy->setDynamicSortFilter(true);
    m_proxy->setSortRole(Qt::EditRole);
    setHorizontalHeader(new TitleHeader(this));
    setHorizontalScrollBar(m_hbar);
    QTableView::setModel(m_proxy);
    setHorizontalScrollMode(ScrollPerPixel);
    setVerticalScrollMode(ScrollPerPixel);
    setItemDelegate(new DataGridDelegate(this));
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    setWordWrap(false);

    QHeaderView *h = horizontalHeader();
    connect(h, &QHeaderView::sectionClicked, this, &DataGrid::onTitleClicked);
    connect(h, &QHeaderView::sectionResized, this, [this](int logical, int, int newSize) {
        if (!m_applying && newSize > 0 && m_source)
            config(fieldName(logical)).width = newSize;
        if (m_frozen && logical == frozenColumn() && m_frozen->columnWidth(logical) != newSize)
            m_frozen->setColumnWidth(logical, newSize);
        updateFrozenGeometry();
        m_footer->update();
    });
    connect(h, &QHeaderView::sectionMoved, this, [this] {
        updateFrozenColumns();
        m_footer->update();
    });
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, m_footer, qOverload<>(&QWidget::update));
}

DataGrid::~DataGrid()
{
    // The base class hides the headers and the frozen view after this
    // object's settings are gone; with no columns left they ask for none.
    for (const auto &c : std::as_const(m_sourceConnections))
        disconnect(c);
    delete m_frozen;
    m_frozen = nullptr;
    m_proxy->setSourceModel(nullptr);
}

// ---- model ----------------------------------------------------------------

void DataGrid::setModel(QAbstractItemModel *model)
{
    for (const auto &c : std::as_const(m_sourceConnections))
        disconnect(c);
    m_sourceConnections.clear();
    m_source = model;
    m_fieldsKnown = false;
    if (model) {
        // Connected before the proxy and the views hear of a change, so that
        // nothing reacting to it reads the names of the columns before it.
        auto forget = [this] { m_fieldsKnown = false; };
        m_sourceConnections << connect(model, &QAbstractItemModel::modelReset, this, forget)
                            << connect(model, &QAbstractItemModel::columnsInserted, this, forget)
                            << connect(model, &QAbstractItemModel::columnsRemoved, this, forget)
                            << connect(model, &QAbstractItemModel::columnsMoved, this, forget)
                            << connect(model, &QAbstractItemModel::headerDataChanged, this, forget)
                            << connect(model, &QAbstractItemModel::layoutChanged, this, forget);
    }
    m_proxy->setSourceModel(model);
    if (model) {
        auto dirty = [this] { invalidateFooters(); };
        m_sourceConnections << connect(model, &QAbstractItemModel::modelReset, this, &DataGrid::sourceReset)
                            << connect(model, &QAbstractItemModel::rowsInserted, this, dirty)
                            << connect(model, &QAbstractItemModel::rowsRemoved, this, dirty)
                            << connect(model, &QAbstractItemModel::dataChanged, this, dirty)
                            << connect(model, &QAbstractItemModel::layoutChanged, this, dirty)
                            << connect(model, &QAbstractItemModel::columnsInserted, this, &DataGrid::sourceReset)
                            << connect(model, &QAbstractItemModel::columnsRemoved, this, &DataGrid::sourceReset)
                            << connect(model, &QObject::destroyed, this, [this] {
                                   m_source = nullptr;
                                   m_fieldsKnown = false;
                                   invalidateFooters();
                               });
    }
    sourceReset();
}

QAbstractItemModel *DataGrid::sourceModel() const
{
    return m_source;
}

QSortFilterProxyModel *DataGrid::proxyModel() const
{
    return m_proxy;
}

void DataGrid::setReadOnly(bool readOnly)
{
    setEditTriggers(readOnly ? NoEditTriggers : (DoubleClicked | EditKeyPressed | AnyKeyPressed));
    if (readOnly)
        setSelectionBehavior(SelectRows);
    if (m_frozen) {
        m_frozen->setEditTriggers(editTriggers());
        m_frozen->setSelectionBehavior(selectionBehavior());
    }
}

void DataGrid::sourceReset()
{
    m_footersDirty = true;
    if (m_source) {
        // Footers and exports cover the whole result, so fetch it all.
        while (m_source->canFetchMore(QModelIndex())) {
            const int before = m_source->rowCount();
            m_source->fetchMore(QModelIndex());
            if (m_source->rowCount() == before)
                break;
        }
    }
    applyColumns();
    if (!m_sortField.isEmpty()) {
        const int c = column(m_sortField);
        if (c < 0)
            clearSort();
        else if (!m_modelSorts) // a sorting model has kept its order
            m_proxy->sort(c, m_sortState == SortState::Down ? Qt::DescendingOrder : Qt::AscendingOrder);
    }
    refreshSortIndicator();
    invalidateFooters();
}

// ---- columns --------------------------------------------------------------

int DataGrid::columnCount() const
{
    return m_source ? m_source->columnCount() : 0;
}

void DataGrid::ensureFields() const
{
    if (m_fieldsKnown)
        return;
    m_fields.clear();
    m_fieldColumns.clear();
    if (m_source) {
        const int n = m_source->columnCount();
        QSqlRecord r;
        if (auto *q = qobject_cast<QSqlQueryModel *>(m_source))
            r = q->record();
        for (int c = 0; c < n; ++c) {
            const QString name = c < r.count() ? r.fieldName(c)
                                               : m_source->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
            m_fields << name;
            // The first column of a name is the one a lookup finds.
            const QString k = key(name);
            if (!m_fieldColumns.contains(k))
                m_fieldColumns.insert(k, c);
        }
    }
    m_fieldsKnown = true;
}

QString DataGrid::fieldName(int column) const
{
    ensureFields();
    return column >= 0 && column < m_fields.size() ? m_fields.at(column) : QString();
}

QStringList DataGrid::fieldNames() const
{
    QStringList names;
    for (int c = 0; c < columnCount(); ++c)
        names << fieldName(c);
    return names;
}

int DataGrid::column(const QString &field) const
{
    ensureFields();
    return m_fieldColumns.value(key(field.trimmed()), -1);
}

bool DataGrid::hasColumnSettings(const QString &field) const
{
    return column(field) >= 0 || m_config.contains(key(field.trimmed()));
}

DataGrid::ColumnConfig &DataGrid::config(const QString &field)
{
    return m_config[key(field.trimmed())];
}

const DataGrid::ColumnConfig *DataGrid::configOf(int column) const
{
    const auto it = m_config.constFind(key(fieldName(column)));
    return it == m_config.constEnd() ? nullptr : &it.value();
}

void DataGrid::setColumns(const QList<Column> &columns, bool onlyListed)
{
    m_onlyListed = onlyListed;
    m_order.clear();
    for (const Column &col : columns) {
        ColumnConfig &cfg = config(col.field);
        if (!col.title.isEmpty()) {
            cfg.title = col.title;
            cfg.hasTitle = true;
        }
        cfg.width = col.width; // -1: measured again below
        cfg.footer = col.footer;
        cfg.footerText = col.footerText;
        cfg.hidden = !col.visible;
        if (col.footer != FooterKind::None)
            m_footerVisible = true;
        m_order << key(col.field);
    }
    m_footersDirty = true;
    applyColumns();
    m_proxy->headerDataChanged(Qt::Horizontal, 0, std::max(0, columnCount() - 1));
    invalidateFooters();
    relayoutFooter();
}

void DataGrid::setTitle(const QString &field, const QString &title)
{
    ColumnConfig &cfg = config(field);
    cfg.title = title;
    cfg.hasTitle = true;
    const int c = column(field);
    if (c >= 0) {
        emit m_proxy->headerDataChanged(Qt::Horizontal, c, c);
        horizontalHeader()->updateGeometry();
        updateGeometries();
    }
}

void DataGrid::setTitle(int column, const QString &title)
{
    if (column >= 0 && column < columnCount())
        setTitle(fieldName(column), title);
}

QString DataGrid::title(int column) const
{
    const ColumnConfig *cfg = configOf(column);
    if (cfg && cfg->hasTitle)
        return cfg->title;
    return fieldName(column);
}

void DataGrid::setColumnWidth(const QString &field, int width)
{
    config(field).width = width;
    const int c = column(field);
    if (c >= 0 && width >= 0)
        QTableView::setColumnWidth(c, width);
}

void DataGrid::setColumnVisible(const QString &field, bool visible)
{
    ColumnConfig &cfg = config(field);
    cfg.hidden = !visible;
    if (visible && m_onlyListed && !m_order.contains(key(field)))
        m_order << key(field);
    const int c = column(field);
    if (c >= 0 && isColumnHidden(c) == !visible && (!visible || columnWidth(c) > 0))
        return; // shown as asked already: nothing to lay out again
    if (c >= 0) {
        m_applying = true;
        setColumnHidden(c, !visible);
        if (visible && columnWidth(c) <= 0)
            QTableView::setColumnWidth(c, cfg.width > 0 ? cfg.width : 80);
        m_applying = false;
        updateFrozenColumns();
        horizontalHeader()->updateGeometry();
        updateGeometries();
        m_footer->update();
    }
}

void DataGrid::setColumnVisible(int column, bool visible)
{
    if (column >= 0 && column < columnCount())
        setColumnVisible(fieldName(column), visible);
}

bool DataGrid::isColumnVisible(const QString &field) const
{
    const int c = column(field);
    return c >= 0 && !isColumnHidden(c);
}

bool DataGrid::isColumnVisible(int column) const
{
    return column >= 0 && column < columnCount() && !isColumnHidden(column);
}

QStringList DataGrid::visibleColumns() const
{
    QStringList out;
    const QHeaderView *h = horizontalHeader();
    for (int v = 0; v < h->count(); ++v) {
        const int c = h->logicalIndex(v);
        if (!h->isSectionHidden(c))
            out << fieldName(c);
    }
    return out;
}

void DataGrid::setColumnForeground(const QString &field, const QColor &color)
{
    config(field).foreground = color;
    viewport()->update();
}

void DataGrid::setColumnBold(const QString &field, bool bold)
{
    config(field).bold = bold;
    viewport()->update();
}

void DataGrid::setColumnAlignment(const QString &field, Qt::Alignment alignment)
{
    config(field).alignment = alignment;
    viewport()->update();
}

void DataGrid::applyColumns()
{
    m_applying = true;
    auto *h = static_cast<TitleHeader *>(horizontalHeader());
    const int n = columnCount();
    for (int c = 0; c < n; ++c) {
        ColumnConfig &cfg = config(fieldName(c));
        bool hidden = cfg.hidden;
        if (m_onlyListed && !m_order.contains(key(fieldName(c))))
            hidden = true;
        setColumnHidden(c, hidden);
        if (cfg.width < 0) {
            // First appearance: as wide as the title or the first rows need.
            const int content = std::min(sizeHintForColumn(c), 260);
            const int footer = m_footerVisible ? fontMetrics().horizontalAdvance(footerText(c)) + 12 : 0;
            cfg.width = std::max({h->titleSize(c).width(), content, footer, 40});
        }
        if (!hidden)
            QTableView::setColumnWidth(c, cfg.width);
    }
    if (m_onlyListed) {
        int target = 0;
        for (const QString &f : std::as_const(m_order)) {
            const int c = column(f);
            if (c < 0)
                continue;
            const int from = h->visualIndex(c);
            if (from != target)
                h->moveSection(from, target);
            ++target;
        }
    }
    m_applying = false;
    updateFrozenColumns();
    h->updateGeometry();
    updateGeometries();
    m_footer->update();
}

// ---- frozen column --------------------------------------------------------

void DataGrid::setFrozenColumn(bool frozen)
{
    m_frozenOn = frozen;
    if (frozen && !m_frozen)
        setupFrozen();
    updateFrozenColumns();
    m_footer->update();
}

int DataGrid::frozenColumn() const
{
    const QHeaderView *h = horizontalHeader();
    for (int v = 0; v < h->count(); ++v) {
        const int c = h->logicalIndex(v);
        if (!h->isSectionHidden(c))
            return c;
    }
    return -1;
}

void DataGrid::setupFrozen()
{
    m_frozen = new QTableView(this);
    m_frozen->setObjectName(QStringLiteral("frozenColumn"));
    m_frozen->setHorizontalHeader(new TitleHeader(m_frozen));
    m_frozen->setModel(m_proxy);
    m_frozen->setItemDelegate(itemDelegate());
    m_frozen->setSelectionModel(selectionModel());
    m_frozen->setFocusPolicy(Qt::NoFocus);
    m_frozen->verticalHeader()->hide();
    m_frozen->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frozen->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frozen->setVerticalScrollMode(ScrollPerPixel);
    m_frozen->setHorizontalScrollMode(ScrollPerPixel);
    m_frozen->setFrameShape(QFrame::NoFrame);
    m_frozen->setWordWrap(false);
    m_frozen->setEditTriggers(editTriggers());
    m_frozen->setSelectionBehavior(selectionBehavior());
    m_frozen->setSelectionMode(selectionMode());
    // A right-click on the frozen column is one on the grid, at the same cell.
    m_frozen->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_frozen, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        if (contextMenuPolicy() == Qt::CustomContextMenu)
            emit customContextMenuRequested(viewport()->mapFromGlobal(m_frozen->viewport()->mapToGlobal(pos)));
    });
    viewport()->stackUnder(m_frozen);

    connect(m_frozen->verticalScrollBar(), &QScrollBar::valueChanged, verticalScrollBar(), &QScrollBar::setValue);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, m_frozen->verticalScrollBar(), &QScrollBar::setValue);
    connect(verticalHeader(), &QHeaderView::sectionResized, this,
            [this](int row, int, int size) { m_frozen->setRowHeight(row, size); });
    connect(m_frozen->horizontalHeader(), &QHeaderView::sectionResized, this, [this](int logical, int, int size) {
        if (size > 0 && columnWidth(logical) != size)
            QTableView::setColumnWidth(logical, size);
    });
    connect(m_frozen->horizontalHeader(), &QHeaderView::sectionClicked, this, &DataGrid::onTitleClicked);
    // Clicks on the frozen column are clicks on the grid.
    connect(m_frozen, &QTableView::clicked, this, &DataGrid::clicked);
    connect(m_frozen, &QTableView::doubleClicked, this, &DataGrid::doubleClicked);
    connect(m_frozen, &QTableView::pressed, this, &DataGrid::pressed);
    connect(m_frozen, &QTableView::activated, this, &DataGrid::activated);
}

void DataGrid::updateFrozenColumns()
{
    if (!m_frozen)
        return;
    const int fc = m_frozenOn ? frozenColumn() : -1;
    for (int c = 0; c < columnCount(); ++c)
        m_frozen->setColumnHidden(c, c != fc);
    if (fc >= 0)
        m_frozen->setColumnWidth(fc, columnWidth(fc));
    m_frozen->verticalHeader()->setDefaultSectionSize(verticalHeader()->defaultSectionSize());
    updateFrozenGeometry();
}

void DataGrid::updateFrozenGeometry()
{
    if (!m_frozen)
        return;
    const int fc = m_frozenOn ? frozenColumn() : -1;
    if (fc < 0) {
        m_frozen->hide();
        return;
    }
    const int vh = verticalHeader()->isVisible() ? verticalHeader()->width() : 0;
    m_frozen->horizontalHeader()->setFixedHeight(horizontalHeader()->height());
    m_frozen->setGeometry(frameWidth() + vh, frameWidth(), columnWidth(fc),
                          viewport()->height() + horizontalHeader()->height());
    m_frozen->verticalScrollBar()->setValue(verticalScrollBar()->value());
    m_frozen->show();
}

QModelIndex DataGrid::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    const QModelIndex current = QTableView::moveCursor(cursorAction, modifiers);
    const int fc = m_frozenOn ? frozenColumn() : -1;
    if (fc >= 0 && cursorAction == MoveLeft && current.column() != fc) {
        const int fw = columnWidth(fc);
        const int x = visualRect(current).topLeft().x();
        if (x < fw)
            horizontalScrollBar()->setValue(horizontalScrollBar()->value() + x - fw);
    }
    return current;
}

void DataGrid::scrollTo(const QModelIndex &index, ScrollHint hint)
{
    const int fc = m_frozenOn ? frozenColumn() : -1;
    if ((fc >= 0 && index.column() == fc) || selectionBehavior() == SelectRows
        || (index.isValid() && isColumnHidden(index.column()))) {
        // Only the row matters: keep the horizontal position.
        const int h = horizontalScrollBar()->value();
        QTableView::scrollTo(index, hint);
        horizontalScrollBar()->setValue(h);
        return;
    }
    QTableView::scrollTo(index, hint);
    if (fc >= 0 && index.isValid()) {
        const int fw = columnWidth(fc);
        const int x = visualRect(index).left();
        if (x < fw)
            horizontalScrollBar()->setValue(horizontalScrollBar()->value() + x - fw);
    }
}

// ---- sorting --------------------------------------------------------------

void DataGrid::setBlanksLast(bool on)
{
    if (m_blanksLast == on)
        return;
    m_blanksLast = on;
    if (!m_sortField.isEmpty())
        m_proxy->invalidate();
}

void DataGrid::setTitleSorting(bool enabled)
{
    m_titleSorting = enabled;
    if (!enabled)
        clearSort();
}

void DataGrid::onTitleClicked(int logical)
{
    if (m_titleSorting)
        clickTitle(logical);
    else
        emit titleClicked(logical);
}

void DataGrid::clickTitle(int column)
{
    if (column < 0 || column >= columnCount())
        return;
    SortState next = SortState::Down;
    switch (sortState(column)) {
    case SortState::None:
        next = SortState::Down;
        break;
    case SortState::Down:
        next = SortState::Up;
        break;
    case SortState::Up:
        next = m_sortCycle == SortCycle::DownUpNone ? SortState::None : SortState::Down;
        break;
    }
    sortColumn(column, next);
    emit titleClicked(column);
}

void DataGrid::sortColumn(int column, SortState state)
{
    if (state == SortState::None || column < 0 || column >= columnCount()) {
        clearSort();
        return;
    }
    m_sortField = fieldName(column);
    m_sortState = state;
    const Qt::SortOrder order = state == SortState::Down ? Qt::DescendingOrder : Qt::AscendingOrder;
    if (m_modelSorts && m_source)
        m_source->sort(column, order);
    else
        m_proxy->sort(column, order);
    refreshSortIndicator();
}

void DataGrid::clearSort()
{
    const bool wasSorted = !m_sortField.isEmpty();
    m_sortField.clear();
    m_sortState = SortState::None;
    if (m_modelSorts && m_source) {
        if (wasSorted)
            m_source->sort(-1, Qt::AscendingOrder);
    } else {
        m_proxy->sort(-1, Qt::AscendingOrder);
    }
    refreshSortIndicator();
}

DataGrid::SortState DataGrid::sortState(int column) const
{
    if (m_sortField.isEmpty() || column < 0 || key(fieldName(column)) != key(m_sortField))
        return SortState::None;
    return m_sortState;
}

int DataGrid::sortedColumn() const
{
    return m_sortField.isEmpty() ? -1 : column(m_sortField);
}

void DataGrid::refreshSortIndicator()
{
    const int c = sortedColumn();
    const Qt::SortOrder order = m_sortState == SortState::Down ? Qt::DescendingOrder : Qt::AscendingOrder;
    for (QHeaderView *h : {horizontalHeader(), m_frozen ? m_frozen->horizontalHeader() : nullptr}) {
        if (!h)
            continue;
        h->setSortIndicatorShown(c >= 0);
        if (c >= 0)
            h->setSortIndicator(c, order);
    }
}

// ---- rows -----------------------------------------------------------------

int DataGrid::rowCount() const
{
    return m_proxy->rowCount();
}

int DataGrid::sourceRow(int row) const
{
    return m_proxy->mapToSource(m_proxy->index(row, 0)).row();
}

int DataGrid::currentSourceRow() const
{
    const QModelIndex i = currentIndex();
    return i.isValid() ? m_proxy->mapToSource(i).row() : -1;
}

QVariant DataGrid::value(int row, int column) const
{
    return m_proxy->index(row, column).data(Qt::EditRole);
}

QVariant DataGrid::value(int row, const QString &field) const
{
    return value(row, column(field));
}

QVariant DataGrid::currentValue(const QString &field) const
{
    const QModelIndex i = currentIndex();
    return i.isValid() ? value(i.row(), field) : QVariant();
}

// ---- export ---------------------------------------------------------------

gridexport::Table DataGrid::exportTable() const
{
    gridexport::Table t;
    t.name = m_exportName;
    QList<int> cols;
    const QHeaderView *h = horizontalHeader();
    for (int v = 0; v < h->count(); ++v) {
        const int c = h->logicalIndex(v);
        if (!h->isSectionHidden(c))
            cols << c;
    }
    for (int c : cols)
        t.titles << title(c);
    const int rows = rowCount();
    t.rows.reserve(rows);
    for (int r = 0; r < rows; ++r) {
        QVariantList row;
        row.reserve(cols.size());
        for (int c : cols)
            row << value(r, c);
        t.rows << row;
    }
    t.hasFooter = m_footerVisible;
    if (t.hasFooter) {
        for (int c : cols) {
            switch (footerKind(c)) {
            case FooterKind::None:
                t.footer << QVariant();
                break;
            case FooterKind::Count:
                t.footer << QVariant(qlonglong(footerValue(c)));
                break;
            case FooterKind::Sum:
            case FooterKind::Average:
                t.footer << (footerText(c).isEmpty() ? QVariant() : QVariant(footerValue(c)));
                break;
            case FooterKind::Text:
                t.footer << QVariant(footerText(c));
                break;
            }
        }
    }
    return t;
}

QString DataGrid::exportTo(const QString &path, gridexport::Format format) const
{
    return gridexport::write(exportTable(), path, format);
}

QString DataGrid::exportTo(const QString &path) const
{
    const auto format = gridexport::formatForPath(path);
    if (!format)
        return QStringLiteral("不支持的文件类型：%1").arg(path);
    return exportTo(path, *format);
}
