#include "widgets/DataGrid.h"

#include "data/NumberFormat.h"

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

namespace {

bool isBlank(const QVariant &v)
{
    return !v.isValid() || v.isNull() || (v.typeId() == QMetaType::QString && v.toString().trimmed().isEmpty());
}

// A value as a number for sorting: numeric types, and texts that read as a number.
bool sortNumber(const QVariant &v, double *out)
{
    if (nqb::isNumberValue(v)) {
        *out = v.toDouble();
        return true;
    }
    if (v.typeId() == QMetaType::QString) {
        bool ok = false;
        const QString t = v.toString().trimmed();
        if (t.isEmpty())
            return false;
        *out = nqb::parseNumber(t, &ok);
        return ok;
    }
    return false;
}

// "upper|lower" -> both parts; false for a one-line title.
bool splitTitle(const QString &title, QString *upper, QString *lower)
{
    const int bar = title.indexOf(QLatin1Char('|'));
    if (bar < 0)
        return false;
    *upper = title.left(bar);
    *lower = title.mid(bar + 1);
    return true;
}

// Column titles on one or two lines; columns whose titles share the upper line
// (and stand side by side) share one upper cell.
class TitleHeader : public QHeaderView
{
public:
    explicit TitleHeader(QWidget *parent)
        : QHeaderView(Qt::Horizontal, parent)
    {
        setSectionsClickable(true);
        setHighlightSections(false);
        setDefaultAlignment(Qt::AlignCenter);
        setTextElideMode(Qt::ElideRight);
    }

    QString titleOf(int logical) const
    {
        return model() ? model()->headerData(logical, Qt::Horizontal, Qt::DisplayRole).toString() : QString();
    }

    bool anyTwoLine() const
    {
        for (int i = 0; i < count(); ++i)
            if (!isSectionHidden(i) && titleOf(i).contains(QLatin1Char('|')))
                return true;
        return false;
    }

    int lineHeight() const
    {
        return fontMetrics().height() + 2 * style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, this);
    }

    QSize sizeHint() const override
    {
        QSize s = QHeaderView::sizeHint();
        s.setHeight((anyTwoLine() ? 2 : 1) * lineHeight() + 2);
        return s;
    }

    QSize titleSize(int logical) const { return sectionSizeFromContents(logical); }

protected:
    QSize sectionSizeFromContents(int logical) const override
    {
        const QString t = titleOf(logical);
        QString upper, lower;
        const int margin = style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, this);
        const QFontMetrics fm = fontMetrics();
        int w;
        if (splitTitle(t, &upper, &lower))
            w = fm.horizontalAdvance(lower.trimmed().isEmpty() ? upper : lower);
        else
            w = fm.horizontalAdvance(t);
        // Room for the sort marker on either side keeps a centred title whole.
        w += 3 * margin + style()->pixelMetric(QStyle::PM_HeaderMarkSize, nullptr, this) + 6;
        return QSize(w, lineHeight());
    }

    void paintSection(QPainter *painter, const QRect &rect, int logical) const override
    {
        QString upper, lower;
        if (!rect.isValid())
            return;
        const bool twoLines = anyTwoLine();
        if (!twoLines || !splitTitle(titleOf(logical), &upper, &lower)) {
            QHeaderView::paintSection(painter, rect, logical);
            return;
        }
        QStyleOptionHeader opt;
        initStyleOption(&opt);
        initStyleOptionForIndex(&opt, logical);
        const int half = rect.height() / 2;

        // The run of neighbouring visible sections with the same upper line.
        const int v = visualIndex(logical);
        int first = v, last = v;
        for (int j = v - 1; j >= 0; --j) {
            const int l = logicalIndex(j);
            if (isSectionHidden(l))
                continue;
            QString u, w;
            if (!splitTitle(titleOf(l), &u, &w) || u != upper)
                break;
            first = j;
        }
        for (int j = v + 1; j < count(); ++j) {
            const int l = logicalIndex(j);
            if (isSectionHidden(l))
                continue;
            QString u, w;
            if (!splitTitle(titleOf(l), &u, &w) || u != upper)
                break;
            last = j;
        }
        const int left = sectionViewportPosition(logicalIndex(first));
        const int right = sectionViewportPosition(logicalIndex(last)) + sectionSize(logicalIndex(last));

        painter->save();
        QStyleOptionHeader low = opt;
        low.rect = QRect(rect.left(), rect.top() + half, rect.width(), rect.height() - half);
        low.text = lower.trimmed();
        low.textAlignment = Qt::AlignCenter;
        style()->drawControl(QStyle::CE_Header, &low, painter, this);

        QStyleOptionHeader up = opt;
        up.rect = QRect(left, rect.top(), right - left, half);
        up.text = upper.trimmed();
        up.textAlignment = Qt::AlignCenter;
        up.sortIndicator = QStyleOptionHeader::None;
        up.position = QStyleOptionHeader::OnlyOneSection;
        style()->drawControl(QStyle::CE_Header, &up, painter, this);
        painter->restore();
    }
};

} // namespace

// The horizontal scroll bar of a grid with a footer is taller by the footer's
// height; the footer row covers the extra strip, so it sits between the rows
// and the scroll bar and keeps its place whatever the grid scrolls.
class FooterScrollBar : public QScrollBar
{
public:
    explicit FooterScrollBar(QWidget *parent)
        : QScrollBar(Qt::Horizontal, parent)
    {
    }
    int extra = 0;
    QSize sizeHint() const override
    {
        QSize s = QScrollBar::sizeHint();
        s.rheight() += extra;
        return s;
    }
};

// Sorting proxy: titles from the grid's settings, numbers shown in general
// format, numbers compared as numbers.
class DataGridProxy : public QSortFilterProxyModel
{
public:
    explicit DataGridProxy(DataGrid *grid)
        : QSortFilterProxyModel(grid)
        , m_grid(grid)
    {
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
            return m_grid->title(section);
        return QSortFilterProxyModel::headerData(section, orientation, role);
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        switch (role) {
        case Qt::DisplayRole: {
            const QVariant v = QSortFilterProxyModel::data(index, role);
            if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float) {
                if (v.isNull())
                    return QString();
                const double d = v.toDouble();
                return std::isfinite(d) ? nqb::fmtG(d) : QString();
            }
            return v;
        }
        case Qt::ForegroundRole: {
            const auto *cfg = m_grid->configOf(index.column());
            if (cfg && cfg->foreground.isValid())
                return cfg->foreground;
            break;
        }
        case Qt::FontRole: {
            const auto *cfg = m_grid->configOf(index.column());
            if (cfg && cfg->bold) {
                QVariant base = QSortFilterProxyModel::data(index, role);
                QFont f = base.isValid() ? base.value<QFont>() : m_grid->font();
                f.setBold(true);
                return f;
            }
            break;
        }
        case Qt::TextAlignmentRole: {
            const auto *cfg = m_grid->configOf(index.column());
            if (cfg && cfg->alignment)
                return QVariant::fromValue(cfg->alignment);
            const QVariant base = QSortFilterProxyModel::data(index, role);
            if (base.isValid())
                return base;
            if (nqb::isNumberValue(QSortFilterProxyModel::data(index, Qt::EditRole)))
                return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
            return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
        }
        default:
            break;
        }
        return QSortFilterProxyModel::data(index, role);
    }

protected:
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override
    {
        const QVariant a = left.data(Qt::EditRole);
        const QVariant b = right.data(Qt::EditRole);
        const bool aBlank = isBlank(a), bBlank = isBlank(b);
        if (aBlank || bBlank) {
            // Descending order places b before a when a < b; so for blanks
            // after every value a blank is "smaller" only when descending.
            if (m_grid->m_blanksLast && sortOrder() == Qt::AscendingOrder)
                return !aBlank && bBlank;
            return aBlank && !bBlank;
        }
        double x = 0, y = 0;
        const bool an = sortNumber(a, &x), bn = sortNumber(b, &y);
        if (an && bn)
            return x < y;
        if (an != bn)
            return an; // numbers before texts
        return QString::localeAwareCompare(a.toString(), b.toString()) < 0;
    }

private:
    DataGrid *m_grid;
};

// Editing numbers: the editor takes only digits, "-" and "." and the value is
// written back as a number; a text that is not a number leaves the cell as it was.
class DataGridDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        if (!nqb::isNumberValue(index.data(Qt::EditRole)))
            return QStyledItemDelegate::createEditor(parent, option, index);
        auto *e = new QLineEdit(parent);
        e->setFrame(false);
        e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        e->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("-?[0-9.]*")), e));
        return e;
    }

    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        auto *e = qobject_cast<QLineEdit *>(editor);
        const QVariant v = index.data(Qt::EditRole);
        if (e && nqb::isNumberValue(v)) {
            e->setText(nqb::fmtG(v.toDouble()));
            return;
        }
        QStyledItemDelegate::setEditorData(editor, index);
    }

    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override
    {
        auto *e = qobject_cast<QLineEdit *>(editor);
        const QVariant old = index.data(Qt::EditRole);
        if (e && nqb::isNumberValue(old)) {
            bool ok = false;
            const QString t = e->text().trimmed();
            const double v = nqb::parseNumber(t, &ok);
            if (!ok)
                return;
            model->setData(index, t.isEmpty() ? QVariant(old.metaType()) : QVariant(v), Qt::EditRole);
            return;
        }
        QStyledItemDelegate::setModelData(editor, model, index);
    }
};

// The footer row, painted under the columns it belongs to.
class DataGridFooter : public QWidget
{
public:
    explicit DataGridFooter(DataGrid *grid)
        : QWidget(grid)
        , m_grid(grid)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setObjectName(QStringLiteral("footer"));
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.fillRect(rect(), palette().button());
        p.setPen(palette().color(QPalette::Mid));
        p.drawLine(0, 0, width() - 1, 0);

        const QHeaderView *h = m_grid->horizontalHeader();
        const int dx = m_grid->viewport()->mapTo(m_grid, QPoint(0, 0)).x() - x();
        const int fc = m_grid->m_frozenOn ? m_grid->frozenColumn() : -1;
        QRect frozenRect;
        if (fc >= 0 && m_grid->m_frozen && m_grid->m_frozen->isVisible())
            frozenRect = QRect(m_grid->m_frozen->x() - x(), 0, m_grid->columnWidth(fc), height());

        p.save();
        if (frozenRect.isValid())
            p.setClipRect(QRect(frozenRect.right() + 1, 0, width(), height()));
        for (int v = 0; v < h->count(); ++v) {
            const int c = h->logicalIndex(v);
            if (h->isSectionHidden(c) || c == fc)
                continue;
            const int left = dx + h->sectionViewportPosition(c);
            const int w = h->sectionSize(c);
            if (left + w < 0 || left > width())
                continue;
            drawCell(p, c, QRect(left, 0, w, height()));
        }
        p.restore();
        if (frozenRect.isValid()) {
            p.fillRect(frozenRect, palette().button());
            drawCell(p, fc, frozenRect);
        }
    }

private:
    void drawCell(QPainter &p, int column, const QRect &r)
    {
        p.setPen(palette().color(QPalette::Mid));
        p.drawLine(r.right(), r.top(), r.right(), r.bottom());
        p.drawLine(r.left(), r.top(), r.right(), r.top());
        const QString text = m_grid->footerText(column);
        if (text.isEmpty())
            return;
        QFont f = font();
        f.setBold(m_grid->footerBold(column));
        p.setFont(f);
        const QColor c = m_grid->footerColor(column);
        p.setPen(c.isValid() ? c : palette().color(QPalette::ButtonText));
        Qt::Alignment align = Qt::AlignVCenter | Qt::AlignRight;
        const auto *cfg = m_grid->configOf(column);
        if (cfg && cfg->footerAlignment)
            align = cfg->footerAlignment;
        else if (m_grid->footerKind(column) == DataGrid::FooterKind::Text)
            align = Qt::AlignVCenter | Qt::AlignLeft;
        const QRect inner = r.adjusted(3, 1, -4, 0);
        // A number that does not fit is written smaller before it is cut.
        const int need = QFontMetrics(f).horizontalAdvance(text);
        if (need > inner.width() && inner.width() > 0) {
            const qreal pt = f.pointSizeF() > 0 ? f.pointSizeF() : 9.0;
            f.setPointSizeF(std::max(pt * 0.7, pt * inner.width() / need));
            p.setFont(f);
        }
        p.drawText(inner, int(align), QFontMetrics(f).elidedText(text, Qt::ElideRight, inner.width()));
    }

    DataGrid *m_grid;
};

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
        else
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

QString DataGrid::fieldName(int column) const
{
    if (!m_source || column < 0 || column >= m_source->columnCount())
        return {};
    if (auto *q = qobject_cast<QSqlQueryModel *>(m_source)) {
        const QSqlRecord r = q->record();
        if (column < r.count())
            return r.fieldName(column);
    }
    return m_source->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
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
    const QString k = key(field.trimmed());
    for (int c = 0; c < columnCount(); ++c)
        if (key(fieldName(c)) == k)
            return c;
    return -1;
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
    m_frozen->setContextMenuPolicy(Qt::NoContextMenu);
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

// ---- footer ---------------------------------------------------------------

int DataGrid::footerHeight() const
{
    QFont f = font();
    f.setBold(true);
    return QFontMetrics(f).height() + 8;
}

void DataGrid::setFooterVisible(bool visible)
{
    m_footerVisible = visible;
    relayoutFooter();
}

void DataGrid::relayoutFooter()
{
    const int fh = m_footerVisible ? footerHeight() : 0;
    if (m_hbar->extra != fh) {
        m_hbar->extra = fh;
        m_hbar->updateGeometry();
    }
    // The footer needs the (taller) scroll bar in place at all times.
    setHorizontalScrollBarPolicy(m_footerVisible ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded);
    setViewportMargins(viewportMargins()); // lays out the scroll bars again
    updateGeometries();
}

void DataGrid::updateGeometries()
{
    QTableView::updateGeometries();
    if (!m_footer)
        return;
    if (m_footerVisible) {
        const QPoint top = m_hbar->mapTo(this, QPoint(0, 0));
        const int left = frameWidth();
        const int right = viewport()->mapTo(this, QPoint(viewport()->width(), 0)).x();
        m_footer->setGeometry(left, top.y(), right - left, m_hbar->extra);
        m_footer->show();
        m_footer->raise();
        // The scroll bar's container is raised again whenever the scroll area
        // lays it out; the footer has to follow it on top.
        if (QWidget *container = m_hbar->parentWidget(); container && container != this
            && !container->property("nqbFooterWatch").toBool()) {
            container->setProperty("nqbFooterWatch", true);
            container->installEventFilter(this);
        }
    } else {
        m_footer->hide();
    }
    updateFrozenGeometry();
}

bool DataGrid::eventFilter(QObject *watched, QEvent *event)
{
    if (m_footer && m_footerVisible && watched == m_hbar->parentWidget()) {
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::ZOrderChange:
        case QEvent::Move:
        case QEvent::Resize:
            m_footer->raise();
            break;
        default:
            break;
        }
    }
    return QTableView::eventFilter(watched, event);
}

void DataGrid::resizeEvent(QResizeEvent *event)
{
    QTableView::resizeEvent(event);
    updateGeometries();
}

void DataGrid::setFooter(const QString &field, FooterKind kind, const QString &text)
{
    ColumnConfig &cfg = config(field);
    cfg.footer = kind;
    cfg.footerText = text;
    if (kind != FooterKind::None && !m_footerVisible) {
        m_footerVisible = true;
        relayoutFooter();
    }
    invalidateFooters();
}

void DataGrid::setFooter(int column, FooterKind kind, const QString &text)
{
    if (column >= 0 && column < columnCount())
        setFooter(fieldName(column), kind, text);
}

void DataGrid::setFooterText(const QString &field, const QString &text)
{
    setFooter(field, FooterKind::Text, text);
}

void DataGrid::setFooterText(int column, const QString &text)
{
    setFooter(column, FooterKind::Text, text);
}

void DataGrid::setFooterColor(const QString &field, const QColor &color)
{
    config(field).footerColor = color;
    m_footer->update();
}

void DataGrid::setFooterColor(int column, const QColor &color)
{
    if (column >= 0 && column < columnCount())
        setFooterColor(fieldName(column), color);
}

void DataGrid::setFooterBold(const QString &field, bool bold)
{
    config(field).footerBold = bold;
    m_footer->update();
}

void DataGrid::setFooterBold(int column, bool bold)
{
    if (column >= 0 && column < columnCount())
        setFooterBold(fieldName(column), bold);
}

void DataGrid::setFooterAlignment(const QString &field, Qt::Alignment alignment)
{
    config(field).footerAlignment = alignment;
    m_footer->update();
}

void DataGrid::clearFooters()
{
    for (auto &cfg : m_config) {
        cfg.footer = FooterKind::None;
        cfg.footerText.clear();
        cfg.footerColor = QColor();
        cfg.footerBold = false;
    }
    invalidateFooters();
}

void DataGrid::invalidateFooters()
{
    m_footersDirty = true;
    m_footer->update();
    emit footersChanged();
}

void DataGrid::computeFooters() const
{
    if (!m_footersDirty)
        return;
    m_footersDirty = false;
    const int n = columnCount();
    const int rows = m_source ? m_source->rowCount() : 0;
    m_footerCache = QList<FooterCache>(n);
    for (int c = 0; c < n; ++c) {
        const ColumnConfig *cfg = configOf(c);
        FooterCache &out = m_footerCache[c];
        switch (cfg ? cfg->footer : FooterKind::None) {
        case FooterKind::None:
            break;
        case FooterKind::Count:
            out.value = rows;
            out.text = QString::number(rows);
            break;
        case FooterKind::Sum:
        case FooterKind::Average: {
            double sum = 0.0;
            for (int r = 0; r < rows; ++r)
                sum += nqb::toNumber(m_source->index(r, c).data(Qt::EditRole));
            if (cfg->footer == FooterKind::Sum) {
                out.value = nqb::roundHalfEven(sum, 4);
                out.text = nqb::fmtG(out.value);
            } else if (rows > 0) {
                out.value = nqb::roundHalfEven(sum / rows, 4);
                out.text = nqb::fmtG(out.value);
            }
            break;
        }
        case FooterKind::Text:
            out.text = cfg->footerText;
            break;
        }
    }
}

DataGrid::FooterKind DataGrid::footerKind(int column) const
{
    const ColumnConfig *cfg = configOf(column);
    return cfg ? cfg->footer : FooterKind::None;
}

QString DataGrid::footerText(int column) const
{
    computeFooters();
    return column >= 0 && column < m_footerCache.size() ? m_footerCache[column].text : QString();
}

QString DataGrid::footerText(const QString &field) const
{
    return footerText(column(field));
}

double DataGrid::footerValue(int column) const
{
    computeFooters();
    return column >= 0 && column < m_footerCache.size() ? m_footerCache[column].value : 0.0;
}

double DataGrid::footerValue(const QString &field) const
{
    return footerValue(column(field));
}

QColor DataGrid::footerColor(int column) const
{
    const ColumnConfig *cfg = configOf(column);
    return cfg ? cfg->footerColor : QColor();
}

bool DataGrid::footerBold(int column) const
{
    const ColumnConfig *cfg = configOf(column);
    return cfg && cfg->footerBold;
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
    m_proxy->sort(column, state == SortState::Down ? Qt::DescendingOrder : Qt::AscendingOrder);
    refreshSortIndicator();
}

void DataGrid::clearSort()
{
    m_sortField.clear();
    m_sortState = SortState::None;
    m_proxy->sort(-1, Qt::AscendingOrder);
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
