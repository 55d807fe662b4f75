#pragma once
// The data grid's footer row and the scroll bar whose extra strip it covers.
// Internal to the grid (widgets/DataGrid.h is the interface).
#include "widgets/DataGrid.h"
#include "widgets/DataGridHeader.h"

#include <QPainter>
#include <QScrollBar>
#include <QWidget>

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

