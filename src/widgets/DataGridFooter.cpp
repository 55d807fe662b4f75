// The footer settings and sums of the data grid.
#include "widgets/DataGridFooter.h"

#include <QEvent>
#include <QHeaderView>
#include <QSqlQueryModel>
#include <QSqlRecord>

#include <cmath>

using namespace datagrid;

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

